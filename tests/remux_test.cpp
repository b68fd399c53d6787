#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <opencv2/core.hpp>
#include <memory>
#include <ostream>
#include <set>
#include <sstream>

#include "finish/remux.h"
#include "finish/temp_path.h"
#include "platform/platform.h"
#include "script/utf8.h"
#include "test_support.h"

using namespace testing_support;
using camdrift::RemuxOutcome;

namespace {

const std::string kVideoOnly = "video-only bytes";
const std::string kMuxed = "muxed bytes";

// A muxer stand-in: records $0 and every argument one per line, then runs
// `behaviour` with $last holding the last argument (the temp path).
void writeFakeMuxer(const std::string& path, const std::string& argsFile,
                    const std::string& behaviour) {
    writeFile(path, "#!/bin/sh\n"
                    "{ printf '%s\\n' \"$0\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '" +
                        argsFile + "'\n"
                    "for last in \"$@\"; do :; done\n" +
                        behaviour + "\n");
    makeExecutable(path);
}

std::string linesOf(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) {
        text += item + "\n";
    }
    return text;
}

std::vector<std::string> expectedArguments(const std::string& muxer, const std::string& output,
                                           const std::string& input, const std::string& temp) {
    return {muxer, "-i", output, "-i", input, "-map", "0:v", "-map", "1:a",
            "-vcodec", "copy", "-acodec", "copy", temp};
}

camdrift::JobScript jobFor(const std::string& input, const std::string& output,
                           const std::string& muxer) {
    camdrift::JobScript job;
    job.inputPath = camdrift::decodeUtf8(input);
    job.outputPath = camdrift::decodeUtf8(output);
    job.muxerPath = camdrift::decodeUtf8(muxer);
    return job;
}

// Hands out the given numbers in turn, then keeps repeating the last one.
camdrift::NumberSource numbers(std::vector<int> sequence) {
    auto next = std::make_shared<size_t>(0);
    return [sequence, next]() {
        int value = sequence[std::min(*next, sequence.size() - 1)];
        ++*next;
        return value;
    };
}

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::string& path) : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~WorkingDirectory() { std::filesystem::current_path(saved_); }

private:
    std::filesystem::path saved_;
};

