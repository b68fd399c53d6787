// The job script read is bounded in size and never waits for a pipe's writer.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/platform.h"
#include "script/job_script_reader.h"
#include "test_support.h"

using camdrift::platform::readWholeFile;
using testing_support::ScratchDir;
using testing_support::writeFile;

namespace {

TEST(ScriptFileBound, ReadsUpToTheLimitAndRefusesOneByteMore) {
    ScratchDir dir;
    const std::string path = dir.file("job.txt");
    const std::string bytes(100'000, 'k');  // more than one read's chunk
    writeFile(path, bytes);
    EXPECT_EQ(readWholeFile(path, bytes.size()), bytes);
    EXPECT_EQ(readWholeFile(path, bytes.size() - 1), std::nullopt);
    EXPECT_EQ(readWholeFile(path, 0), std::nullopt);
    writeFile(path, "");
    EXPECT_EQ(readWholeFile(path, 0), std::string());
}

TEST(ScriptFileBound, EndlessDeviceIsRefused) {
    EXPECT_EQ(readWholeFile("/dev/zero", 1 << 20), std::nullopt);
}

TEST(ScriptFileBound, NamedPipeWithoutWriterReadsAsEmpty) {
    ScratchDir dir;
    const std::string path = dir.file("pipe");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(readWholeFile(path, camdrift::kMaxScriptBytes), std::string());
}

}  // namespace
