// The job script read is bounded in size and never waits for a pipe's writer.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "script/script_file.h"
#include "test_support.h"

using camdrift::readFileBytes;
using testing_support::ScratchDir;
using testing_support::writeFile;

namespace {

TEST(ScriptFileBound, ReadsUpToTheLimitAndRefusesOneByteMore) {
    ScratchDir dir;
    const std::string path = dir.file("job.txt");
    const std::string bytes(100'000, 'k');  // more than one read's chunk
    writeFile(path, bytes);
    EXPECT_EQ(readFileBytes(path, bytes.size()), bytes);
    EXPECT_EQ(readFileBytes(path, bytes.size() - 1), std::nullopt);
    EXPECT_EQ(readFileBytes(path, 0), std::nullopt);
    writeFile(path, "");
    EXPECT_EQ(readFileBytes(path, 0), std::string());
}

TEST(ScriptFileBound, EndlessDeviceIsRefused) {
    EXPECT_EQ(readFileBytes("/dev/zero", 1 << 20), std::nullopt);
}

TEST(ScriptFileBound, NamedPipeWithoutWriterReadsAsEmpty) {
    ScratchDir dir;
    const std::string path = dir.file("pipe");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(readFileBytes(path), std::string());
}

}  // namespace
