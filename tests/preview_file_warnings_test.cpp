// What the preview tells about the output's folder and name and about the
// muxer: the wording of each fact, then the facts found on real files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "preview/job_probes.h"
#include "preview/job_warnings.h"
#include "preview/preview_input.h"
#include "script/job_script_reader.h"
#include "test_support.h"

using namespace camdrift;
using namespace testing_support;

namespace {

const std::string kWriterFails = "camdrift will print \"Writer not opened!\"";
const std::string kNoSound = "; the output will have no sound\n";

std::vector<std::string> warningLinesOf(const PreviewInput& input) {
    std::vector<std::string> lines;
    for (const Warning& warning : checkJob(input)) lines.push_back(warningLine(warning));
    return lines;
}

struct FactCase {
    const char* name;
    std::string muxer;
    void (*facts)(FileFacts&);
    std::vector<std::string> expected;
};

TEST(FileFactWarnings, SayWhatIsWrong) {
    const std::vector<FactCase> cases = {
        {"folder not writable", "", [](FileFacts& f) { f.outputFolderWritable = false; },
         {"warning: line 3: the output's folder can't be written by this user; " + kWriterFails +
          "\n"}},
        {"a missing folder is only missing", "",
         [](FileFacts& f) {
             f.outputFolderExists = false;
             f.outputFolderWritable = false;
         },
         {"warning: line 3: the output's folder does not exist; " + kWriterFails + "\n"}},
        {"file name too long", "",
         [](FileFacts& f) { f.outputNameTooLong = TooLongName{true, 256, 255}; },
         {"warning: line 3: the output's file name is 256 bytes long; its file system takes "
          "names of at most 255 bytes; " + kWriterFails + "\n"}},
        // A folder with too long a name can't exist; that it doesn't is no news.
        {"folder name too long", "",
         [](FileFacts& f) {
             f.outputFolderExists = false;
             f.outputNameTooLong = TooLongName{false, 300, 255};
         },
         {"warning: line 3: a folder name in the output's path is 300 bytes long; its file "
          "system takes names of at most 255 bytes; " + kWriterFails + "\n"}},
        {"muxer missing", "/opt/none/ffmpeg",
         [](FileFacts& f) {
             f.muxerExists = false;
             f.muxerIsExecutable = false;
         },
         {"warning: line 4: muxer \"/opt/none/ffmpeg\" does not exist" + kNoSound}},
        {"bare name that PATH has", "ffmpeg",
         [](FileFacts& f) {
             f.muxerExists = false;
             f.muxerIsExecutable = false;
             f.muxerOnPath = "/usr/bin/ffmpeg";
         },
         {"warning: line 4: muxer \"ffmpeg\" does not exist (camdrift doesn't look it up on "
          "PATH: write \"/usr/bin/ffmpeg\")" + kNoSound}},
        {"bare name that PATH hasn't", "ffmpeg",
         [](FileFacts& f) {
             f.muxerExists = false;
             f.muxerIsExecutable = false;
         },
         {"warning: line 4: muxer \"ffmpeg\" does not exist (camdrift doesn't look it up on "
          "PATH)" + kNoSound}},
        {"bare name of a file that doesn't run", "mux.sh",
         [](FileFacts& f) { f.muxerIsExecutable = false; },
         {"warning: line 4: muxer \"mux.sh\" is not an executable file (camdrift doesn't look "
          "it up on PATH)" + kNoSound}},
        {"bare name that runs", "mux.sh", [](FileFacts&) {}, {}},
    };
    for (const FactCase& c : cases) {
        SCOPED_TRACE(c.name);
        PreviewInput input = readPreviewInput(
            decodeJobScriptBytes(
                jobScriptText("in.avi", "out.avi", c.muxer, "XVID", "1.5", 640, 360)),
            ".");
        input.source = SourceInfo{1280, 720, 25.0, 250, 0};
        input.files.writerOpens = true;
        c.facts(input.files);
        EXPECT_EQ(warningLinesOf(input), c.expected);
    }
}

// ---- Facts found on disk ----

// Names are limited in bytes, not characters; common Linux file systems
// take 255 of them.
TEST(FileFactProbes, NamesOverTheFileSystemsLimit) {
    ScratchDir dir;
    EXPECT_FALSE(tooLongNameIn(dir.file(std::string(255, 'a'))));
    const std::optional<TooLongName> file = tooLongNameIn(dir.file(std::string(256, 'a')));
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->isFileName);
    EXPECT_EQ(file->bytes, 256u);
    EXPECT_EQ(file->mostBytes, 255);
    std::string accents;
    for (int i = 0; i < 128; ++i) accents += "\xc3\xa9";  // é, two bytes each
    const std::optional<TooLongName> wide = tooLongNameIn(dir.file(accents));
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->bytes, 256u);
    const std::optional<TooLongName> folder =
        tooLongNameIn(dir.file(std::string(300, 'b') + "/c/out.avi"));
    ASSERT_TRUE(folder);
    EXPECT_FALSE(folder->isFileName);
    EXPECT_EQ(folder->bytes, 300u);
    EXPECT_FALSE(tooLongNameIn("out.avi"));
}

