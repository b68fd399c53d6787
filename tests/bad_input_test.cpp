// Bad input, end to end on the real executable: whatever the job script, the
// source, the output path or the muxer, the run ends with its exact message
// and status, the source keeps its bytes, and no file appears that the run
// should not have left.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "test_support.h"

using namespace testing_support;

namespace {

const std::string kJob = "job.txt";

// Every entry under `folder`, as paths relative to it.
std::set<std::string> entriesUnder(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        names.insert(std::filesystem::relative(entry.path(), folder).string());
    }
    return names;
}

std::string repeat(const std::string& text, size_t times) {
    std::string result;
    result.reserve(text.size() * times);
    for (size_t i = 0; i < times; ++i) result += text;
    return result;
}

// Replaces a block of bytes in the middle of the file with a fixed garbage pattern.
void damageMiddle(const std::string& path, size_t length) {
    std::string bytes = readFile(path);
    const size_t start = bytes.size() / 2 - length / 2;
    for (size_t i = 0; i < length; ++i) bytes[start + i] = static_cast<char>((i * 151 + 7) & 0xFF);
    writeFile(path, bytes);
}

// Writes `frames` into every 32-bit frame-count field of an AVI header (the
// main header's total and each stream header's length).
void claimFrames(const std::string& path, uint32_t frames) {
    std::string bytes = readFile(path);
    const std::vector<std::pair<std::string, size_t>> fields = {{"avih", 8 + 16}, {"strh", 8 + 32}};
    for (const auto& [tag, offset] : fields) {
        for (size_t at = bytes.find(tag); at != std::string::npos; at = bytes.find(tag, at + 1)) {
            for (size_t i = 0; i < 4; ++i) bytes[at + offset + i] = static_cast<char>(frames >> (8 * i));
        }
    }
    writeFile(path, bytes);
}

// A 64 x 48 clip of `frames` frames in the given FFmpeg video codec, no sound.
bool makeClip(const std::string& path, const std::string& codec, int frames) {
    const RunResult made = run({"/usr/bin/ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi",
                                "-i", "testsrc=size=64x48:rate=25", "-frames:v",
                                std::to_string(frames), "-c:v", codec, path});
    return made.exitStatus == 0;
}

// A fake muxer: `behaviour` runs with $out (the output, argument 2) and
// $temp (the last argument) set.
std::string fakeMuxer(const std::string& behaviour) {
    return "#!/bin/sh\nout=\"$2\"\nfor temp in \"$@\"; do :; done\n" + behaviour + "\n";
}

class BadInputTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(makeSource(source_, 10)); }

    bool makeSource(const std::string& path, int frames) {
        return writePatternVideo(path, 64, 48, frames, 25.0);
    }
    std::string header(const std::string& output, int frames = 10) const {
        return "Opened\n64x48@25.000000\t" + std::to_string(frames) + "\nfn2=" + output + "\n";
    }
    std::string script(const std::string& input, const std::string& output,
                       const std::string& muxer = "", const std::string& codec = "FFV1") const {
        return jobScriptText({input, output, muxer, codec, "1", "32", "24", {"k 5 50 40 60 0"}});
    }

    // Runs the tool on the job script with the given bytes and checks what
    // every bad input must leave: the source's bytes as they were, and the
    // folder as it was apart from the files `created`.
    RunResult runAndCheck(const std::string& scriptBytes,
                          const std::vector<std::string>& created = {},
                          const std::vector<std::string>& prefix = {}) {
        writeFile(dir_.file(kJob), scriptBytes);
        return runAndCheckPrepared(created, prefix);
    }
    RunResult runAndCheckPrepared(const std::vector<std::string>& created = {},
                                  const std::vector<std::string>& prefix = {}) {
        const std::string sourceBytes = readFile(source_);
        std::set<std::string> expected = entriesUnder(dir_.path());
        expected.insert(created.begin(), created.end());

        std::vector<std::string> argv = prefix;
        argv.push_back(camdriftExe());
        argv.push_back(dir_.file(kJob));
        RunResult result = run(argv);

        EXPECT_EQ(readFile(source_), sourceBytes) << "the source changed";
        EXPECT_EQ(entriesUnder(dir_.path()), expected) << "files appeared or went missing";
        return result;
    }

    ScratchDir dir_;
    const std::string source_ = dir_.file("source.avi");
    const std::string output_ = dir_.file("out.avi");
};

