#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "script/job_script_reader.h"
#include "test_support.h"

using namespace camdrift;
using testing_support::ScratchDir;
using testing_support::writeFile;

namespace {

TEST(JobScriptFile, ReadsAWindowsFileWithAByteOrderMark) {
    ScratchDir dir;
    const std::string path = dir.file("job.txt");
    writeFile(path, "\xEF\xBB\xBFjob\r\nin \xC3\xA9.avi\r\nout.avi\r\n\r\nMJPG\r\n2\r\n64\r\n48\r\n"
                    "k 5 50 50 50 0\r\n");
    ReadReport report;
    const std::optional<JobScript> script = readJobScript(path, ".", &report);
    ASSERT_TRUE(script.has_value());
    EXPECT_EQ(script->inputPath, u"in \u00E9.avi");
    EXPECT_EQ(script->outputPath, u"out.avi");
    EXPECT_EQ(script->muxerPath, u"");
    EXPECT_EQ(std::string(script->codecCode.begin(), script->codecCode.begin() + 6),
              std::string("MJPG\n\0", 6));
    EXPECT_EQ(script->outputWidth, 64);
    EXPECT_EQ(script->outputHeight, 48);
    EXPECT_EQ(script->keyframes.size(), 1u);
    EXPECT_EQ(report.lineCount, 10);
}

TEST(JobScriptFile, EmptyFileReadsAsEmptyText) {
    ScratchDir dir;
    writeFile(dir.file("empty.txt"), "");
    EXPECT_EQ(readJobScriptText(dir.file("empty.txt")), std::u16string());
}

TEST(JobScriptFile, MissingFileOrDirectoryCantBeOpened) {
    ScratchDir dir;
    EXPECT_FALSE(readJobScriptText(dir.file("missing.txt")).has_value());
    EXPECT_FALSE(readJobScript(dir.file("missing.txt"), ".").has_value());
    EXPECT_FALSE(readJobScriptText(dir.path()).has_value());
    EXPECT_FALSE(readJobScript(dir.path(), ".").has_value());
}

TEST(JobScriptFile, UnreadableFileCantBeOpened) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    ScratchDir dir;
    const std::string path = dir.file("locked.txt");
    writeFile(path, "job\n");
    chmod(path.c_str(), 0);
    EXPECT_FALSE(readJobScriptText(path).has_value());
}

}  // namespace