class EnvironmentVariable {
public:
    EnvironmentVariable(const char* name, const std::string& value) : name_(name) {
        const char* old = std::getenv(name);
        hadValue_ = old != nullptr;
        if (hadValue_) saved_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~EnvironmentVariable() {
        if (hadValue_) {
            setenv(name_, saved_.c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    bool hadValue_ = false;
    std::string saved_;
};

// The output folder holds only the output; the fake muxer and its record
// live elsewhere so that a leftover temp file shows in the listing.
struct RemuxFixture {
    ScratchDir scratch;
    std::string outDir = scratch.file("out");
    std::string toolDir = scratch.file("tools");
    std::string output = outDir + "/clip.avi";
    std::string input = scratch.file("source.avi");
    std::string muxer = toolDir + "/mux.sh";
    std::string args = toolDir + "/args.txt";

    RemuxFixture() {
        std::filesystem::create_directory(outDir);
        std::filesystem::create_directory(toolDir);
        writeFile(output, kVideoOnly);
        writeFile(input, "source bytes");
    }
    RemuxOutcome remux(const camdrift::NumberSource& source = numbers({421})) {
        return camdrift::remuxAudio(jobFor(input, output, muxer), source).outcome;
    }
};

struct SwapCase {
    const char* name;
    const char* behaviour;
    RemuxOutcome outcome;
    bool replaced;
    const char* message;  // what the run prints about the sound
};

void PrintTo(const SwapCase& c, std::ostream* os) { *os << c.name; }

class MuxerBehaviour : public ::testing::TestWithParam<SwapCase> {};

TEST_P(MuxerBehaviour, ReplacesTheOutputOnlyAfterACleanRunAndNeverLeavesTheTempFile) {
    const SwapCase& c = GetParam();
    RemuxFixture f;
    writeFakeMuxer(f.muxer, f.args, c.behaviour);

    const camdrift::RemuxResult result =
        camdrift::remuxAudio(jobFor(f.input, f.output, f.muxer), numbers({421}));
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(camdrift::audioNotAddedMessage(result), c.message);

    EXPECT_EQ(readFile(f.output), c.replaced ? kMuxed : kVideoOnly);
    EXPECT_EQ(namesIn(f.outDir), std::set<std::string>{"clip.avi"});
    EXPECT_TRUE(exists(f.args)) << "the muxer ran";
}

INSTANTIATE_TEST_SUITE_P(
    Swap, MuxerBehaviour,
    ::testing::Values(
        SwapCase{"WritesAndSucceeds", "printf 'muxed bytes' > \"$last\"; exit 0",
                 RemuxOutcome::Replaced, true, ""},
        SwapCase{"WritesAndFails", "printf 'muxed bytes' > \"$last\"; exit 1",
                 RemuxOutcome::MuxerFailed, false,
                 "Audio not added: the muxer exited with status 1!\n"},
        SwapCase{"WritesAndExits127", "printf 'muxed bytes' > \"$last\"; exit 127",
                 RemuxOutcome::MuxerFailed, false,
                 "Audio not added: the muxer exited with status 127!\n"},
        SwapCase{"LeavesAnEmptyFile", ": > \"$last\"; exit 0", RemuxOutcome::NoMuxedFile, false,
                 "Audio not added: the muxer wrote no file!\n"},
        SwapCase{"WritesAndIsKilled", "printf 'muxed bytes' > \"$last\"; kill -KILL $$",
                 RemuxOutcome::MuxerKilled, false,
                 "Audio not added: the muxer was killed by signal 9!\n"},
        SwapCase{"WritesNothing", "exit 0", RemuxOutcome::NoMuxedFile, false,
                 "Audio not added: the muxer wrote no file!\n"}),
    [](const ::testing::TestParamInfo<SwapCase>& info) { return std::string(info.param.name); });

TEST(Remux, PassesEveryPathAsOneUnquotedArgument) {
    ScratchDir scratch;
    const std::string outDir = scratch.file("dir with blank");
    const std::string toolDir = scratch.file("my \"tools\"");
    std::filesystem::create_directory(outDir);
    std::filesystem::create_directory(toolDir);
    const std::string output = outDir + "/\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC.avi";  // é 日本
    const std::string input = scratch.file("s\xC3\xB6urce \xF0\x9F\x8E\xA5 clip.avi");  // ö, 🎥
    const std::string muxer = toolDir + "/fake mux.sh";
    const std::string args = scratch.file("args.txt");
    writeFile(output, kVideoOnly);
    writeFakeMuxer(muxer, args, "printf 'muxed bytes' > \"$last\"");

    EXPECT_EQ(camdrift::remuxAudio(jobFor(input, output, muxer), numbers({421})).outcome,
              RemuxOutcome::Replaced);

    EXPECT_EQ(readFile(args),
              linesOf(expectedArguments(muxer, output, input, outDir + "/temp0421.avi")));
    EXPECT_EQ(readFile(output), kMuxed);
}

TEST(Remux, RelativePathsNameFilesInTheCurrentDirectory) {
    ScratchDir scratch;
    writeFile(scratch.file("out.avi"), kVideoOnly);
    writeFakeMuxer(scratch.file("mux.sh"), scratch.file("args.txt"),
                   "printf 'muxed bytes' > \"$last\"");
    RemuxOutcome outcome;
    {
        WorkingDirectory here(scratch.path());
        outcome =
            camdrift::remuxAudio(jobFor("in.avi", "out.avi", "mux.sh"), numbers({5})).outcome;
    }
    EXPECT_EQ(outcome, RemuxOutcome::Replaced);
    EXPECT_EQ(readFile(scratch.file("args.txt")),
              linesOf(expectedArguments("mux.sh", "out.avi", "in.avi", "temp0005.avi")));
    EXPECT_EQ(readFile(scratch.file("out.avi")), kMuxed);
    EXPECT_FALSE(exists(scratch.file("temp0005.avi")));
}

TEST(Remux, ABareMuxerNameIsNeverLookedUpOnThePath) {
    ScratchDir scratch;
    const std::string onPath = scratch.file("bin");
    const std::string work = scratch.file("work");
    std::filesystem::create_directory(onPath);
    std::filesystem::create_directory(work);
    writeFile(work + "/out.avi", kVideoOnly);
    writeFakeMuxer(onPath + "/mux.sh", scratch.file("args.txt"),
                   "printf 'muxed bytes' > \"$last\"");

    RemuxOutcome outcome;
    {
        EnvironmentVariable path("PATH", onPath + ":" + std::getenv("PATH"));
        WorkingDirectory here(work);
        outcome =
            camdrift::remuxAudio(jobFor("in.avi", "out.avi", "mux.sh"), numbers({5})).outcome;
    }
    EXPECT_EQ(outcome, RemuxOutcome::MuxerNotStarted);
    EXPECT_FALSE(exists(scratch.file("args.txt")));
    EXPECT_EQ(readFile(work + "/out.avi"), kVideoOnly);
    EXPECT_EQ(namesIn(work), std::set<std::string>{"out.avi"});
}

TEST(Remux, TheMuxerInheritsTheEnvironment) {
    RemuxFixture f;
    writeFakeMuxer(f.muxer, f.args,
                   "printf '%s' \"$CAMDRIFT_PROBE\" > \"$last\"");
    RemuxOutcome outcome;
    {
        EnvironmentVariable probe("CAMDRIFT_PROBE", "inherited");
        outcome = f.remux();
    }
    EXPECT_EQ(outcome, RemuxOutcome::Replaced);
    EXPECT_EQ(readFile(f.output), "inherited");
}

struct UnstartableCase {
    const char* name;
    // Sets up the muxer path inside the scratch folder; returns it.
    std::string (*makeMuxer)(const ScratchDir& scratch, const std::string& args);
};

void PrintTo(const UnstartableCase& c, std::ostream* os) { *os << c.name; }

class UnstartableMuxer : public ::testing::TestWithParam<UnstartableCase> {};

TEST_P(UnstartableMuxer, LeavesTheOutputAsItWas) {
    ScratchDir scratch;
    const std::string output = scratch.file("out.avi");
    const std::string args = scratch.file("args.txt");
    writeFile(output, kVideoOnly);
    const std::string muxer = GetParam().makeMuxer(scratch, args);

    const camdrift::RemuxResult result =
        camdrift::remuxAudio(jobFor(scratch.file("in.avi"), output, muxer), numbers({421}));
    EXPECT_EQ(result.outcome, RemuxOutcome::MuxerNotStarted);
    EXPECT_EQ(camdrift::audioNotAddedMessage(result),
              "Audio not added: the muxer could not be started!\n");

    EXPECT_EQ(readFile(output), kVideoOnly);
    EXPECT_FALSE(exists(scratch.file("temp0421.avi")));
    EXPECT_FALSE(exists(args)) << "the muxer must not have run";
}

INSTANTIATE_TEST_SUITE_P(
    Start, UnstartableMuxer,
    ::testing::Values(
        UnstartableCase{"Missing",
                        [](const ScratchDir& s, const std::string&) { return s.file("nope.sh"); }},
        UnstartableCase{"Folder",
                        [](const ScratchDir& s, const std::string&) {
                            std::filesystem::create_directory(s.file("mux.d"));
                            return s.file("mux.d");
                        }},
        UnstartableCase{"NotExecutable",
                        [](const ScratchDir& s, const std::string& args) {
                            writeFakeMuxer(s.file("mux.sh"), args,
                                           "printf 'muxed bytes' > \"$last\"");
                            chmod(s.file("mux.sh").c_str(), 0644);
                            return s.file("mux.sh");
                        }},
        UnstartableCase{"Blanks",
                        [](const ScratchDir&, const std::string&) { return std::string("   "); }}),
    [](const ::testing::TestParamInfo<UnstartableCase>& info) {
        return std::string(info.param.name);
    });

TEST(Remux, AUsersFileWithTheTempNameIsNeverTouched) {
    for (const char* behaviour : {"printf 'muxed bytes' > \"$last\"; exit 0",
                                  "printf 'muxed bytes' > \"$last\"; exit 1"}) {
        RemuxFixture f;
        const std::string usersFile = f.outDir + "/temp0421.avi";
        writeFile(usersFile, "the user's own clip");
        writeFakeMuxer(f.muxer, f.args, behaviour);

        f.remux(numbers({421, 421, 422}));

        EXPECT_EQ(readFile(usersFile), "the user's own clip") << behaviour;
        EXPECT_EQ(readFile(f.args),
                  linesOf(expectedArguments(f.muxer, f.output, f.input, f.outDir + "/temp0422.avi")))
            << behaviour;
        EXPECT_EQ(namesIn(f.outDir), (std::set<std::string>{"clip.avi", "temp0421.avi"}))
            << behaviour;
    }
}

TEST(Remux, ADanglingLinkWithTheTempNameCountsAsTaken) {
    RemuxFixture f;
    const std::string link = f.outDir + "/temp0421.avi";
    ASSERT_EQ(symlink(f.scratch.file("elsewhere.avi").c_str(), link.c_str()), 0);
    writeFakeMuxer(f.muxer, f.args, "printf 'muxed bytes' > \"$last\"");

    EXPECT_EQ(f.remux(numbers({421, 9})), RemuxOutcome::Replaced);

    EXPECT_FALSE(exists(f.scratch.file("elsewhere.avi")));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
}

// After the draws keep hitting taken names, the walk over the numbers
// passes a dangling link too, and makes nothing where it points.
TEST(Remux, TheWalkPastTakenNamesStepsOverADanglingLink) {
    RemuxFixture f;
    writeFile(f.outDir + "/temp0007.avi", "the user's own clip");
    const std::string link = f.outDir + "/temp0008.avi";
    ASSERT_EQ(symlink(f.scratch.file("elsewhere.avi").c_str(), link.c_str()), 0);
    writeFakeMuxer(f.muxer, f.args, "printf 'muxed bytes' > \"$last\"");

    EXPECT_EQ(f.remux(numbers({7})), RemuxOutcome::Replaced);

    EXPECT_EQ(readFile(f.args), linesOf(expectedArguments(f.muxer, f.output, f.input,
                                                          f.outDir + "/temp0009.avi")));
    EXPECT_FALSE(exists(f.scratch.file("elsewhere.avi")));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readFile(f.output), kMuxed);
}

// Takes every temp name in the folder. Hard links to one empty file are far
// cheaper to make than 32768 separate files.
void fillWithTempNames(const std::string& folder, const std::string& extension) {
    const std::string original = camdrift::makeTempPath(folder + "/x" + extension, 0);
    writeFile(original, "");
    for (int number = 1; number < 32768; ++number) {
        const std::string name = camdrift::makeTempPath(folder + "/x" + extension, number);
        ASSERT_EQ(link(original.c_str(), name.c_str()), 0) << name;
    }
}

TEST(Remux, FindsTheLastFreeNameAndGivesUpWhenThereIsNone) {
    RemuxFixture f;
    writeFakeMuxer(f.muxer, f.args, "printf 'muxed bytes' > \"$last\"");
    fillWithTempNames(f.outDir, ".avi");

    EXPECT_EQ(f.remux(numbers({7})), RemuxOutcome::NoFreeTempName);
    EXPECT_FALSE(exists(f.args)) << "the muxer must not have run";
    EXPECT_EQ(readFile(f.output), kVideoOnly);

    // One free name left, never drawn: the walk over every number finds it.
    std::filesystem::remove(f.outDir + "/temp12345.avi");
    EXPECT_EQ(f.remux(numbers({7})), RemuxOutcome::Replaced);
    EXPECT_EQ(readFile(f.output), kMuxed);
    EXPECT_EQ(readFile(f.args), linesOf(expectedArguments(f.muxer, f.output, f.input,
                                                          f.outDir + "/temp12345.avi")));
    EXPECT_FALSE(exists(f.outDir + "/temp12345.avi"));
}

TEST(Remux, AnOutputThatCantBeReplacedKeepsItsPlaceAndTheTempFileGoes) {
    RemuxFixture f;
    std::filesystem::remove(f.output);
    std::filesystem::create_directory(f.output);
    writeFile(f.output + "/inside", "kept");
    writeFakeMuxer(f.muxer, f.args, "printf 'muxed bytes' > \"$last\"");

    EXPECT_EQ(f.remux(), RemuxOutcome::SwapFailed);

    EXPECT_EQ(readFile(f.output + "/inside"), "kept");
    EXPECT_EQ(namesIn(f.outDir), std::set<std::string>{"clip.avi"});
}

struct ProcessCase {
    const char* name;
    const char* script;
    camdrift::platform::ProcessOutcome expected;
};

void PrintTo(const ProcessCase& c, std::ostream* os) { *os << c.name; }

class ChildProcess : public ::testing::TestWithParam<ProcessCase> {};

TEST_P(ChildProcess, ReportsHowItEnded) {
    ScratchDir scratch;
    const std::string program = scratch.file("child.sh");
    writeFile(program, std::string("#!/bin/sh\n") + GetParam().script + "\n");
    makeExecutable(program);

    const auto outcome = camdrift::platform::runProcess({program});

    const auto& expected = GetParam().expected;
    EXPECT_EQ(outcome.started, expected.started);
    EXPECT_EQ(outcome.exited, expected.exited);
    EXPECT_EQ(outcome.exitStatus, expected.exitStatus);
    EXPECT_EQ(outcome.signal, expected.signal);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, ChildProcess,
    ::testing::Values(ProcessCase{"ExitsZero", "exit 0", {true, true, 0, 0, ""}},
                      ProcessCase{"ExitsThree", "exit 3", {true, true, 3, 0, ""}},
                      // 127 is also what a failed exec leaves; the program still ran.
                      ProcessCase{"Exits127", "exit 127", {true, true, 127, 0, ""}},
                      ProcessCase{"Terminated", "kill -TERM $$", {true, false, -1, SIGTERM, ""}}),
    [](const ::testing::TestParamInfo<ProcessCase>& info) { return std::string(info.param.name); });

// In a forked copy of the test with stdout sent, fully buffered, to `file`:
// a line of our own, the child's line, another of our own.
void printAroundAChild(const std::string& file, const std::string& program) {
    std::fflush(stdout);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        std::setvbuf(stdout, nullptr, _IOFBF, 4096);
        std::printf("tool before\n");
        camdrift::platform::runProcess({program});
        std::printf("tool after\n");
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

TEST(ChildProcessOutput, ComesAfterWhatTheToolPrintedBefore) {
    ScratchDir scratch;
    const std::string program = scratch.file("child.sh");
    writeFile(program, "#!/bin/sh\necho 'child line'\n");
    makeExecutable(program);

    printAroundAChild(scratch.file("stdout.txt"), program);

    EXPECT_EQ(readFile(scratch.file("stdout.txt")), "tool before\nchild line\ntool after\n");
}

std::string streamTypes(const std::string& path) {
    return run({"/usr/bin/ffprobe", "-v", "error", "-show_entries", "stream=codec_type", "-of",
                "csv=p=0", path})
        .out;
}

bool framesEqual(const std::vector<cv::Mat>& a, const std::vector<cv::Mat>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].size() != b[i].size() || cv::norm(a[i], b[i], cv::NORM_INF) != 0) return false;
    }
    return true;
}

TEST(RemuxWithFfmpeg, GivesTheOutputTheSourcesSoundAndKeepsItsFrames) {
    ScratchDir scratch;
    const std::string source = scratch.file("source.mkv");
    const std::string outDir = scratch.file("out");
    const std::string output = outDir + "/final cut.mkv";
    std::filesystem::create_directory(outDir);
    ASSERT_TRUE(makeClipWithSound(source, 64, 48, 12));
    ASSERT_EQ(run({"/usr/bin/ffmpeg", "-nostdin", "-loglevel", "error", "-i", source, "-an",
                   "-c:v", "copy", output})
                  .exitStatus,
              0);
    ASSERT_EQ(streamTypes(output), "video\n");
    const std::vector<cv::Mat> before = readAllFrames(output);
    ASSERT_EQ(before.size(), 12u);

    const RemuxOutcome outcome =
        camdrift::remuxAudio(jobFor(source, output, "/usr/bin/ffmpeg"), camdrift::drawTempNumber)
            .outcome;

    EXPECT_EQ(outcome, RemuxOutcome::Replaced);
    EXPECT_EQ(streamTypes(output), "video\naudio\n");
    EXPECT_TRUE(framesEqual(readAllFrames(output), before));
    EXPECT_EQ(namesIn(outDir), std::set<std::string>{"final cut.mkv"});
}

TEST(RemuxWithFfmpeg, ASourceWithoutSoundLeavesTheVideoOnlyOutput) {
    ScratchDir scratch;
    const std::string source = scratch.file("silent.avi");
    const std::string outDir = scratch.file("out");
    const std::string output = outDir + "/final.avi";
    std::filesystem::create_directory(outDir);
    ASSERT_TRUE(writePatternVideo(source, 64, 48, 5));
    std::filesystem::copy_file(source, output);
    const std::string videoOnly = readFile(output);

    const camdrift::RemuxResult result =
        camdrift::remuxAudio(jobFor(source, output, "/usr/bin/ffmpeg"), camdrift::drawTempNumber);

    EXPECT_EQ(result.outcome, RemuxOutcome::MuxerFailed);
    // ffmpeg's own explanation is kept for the run to show.
    EXPECT_NE(result.output.find("1:a"), std::string::npos) << result.output;
    EXPECT_EQ(readFile(output), videoOnly);
    EXPECT_EQ(namesIn(outDir), std::set<std::string>{"final.avi"});
}

}  // namespace