// ---- The job script ----

TEST_F(BadInputTest, JobScriptThatIsAFolderCantBeOpened) {
    std::filesystem::create_directory(dir_.file(kJob));
    const RunResult result = runAndCheckPrepared();
    EXPECT_EQ(result.out, "Open file error " + dir_.file(kJob) + "!\n");
    EXPECT_EQ(result.exitStatus, 1);
}

// An endless device is refused as too long a script; a named pipe that no
// one writes to reads as an empty script instead of waiting forever.
TEST_F(BadInputTest, EndlessOrWriterlessJobScriptEnds) {
    RunResult result = run({camdriftExe(), "/dev/zero"});
    EXPECT_EQ(result.out, "Open file error /dev/zero!\n");
    EXPECT_EQ(result.exitStatus, 1);

    const std::string pipe = dir_.file("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    result = run({camdriftExe(), pipe});
    EXPECT_EQ(result.out, "Capture not opened!\n");
    EXPECT_EQ(result.exitStatus, 1);
}

// A script that doesn't name a usable source or output ends at the first
// phase that needs the missing part; nothing is written.
TEST_F(BadInputTest, ScriptsMissingTheirPartsEndWithTheirPhasesMessage) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string out;
        int status;
    };
    const std::vector<Case> cases = {
        {"empty file", "", "Capture not opened!\n", 1},
        {"title only", "title\n", "Capture not opened!\n", 1},
        // No output size: the writer can't open on a size of 0 x 0.
        {"two lines", "title\n" + source_ + "\n", header("") + "Writer not opened!\n", 1},
        {"four lines", "title\n" + source_ + "\n" + output_ + "\n\n",
         header(output_) + "Writer not opened!\n", 1},
        {"five lines, no size", "title\n" + source_ + "\n" + output_ + "\n\nFFV1\n",
         header(output_) + "Writer not opened!\n", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RunResult result = runAndCheck(c.bytes);
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.exitStatus, c.status);
    }
}

// Bytes that aren't UTF-8 read as U+FFFD: harmless in the title, and a path
// holding them names the file with U+FFFD in their place.
TEST_F(BadInputTest, InvalidUtf8ReadsAsReplacementCharacters) {
    const std::string latin1Name = dir_.file("caf\xE9.avi");  // "café" in Latin-1
    ASSERT_EQ(link(source_.c_str(), latin1Name.c_str()), 0);
    const std::string replaced = dir_.file("out\xEF\xBF\xBD.avi");  // U+FFFD in UTF-8

    RunResult result = runAndCheck(jobScriptText({source_, dir_.file("out\xC0.avi"), "", "FFV1",
                                                  "1", "32", "24", {}, true, "ti\xFF\xFEtle \xC3("}),
                                   {"out\xEF\xBF\xBD.avi"});
    EXPECT_EQ(result.out, header(replaced) + "Finished!\n");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(readAllFrames(replaced).size(), 10u);

    result = runAndCheck(script(latin1Name, output_));
    EXPECT_EQ(result.out, "Capture not opened!\n");
    EXPECT_EQ(result.exitStatus, 1);
}

// A NUL ends a path the way it ends a C string: the rest of the line is not
// part of any name the tool opens, prints or hands to the muxer.
TEST_F(BadInputTest, NulByteEndsAPath) {
    RunResult result = runAndCheck(
        jobScriptText({source_ + std::string("\0.mkv", 5),
                       output_ + std::string("\0/../elsewhere.avi", 18), "", "FFV1", "1", "32",
                       "24", {}, true, std::string("ti\0tle", 6)}),
        {"out.avi"});
    EXPECT_EQ(result.out, header(output_) + "Finished!\n");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(readAllFrames(output_).size(), 10u);
}