TEST(FileFactProbes, SearchPathFindsTheFirstExecutable) {
    ScratchDir dir;
    for (const char* folder : {"none", "plain", "runs"}) {
        std::filesystem::create_directory(dir.file(folder));
    }
    writeFile(dir.file("plain/mux"), "#!/bin/sh\n");  // never made executable
    writeFile(dir.file("runs/mux"), "#!/bin/sh\n");
    makeExecutable(dir.file("runs/mux"));
    const std::string none = dir.file("none");
    const std::string plain = dir.file("plain");
    const std::string runs = dir.file("runs");
    EXPECT_EQ(findOnSearchPath("mux", none + "::" + plain + ":" + runs), runs + "/mux");
    EXPECT_EQ(findOnSearchPath("mux", runs + "/"), runs + "/mux");
    EXPECT_EQ(findOnSearchPath("mux", none + ":" + plain), "");
    EXPECT_EQ(findOnSearchPath("mux", ""), "");
}

// True when a user other than the owner can reach and run the file: every
// folder above it and the file itself have the "others" execute bit.
bool othersCanRun(const std::filesystem::path& file) {
    for (std::filesystem::path at = file; at != at.parent_path(); at = at.parent_path()) {
        struct stat info;
        if (stat(at.c_str(), &info) != 0 || (info.st_mode & S_IXOTH) == 0) return false;
    }
    return true;
}

std::vector<std::string> warningLinesIn(const std::string& output) {
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("warning: ", 0) == 0) lines.push_back(line + "\n");
    }
    return lines;
}

class FileFactsOnDisk : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(writePatternVideo(source_, 64, 48, 10)); }

    std::string script(const std::string& output, const std::string& muxer = "") const {
        return jobScriptText(source_, output, muxer, "FFV1", "1", 64, 48);
    }
    RunResult preview(const std::string& text, const RunOptions& options = {}) const {
        writeFile(dir_.file("job.txt"), text);
        return runCamdriftPreview({dir_.file("job.txt")}, options);
    }

    ScratchDir dir_;
    const std::string source_ = dir_.file("source.avi");
};

