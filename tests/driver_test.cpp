// The run from the command line to the closing message, on real processes
// and tiny generated videos: exact stdout, stderr and exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>

#include "test_support.h"

using namespace testing_support;

namespace {

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        source_ = dir_.file("source.avi");
        ASSERT_TRUE(writePatternVideo(source_, 64, 48, 10, 25.0));
        sourceBytes_ = readFile(source_);
    }
    // Writes a job script and runs the tool on it.
    RunResult runJob(const std::string& script, const RunOptions& options = {}) {
        writeFile(dir_.file("job.txt"), script);
        return runCamdrift({dir_.file("job.txt")}, options);
    }
    std::string job(const std::string& output, const std::string& codec = "FFV1",
                    int width = 32, int height = 24, const std::string& input = "") {
        return jobScriptText({input.empty() ? source_ : input, output, "", codec, "1",
                              std::to_string(width), std::to_string(height)});
    }
    std::string header(const std::string& output, int frames = 10) const {
        return "Opened\n64x48@25.000000\t" + std::to_string(frames) + "\nfn2=" + output + "\n";
    }

    ScratchDir dir_;
    std::string source_;
    std::string sourceBytes_;
};

TEST(CommandLineTest, WithoutArgumentsPrintsOnlyTheUsageLine) {
    RunResult result = runCamdrift({});
    EXPECT_EQ(result.out, "Usage: Camdrift.exe infile\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitStatus, 0);
}

TEST(CommandLineTest, HelpAndVersionAnswerAndExitZero) {
    for (const char* flag : {"--help", "-h"}) {
        SCOPED_TRACE(flag);
        const RunResult result = runCamdrift({flag});
        EXPECT_EQ(result.out.rfind("Usage: camdrift JOBSCRIPT\n", 0), 0u) << result.out;
        EXPECT_NE(result.out.find("Exit status: 0 complete; 1 nothing usable written; 2 video "
                                  "complete, sound\nnot added; 130 interrupted.\n"),
                  std::string::npos);
        EXPECT_NE(result.out.find("README"), std::string::npos);
        EXPECT_EQ(result.exitStatus, 0);
    }
    const RunResult version = runCamdrift({"--version"});
    EXPECT_EQ(version.out, "camdrift " CAMDRIFT_TEST_VERSION "\n");
    EXPECT_EQ(version.exitStatus, 0);
}

// A job script may be called "-h": then it is the job, as it always was.
TEST(CommandLineTest, AFileNamedLikeAFlagIsTheJobScript) {
    ScratchDir dir;
    ASSERT_TRUE(writePatternVideo(dir.file("source.avi"), 64, 48, 3, 25.0));
    for (const char* name : {"-h", "--help", "--version"}) {
        SCOPED_TRACE(name);
        writeFile(dir.file(name),
                  jobScriptText({"source.avi", "out.avi", "", "FFV1", "1", "32", "24"}));
        RunOptions options;
        options.cwd = dir.path();
        const RunResult result = runCamdrift({name}, options);
        EXPECT_EQ(result.out, "Opened\n64x48@25.000000\t3\nfn2=out.avi\nFinished!\n");
        EXPECT_EQ(result.exitStatus, 0);
    }
}

TEST(CommandLineTest, MissingJobScriptWithoutTerminalDoesNotWait) {
    RunResult result = runCamdrift({"/nonexistent/job.txt"});
    EXPECT_EQ(result.out, "Open file error /nonexistent/job.txt!\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitStatus, 1);
}

TEST_F(DriverTest, SuccessfulRunPrintsEachLineInOrder) {
    const std::string output = dir_.file("out.avi");
    RunResult result = runJob(job(output));
    EXPECT_EQ(result.out, header(output) + "Finished!\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(readAllFrames(output).size(), 10u);
}

TEST_F(DriverTest, SecondArgumentIsIgnored) {
    const std::string output = dir_.file("out.avi");
    writeFile(dir_.file("job.txt"), job(output));
    RunResult result = runCamdrift({dir_.file("job.txt"), "ignored"});
    EXPECT_EQ(result.out, header(output) + "Finished!\n");
    EXPECT_EQ(result.exitStatus, 0);
}

TEST_F(DriverTest, MissingSourcePrintsOnlyCaptureNotOpened) {
    const std::string output = dir_.file("out.avi");
    RunResult result = runJob(job(output, "FFV1", 32, 24, dir_.file("missing.avi")));
    EXPECT_EQ(result.out, "Capture not opened!\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_FALSE(exists(output));
}

TEST_F(DriverTest, PathsWithBlanksAndNonAsciiCharactersWorkInTheCLocale) {
    const std::string source = dir_.file("ein Quell é 日本.avi");
    ASSERT_EQ(std::rename(source_.c_str(), source.c_str()), 0);
    const std::string output = dir_.file("Ausgabe ö 日本.avi");
    RunOptions options;
    options.env["LC_ALL"] = "C";
    RunResult result = runJob(job(output, "FFV1", 32, 24, source), options);
    EXPECT_EQ(result.out, header(output) + "Finished!\n");
    EXPECT_EQ(readAllFrames(output).size(), 10u);
}

// CR LF ends a line; a carriage return alone is a character of the path,
// and the files named with one are the ones read and written.
TEST_F(DriverTest, ALoneCarriageReturnIsPartOfAPathInAWindowsScript) {
    const std::string source = dir_.file("source\r.avi");
    ASSERT_EQ(std::rename(source_.c_str(), source.c_str()), 0);
    const std::string output = dir_.file("out\r.avi");
    std::string script;
    for (const char c : job(output, "FFV1", 32, 24, source)) {
        script += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    RunResult result = runJob(script);
    EXPECT_EQ(result.out, header(output) + "Finished!\n");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(readAllFrames(output).size(), 10u);
    EXPECT_FALSE(exists(dir_.file("out.avi")));
}

TEST_F(DriverTest, NtscRatePrintsWithSixDecimals) {
    const std::string source = dir_.file("ntsc.avi");
    RunResult made = run({"/usr/bin/ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
                          "testsrc=size=32x24:rate=30000/1001", "-frames:v", "3", "-c:v",
                          "ffv1", source});
    ASSERT_EQ(made.exitStatus, 0) << made.err;
    const std::string output = dir_.file("out.avi");
    RunResult result = runJob(job(output, "FFV1", 32, 24, source));
    EXPECT_EQ(result.out, "Opened\n32x24@29.970030\t3\nfn2=" + output + "\nFinished!\n");
}

TEST_F(DriverTest, CommaLocalePrintsAndReadsTheDecimalComma) {
    locale_t probe = newlocale(LC_ALL_MASK, "de_DE.UTF-8", static_cast<locale_t>(0));
    if (probe == static_cast<locale_t>(0)) {
        GTEST_SKIP() << "de_DE.UTF-8 is not installed (locale-gen de_DE.UTF-8 makes it)";
    }
    freelocale(probe);
    const std::string output = dir_.file("out.avi");
    // "1,5" must read as 1.5 so that 32 and 24 scan as the size; read as 1 it
    // would leave ",5" for the width and the writer could not open.
    RunOptions options;
    options.env["LC_ALL"] = "de_DE.UTF-8";
    RunResult result =
        runJob(jobScriptText({source_, output, "", "FFV1", "1,5", "32", "24"}), options);
    EXPECT_EQ(result.out,
              "Opened\n64x48@25,000000\t10\nfn2=" + output + "\nFinished!\n");
    EXPECT_EQ(result.exitStatus, 0);
}

// A writer that can't open must not be reported as success.
TEST_F(DriverTest, WriterThatCannotOpenIsReported) {
    struct Case {
        const char* name;
        std::string output;
        std::string codec;
        int width;
        int height;
    };
    const std::vector<Case> cases = {
        {"unknown codec", dir_.file("a.avi"), "QQQQ", 32, 24},
        {"zero width", dir_.file("b.avi"), "FFV1", 0, 24},
        {"negative height", dir_.file("c.avi"), "FFV1", 32, -4},
        {"missing folder", dir_.file("no/such/folder/d.avi"), "FFV1", 32, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunResult result = runJob(job(c.output, c.codec, c.width, c.height));
        EXPECT_EQ(result.out, header(c.output) + "Writer not opened!\n");
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_FALSE(exists(c.output));
    }
    EXPECT_EQ(readFile(source_), sourceBytes_);
}

TEST_F(DriverTest, OutputThatIsTheSourceIsRefused) {
    ASSERT_EQ(link(source_.c_str(), dir_.file("hardlink.avi").c_str()), 0);
    const std::vector<std::string> spellings = {
        source_,
        dir_.path() + "/./source.avi",
        dir_.path() + "//source.avi",
        dir_.file("hardlink.avi"),
    };
    for (const std::string& output : spellings) {
        SCOPED_TRACE(output);
        RunResult result = runJob(job(output));
        EXPECT_EQ(result.out, header(output) + "Output file is the source file!\n");
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(readFile(source_), sourceBytes_);
    }
}

// Another run writing the same output holds its lock: this one leaves the
// file alone instead of interleaving frames into it.
TEST_F(DriverTest, AnOutputLockedByAnotherRunIsLeftAlone) {
    const std::string output = dir_.file("out.avi");
    writeFile(output, "another run's frames");
    const int held = open(output.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
    RunResult result = runJob(job(output));
    EXPECT_EQ(result.out, header(output) + "Output file is in use!\n");
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(readFile(output), "another run's frames");

    close(held);  // the other run ended
    result = runJob(job(output));
    EXPECT_EQ(result.out, header(output) + "Finished!\n");
    EXPECT_EQ(readAllFrames(output).size(), 10u);
}

TEST_F(DriverTest, RelativePathsNameFilesInTheCurrentDirectory) {
    RunOptions options;
    options.cwd = dir_.path();
    writeFile(dir_.file("job.txt"),
              jobScriptText({"source.avi", "rel out.avi", "", "FFV1", "1", "32", "24"}));
    RunResult result = runCamdrift({"job.txt"}, options);
    EXPECT_EQ(result.out, header("rel out.avi") + "Finished!\n");
    EXPECT_EQ(readAllFrames(dir_.file("rel out.avi")).size(), 10u);
}

}  // namespace