// Ten million characters on one line: line reads take 999 characters at a
// time, so a long title spills into the path lines and no file is named.
TEST_F(BadInputTest, TenMillionCharacterLines) {
    const std::string longLine(10'000'000, 'x');
    RunResult result = runAndCheck(longLine + "\n" + script(source_, output_));
    EXPECT_EQ(result.out, "Capture not opened!\n");
    EXPECT_EQ(result.exitStatus, 1);

    // As a keyframe line it is one failed attempt; the view stays whole.
    result = runAndCheck(script(source_, output_) + longLine + "\n", {"out.avi"});
    EXPECT_EQ(result.out, header(output_) + "Finished!\n");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(readAllFrames(output_).size(), 10u);
}

TEST_F(BadInputTest, MillionKeyframeLines) {
    std::string keyframes;
    for (int frame = 1; frame <= 1'000'000; ++frame) {
        keyframes += "k " + std::to_string(frame) + " 50 50 50 0\n";
    }
    RunResult result = runAndCheck(script(source_, output_) + keyframes, {"out.avi"});
    EXPECT_EQ(result.out, header(output_) + "Finished!\n");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(readAllFrames(output_).size(), 10u);
}

// ---- The source ----

// What isn't a video never opens, and then no output file is created.
TEST_F(BadInputTest, SourceThatIsNoVideoIsNotOpened) {
    const std::string bytes = readFile(source_);
    struct Case {
        const char* name;
        std::string path;
        std::string content;  // written as a file unless the case makes a folder
        bool folder;
    };
    const std::vector<Case> cases = {
        {"zero bytes", dir_.file("zero.avi"), "", false},
        {"text", dir_.file("text.avi"), repeat("not a video at all\n", 500), false},
        {"folder", dir_.file("folder.avi"), "", true},
        {"cut inside the header", dir_.file("cut.avi"), bytes.substr(0, 1000), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.folder) {
            std::filesystem::create_directory(c.path);
        } else {
            writeFile(c.path, c.content);
        }
        const std::string content = c.folder ? "" : readFile(c.path);
        const RunResult result = runAndCheck(script(c.path, output_));
        EXPECT_EQ(result.out, "Capture not opened!\n");
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.exitStatus, 1);
        if (!c.folder) {
            EXPECT_EQ(readFile(c.path), content);
        }
    }
}

// A damaged source still renders: every frame the decoder delivers is written,
// the run ends normally, and the damaged file keeps its bytes.
TEST_F(BadInputTest, DamagedSourceWritesTheFramesThatDecode) {
    struct Case {
        const char* name;
        std::string codec;
        std::function<void(const std::string&)> damage;
    };
    const auto cutInHalf = [](const std::string& path) {
        const std::string bytes = readFile(path);
        writeFile(path, bytes.substr(0, bytes.size() / 2));
    };
    const auto overwriteMiddle = [](const std::string& path) { damageMiddle(path, 2000); };
    const std::vector<Case> cases = {
        {"cut in the middle", "ffv1", cutInHalf},
        {"FFV1 overwritten in the middle", "ffv1", overwriteMiddle},
        {"MJPG overwritten in the middle", "mjpeg", overwriteMiddle},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string damaged = dir_.file("damaged.avi");
        ASSERT_TRUE(makeClip(damaged, c.codec, 30));
        c.damage(damaged);
        const size_t decodable = readAllFrames(damaged).size();
        ASSERT_GT(decodable, 0u);
        ASSERT_LT(decodable, 30u) << "the damage should cost frames";
        const std::string damagedBytes = readFile(damaged);

        const RunResult result = runAndCheck(script(damaged, output_), {"out.avi"});
        EXPECT_EQ(result.out, header(output_, 30) + "Finished!\n");
        EXPECT_EQ(result.exitStatus, 0);
        EXPECT_EQ(readFile(damaged), damagedBytes);
        EXPECT_EQ(readAllFrames(output_).size(), decodable);
        std::filesystem::remove(damaged);
        std::filesystem::remove(output_);
    }
}