// Root writes into any folder whatever its mode bits, so as root the
// preview runs as the unprivileged user "nobody" through setpriv.
TEST_F(FileFactsOnDisk, FolderThatCantBeWritten) {
    std::vector<std::string> asUser;
    if (geteuid() == 0) {
        if (!exists("/usr/bin/setpriv")) GTEST_SKIP() << "running as root and setpriv is missing";
        if (!othersCanRun(camdriftPreviewExe())) {
            GTEST_SKIP() << "running as root, and user nobody can't reach "
                         << camdriftPreviewExe();
        }
        asUser = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        std::filesystem::permissions(dir_.path(),
                                     std::filesystem::perms::others_read |
                                         std::filesystem::perms::others_exec,
                                     std::filesystem::perm_options::add);
    }
    const std::string folder = dir_.file("read-only");
    std::filesystem::create_directory(folder);
    std::filesystem::permissions(folder,
                                 std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    writeFile(dir_.file("job.txt"), script(folder + "/out.avi"));
    std::vector<std::string> argv = asUser;
    argv.push_back(camdriftPreviewExe());
    argv.push_back(dir_.file("job.txt"));
    const RunResult result = run(argv);
    EXPECT_EQ(warningLinesIn(result.out),
              std::vector<std::string>{"warning: line 3: the output's folder can't be written "
                                       "by this user; " + kWriterFails + "\n"})
        << result.out;
    EXPECT_EQ(result.exitStatus, 1);

    // The folder as its owner sees it, and as the user nobody sees a writable one.
    std::filesystem::permissions(folder, std::filesystem::perms::all,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(warningLinesIn(run(argv).out), std::vector<std::string>{});
}

// The run itself fails on a name one byte too long, as the warning says.
TEST_F(FileFactsOnDisk, FileNameTooLong) {
    const std::string fits = dir_.file(std::string(251, 'n') + ".avi");
    const std::string over = dir_.file(std::string(296, 'n') + ".avi");
    EXPECT_EQ(warningLinesIn(preview(script(fits)).out), std::vector<std::string>{});
    const RunResult result = preview(script(over));
    EXPECT_EQ(warningLinesIn(result.out),
              std::vector<std::string>{"warning: line 3: the output's file name is 300 bytes "
                                       "long; its file system takes names of at most 255 bytes; " +
                                       kWriterFails + "\n"});
    EXPECT_EQ(result.exitStatus, 1);
    const RunResult ran = runCamdrift({dir_.file("job.txt")});
    EXPECT_NE(ran.out.find("Writer not opened!\n"), std::string::npos) << ran.out;
}

struct MuxerCase {
    const char* name;
    std::string muxer;  // as line 4 has it; the preview runs in the scratch folder
    std::vector<std::string> expected;
};

TEST_F(FileFactsOnDisk, MuxerMissingNotExecutableOrOnlyOnPath) {
    std::filesystem::create_directory(dir_.file("bin"));
    writeFile(dir_.file("bin/mymux"), "#!/bin/sh\n");
    makeExecutable(dir_.file("bin/mymux"));
    writeFile(dir_.file("plain.sh"), "#!/bin/sh\n");  // never made executable
    writeFile(dir_.file("runs.sh"), "#!/bin/sh\n");
    makeExecutable(dir_.file("runs.sh"));
    const std::vector<MuxerCase> cases = {
        {"missing", dir_.file("none/ffmpeg"),
         {"warning: line 4: muxer \"" + dir_.file("none/ffmpeg") + "\" does not exist" +
          kNoSound}},
        {"not executable", dir_.file("plain.sh"),
         {"warning: line 4: muxer \"" + dir_.file("plain.sh") + "\" is not an executable file" +
          kNoSound}},
        {"a folder", dir_.file("bin"),
         {"warning: line 4: muxer \"" + dir_.file("bin") + "\" is not an executable file" +
          kNoSound}},
        {"bare name on PATH", "mymux",
         {"warning: line 4: muxer \"mymux\" does not exist (camdrift doesn't look it up on "
          "PATH: write \"" + dir_.file("bin/mymux") + "\")" + kNoSound}},
        {"bare name nowhere", "nomux",
         {"warning: line 4: muxer \"nomux\" does not exist (camdrift doesn't look it up on "
          "PATH)" + kNoSound}},
        {"bare name in the current folder", "runs.sh", {}},
        {"relative path", "./runs.sh", {}},
    };
    RunOptions options;
    options.cwd = dir_.path();
    options.env["PATH"] = dir_.file("bin");
    for (const MuxerCase& c : cases) {
        SCOPED_TRACE(c.name);
        const RunResult result = preview(script(dir_.file("out.avi"), c.muxer), options);
        EXPECT_EQ(warningLinesIn(result.out), c.expected) << result.out;
    }
}

}  // namespace
