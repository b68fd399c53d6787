// What the preview tells about the output's folder and name and about the
// muxer: which fact is told when several hold, then the facts on real files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "preview/job_facts.h"
#include "preview/job_warnings.h"
#include "script/job_script_reader.h"
#include "test_support.h"

using namespace camdrift;
using namespace testing_support;

namespace {

const std::string kWriterFails = "camdrift will print \"Writer not opened!\"";
const std::string kNoSound = "; the output will have no sound\n";

struct FactCase {
    std::string muxer;
    void (*facts)(FileFacts&);
    std::string expected;
};

TEST(FileFactWarnings, OnlyTheCauseIsTold) {
    const std::vector<FactCase> cases = {
        {"",
         [](FileFacts& f) {
             f.outputFolderExists = false;
             f.outputFolderWritable = false;
         },
         "warning: line 3: the output's folder does not exist; " + kWriterFails + "\n"},
        // A folder whose name is too long can't exist.
        {"",
         [](FileFacts& f) {
             f.outputFolderExists = false;
             f.outputNameTooLong = TooLongName{false, 300, 255};
         },
         "warning: line 3: a folder name in the output's path is 300 bytes long; its file "
         "system takes names of at most 255 bytes; " + kWriterFails + "\n"},
        {"mux.sh", [](FileFacts& f) { f.muxerIsExecutable = false; },
         "warning: line 4: muxer \"mux.sh\" is not an executable file (camdrift doesn't look it "
         "up on PATH)" + kNoSound},
    };
    for (const FactCase& c : cases) {
        SCOPED_TRACE(c.expected);
        PreviewInput input = readPreviewInput(
            decodeJobScriptBytes(
                jobScriptText({"in.avi", "out.avi", c.muxer, "XVID", "1.5", "640", "360"})),
            ".");
        input.source = SourceInfo{1280, 720, 25.0, 250, 0};
        input.files.writerOpens = true;
        c.facts(input.files);
        std::vector<std::string> lines;
        for (const Warning& warning : checkJob(input)) lines.push_back(warningLine(warning));
        EXPECT_EQ(lines, std::vector<std::string>{c.expected});
    }
}

// Names are limited in bytes, not characters; common Linux file systems
// take 255 of them.
TEST(FileFactProbes, NamesOverTheFileSystemsLimit) {
    ScratchDir dir;
    EXPECT_FALSE(tooLongNameIn(dir.file(std::string(255, 'a'))));
    std::string accents;
    for (int i = 0; i < 128; ++i) accents += "\xc3\xa9";  // é, two bytes each
    for (const std::string& name : {std::string(256, 'a'), accents}) {
        const std::optional<TooLongName> file = tooLongNameIn(dir.file(name));
        ASSERT_TRUE(file);
        EXPECT_TRUE(file->isFileName);
        EXPECT_EQ(file->bytes, 256u);
        EXPECT_EQ(file->mostBytes, 255);
    }
    const std::optional<TooLongName> folder =
        tooLongNameIn(dir.file(std::string(300, 'b') + "/c/out.avi"));
    ASSERT_TRUE(folder);
    EXPECT_FALSE(folder->isFileName);
}

class FileFactsOnDisk : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(writePatternVideo(source_, 64, 48, 10)); }

    void writeJob(const std::string& output, const std::string& muxer = "") const {
        writeFile(dir_.file("job.txt"),
                  jobScriptText({source_, output, muxer, "FFV1", "1", "64", "48"}));
    }

    ScratchDir dir_;
    const std::string source_ = dir_.file("source.avi");
};

// Root writes into any folder whatever its mode bits, so as root the
// preview runs as the unprivileged user "nobody" through setpriv.
TEST_F(FileFactsOnDisk, FolderThatCantBeWritten) {
    std::vector<std::string> argv;
    if (geteuid() == 0) {
        if (!exists("/usr/bin/setpriv")) GTEST_SKIP() << "running as root and setpriv is missing";
        if (!othersCanRun(camdriftPreviewExe())) {
            GTEST_SKIP() << "running as root, and user nobody can't reach " << camdriftPreviewExe();
        }
        argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        std::filesystem::permissions(dir_.path(), std::filesystem::perms::others_exec,
                                     std::filesystem::perm_options::add);
    }
    argv.push_back(camdriftPreviewExe());
    argv.push_back(dir_.file("job.txt"));
    const std::string folder = dir_.file("folder");
    std::filesystem::create_directory(folder);
    writeJob(folder + "/out.avi");
    using std::filesystem::perms;
    std::filesystem::permissions(folder, perms::owner_read | perms::owner_exec |
                                             perms::group_exec | perms::others_exec);
    const RunResult result = run(argv);
    EXPECT_EQ(previewWarnings(result.out),
              std::vector<std::string>{"warning: line 3: the output's folder can't be written "
                                       "by this user; " + kWriterFails + "\n"})
        << result.out;
    EXPECT_EQ(result.exitStatus, 1);
    std::filesystem::permissions(folder, perms::all);
    EXPECT_EQ(previewWarnings(run(argv).out), std::vector<std::string>{});
}

// camdrift itself stops on the name, as the warning says.
TEST_F(FileFactsOnDisk, FileNameOf300Characters) {
    writeJob(dir_.file(std::string(296, 'n') + ".avi"));
    const RunResult result = runCamdriftPreview({dir_.file("job.txt")});
    EXPECT_EQ(previewWarnings(result.out),
              std::vector<std::string>{"warning: line 3: the output's file name is 300 bytes "
                                       "long; its file system takes names of at most 255 bytes; " +
                                       kWriterFails + "\n"});
    EXPECT_NE(runCamdrift({dir_.file("job.txt")}).out.find("Writer not opened!\n"),
              std::string::npos);
}

// The preview runs in the scratch folder with PATH holding only bin/.
TEST_F(FileFactsOnDisk, MuxerMissingNotExecutableOrOnlyOnPath) {
    std::filesystem::create_directory(dir_.file("bin"));
    for (const char* script : {"bin/mymux", "plain.sh", "runs.sh"}) {
        writeFile(dir_.file(script), "#!/bin/sh\n");
    }
    makeExecutable(dir_.file("bin/mymux"));
    makeExecutable(dir_.file("runs.sh"));
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {dir_.file("none/ffmpeg"),
         {"warning: line 4: muxer \"" + dir_.file("none/ffmpeg") + "\" does not exist" +
          kNoSound}},
        {dir_.file("plain.sh"),
         {"warning: line 4: muxer \"" + dir_.file("plain.sh") + "\" is not an executable file" +
          kNoSound}},
        {"mymux",
         {"warning: line 4: muxer \"mymux\" does not exist (camdrift doesn't look it up on "
          "PATH: write \"" + dir_.file("bin/mymux") + "\")" + kNoSound}},
        {"nomux",
         {"warning: line 4: muxer \"nomux\" does not exist (camdrift doesn't look it up on "
          "PATH)" + kNoSound}},
        {"runs.sh", {}},
    };
    RunOptions options;
    options.cwd = dir_.path();
    options.env["PATH"] = dir_.file("bin");
    for (const auto& [muxer, expected] : cases) {
        SCOPED_TRACE(muxer);
        writeJob(dir_.file("out.avi"), muxer);
        EXPECT_EQ(previewWarnings(runCamdriftPreview({dir_.file("job.txt")}, options).out),
                  expected);
    }
}

}  // namespace