// The header promises 1000 frames, the file holds 120: progress counts
// against the promise, the loop ends with the last real frame.
TEST_F(BadInputTest, SourceClaimingMoreFramesThanItHolds) {
    const std::string claiming = dir_.file("claims.avi");
    ASSERT_TRUE(makeSource(claiming, 120));
    claimFrames(claiming, 1000);
    const RunResult result = runAndCheck(script(claiming, output_), {"out.avi"});
    EXPECT_EQ(result.out, header(output_, 1000) + "Processed: 10% (101 / 1000)\nFinished!\n");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(readAllFrames(output_).size(), 120u);
}

// ---- The output ----

// A writer that can't open reports it, and leaves an earlier file in the
// output's place as it was.
TEST_F(BadInputTest, OutputThatCantBeWrittenIsReported) {
    const std::string folder = dir_.file("folder.avi");
    std::filesystem::create_directory(folder);
    writeFile(dir_.file("earlier.avi"), "an earlier, complete output");
    struct Case {
        const char* name;
        std::string output;
        std::string codec;
    };
    const std::vector<Case> cases = {
        {"folder that doesn't exist", dir_.file("missing/out.avi"), "FFV1"},
        {"parent is a file", dir_.file("source.avi/out.avi"), "FFV1"},
        {"path is a folder", folder, "FFV1"},
        {"earlier output, unknown codec", dir_.file("earlier.avi"), "QQQQ"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RunResult result = runAndCheck(script(source_, c.output, "", c.codec));
        EXPECT_EQ(result.out, header(c.output) + "Writer not opened!\n");
        EXPECT_EQ(result.exitStatus, 1);
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_EQ(readFile(dir_.file("earlier.avi")), "an earlier, complete output");
}

// Root writes into any folder whatever its mode bits, so as root the tool
// runs as the unprivileged user "nobody" through setpriv.
TEST_F(BadInputTest, OutputInReadOnlyFolderIsReported) {
    std::vector<std::string> asUser;
    if (geteuid() == 0) {
        if (!exists("/usr/bin/setpriv")) GTEST_SKIP() << "running as root and setpriv is missing";
        if (!othersCanRun(camdriftExe())) {
            GTEST_SKIP() << "running as root, and user nobody can't reach " << camdriftExe();
        }
        asUser = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        using std::filesystem::perms;
        std::filesystem::permissions(dir_.path(), perms::others_read | perms::others_exec,
                                     std::filesystem::perm_options::add);
    }
    const std::string folder = dir_.file("read-only");
    std::filesystem::create_directory(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_write |
                                             std::filesystem::perms::group_write |
                                             std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    const std::string output = folder + "/out.avi";
    writeFile(dir_.file(kJob), script(source_, output));

    const RunResult result = runAndCheckPrepared({}, asUser);
    EXPECT_EQ(result.out, header(output) + "Writer not opened!\n");
    EXPECT_EQ(result.exitStatus, 1);
}

// Other spellings of the source than those of the driver's own tests.
TEST_F(BadInputTest, SourceUnderOtherSpellingsIsRefused) {
    std::filesystem::create_directory(dir_.file("sub"));
    std::filesystem::create_symlink(source_, dir_.file("link.avi"));
    std::filesystem::create_directory_symlink(dir_.path(), dir_.file("sub/up"));
    const std::vector<std::string> spellings = {
        dir_.file("link.avi"),
        dir_.file("sub/../source.avi"),
        dir_.file("sub/up/source.avi"),
    };
    for (const std::string& output : spellings) {
        SCOPED_TRACE(output);
        const RunResult result = runAndCheck(script(source_, output));
        EXPECT_EQ(result.out, header(output) + "Output file is the source file!\n");
        EXPECT_EQ(result.exitStatus, 1);
    }
}

// ---- The muxer ----

// A muxer that can't run, dies, or fails leaves the video-only output and
// none of its leftovers, and the run says why the sound is missing.
TEST_F(BadInputTest, FailingMuxerLeavesTheVideoOnlyOutput) {
    const std::string muxers = dir_.file("muxers");
    std::filesystem::create_directory(muxers);
    writeFile(muxers + "/plain.sh", fakeMuxer("exit 0"));  // never made executable
    std::filesystem::create_directory(muxers + "/folder");
    struct Case {
        const char* name;
        std::string muxer;
        std::string behaviour;  // empty: the muxer is prepared above
        std::string message;
    };
    const std::vector<Case> cases = {
        {"not executable", muxers + "/plain.sh", "",
         "Audio not added: the muxer could not be started!\n"},
        {"a folder", muxers + "/folder", "", "Audio not added: the muxer could not be started!\n"},
        {"killed", muxers + "/killed.sh", "head -c 3000 \"$out\" > \"$temp\"; kill -KILL $$",
         "Audio not added: the muxer was killed by signal 9!\n"},
        {"fails after half a file",
         muxers + "/half.sh", "head -c $(($(wc -c < \"$out\") / 2)) \"$out\" > \"$temp\"; exit 1",
         "Audio not added: the muxer exited with status 1!\n"},
        {"exits 0 without a file", muxers + "/lazy.sh", "exit 0",
         "Audio not added: the muxer wrote no file!\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.behaviour.empty()) {
            writeFile(c.muxer, fakeMuxer(c.behaviour));
            makeExecutable(c.muxer);
        }
        std::filesystem::remove(output_);
        const RunResult result = runAndCheck(script(source_, output_, c.muxer), {"out.avi"});
        EXPECT_EQ(result.out, header(output_) + c.message + "Finished!\n");
        EXPECT_EQ(result.exitStatus, 2);
        EXPECT_EQ(readAllFrames(output_).size(), 10u);
    }
}

// A failing muxer's own words are shown, its last 20 lines as they came
// (stdout and stderr in the order written), before the reason.
TEST_F(BadInputTest, FailingMuxerShowsItsLastTwentyLines) {
    const std::string muxer = dir_.file("chatty.sh");
    writeFile(muxer, fakeMuxer("i=1; while [ $i -le 30 ]; do echo \"out $i\"; echo \"err $i\" >&2;"
                               " i=$((i+1)); done; printf 'no line feed'; exit 3"));
    makeExecutable(muxer);
    std::string lastLines;
    for (int i = 21; i <= 30; ++i) {
        if (i > 21) lastLines += "out " + std::to_string(i) + "\n";
        lastLines += "err " + std::to_string(i) + "\n";
    }
    const RunResult result = runAndCheck(script(source_, output_, muxer), {"out.avi"});
    EXPECT_EQ(result.out, header(output_) + lastLines + "no line feed\n" +
                              "Audio not added: the muxer exited with status 3!\nFinished!\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitStatus, 2);
}

// Megabytes of output, on one line or many, neither hang the run nor show:
// a muxer that succeeds is silent, one that fails shows only its last lines.
TEST_F(BadInputTest, MuxerFloodingStdoutAndStderrDoesNotHang) {
    const std::string muxer = dir_.file("loud.sh");
    writeFile(muxer, fakeMuxer("head -c 4000000 /dev/zero | tr '\\0' o\n"
                               "head -c 4000000 /dev/zero | tr '\\0' e >&2\n"
                               "cp \"$out\" \"$temp\""));
    makeExecutable(muxer);
    RunResult result = runAndCheck(script(source_, output_, muxer), {"out.avi"});
    EXPECT_EQ(result.out, header(output_) + "Finished!\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(readAllFrames(output_).size(), 10u);

    writeFile(muxer, fakeMuxer("seq 1 1000000; exit 4"));
    std::string lastLines;
    for (int i = 999981; i <= 1000000; ++i) lastLines += std::to_string(i) + "\n";
    result = runAndCheck(script(source_, output_, muxer), {"out.avi"});
    EXPECT_EQ(result.out, header(output_) + lastLines +
                              "Audio not added: the muxer exited with status 4!\nFinished!\n");
    EXPECT_EQ(result.exitStatus, 2);
}

}  // namespace
