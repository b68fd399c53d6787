// Ctrl+C, SIGTERM and SIGHUP (a closed terminal or SSH session) sent to a
// running camdrift: the output written so far stays a playable video, the
// muxer's leftovers go, and the run says so.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstring>
#include <filesystem>

#include "running_process.h"
#include "test_support.h"

using namespace testing_support;

namespace {

constexpr int kSourceFrames = 600;

class InterruptTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        source_ = dir_.file("src.avi");
        output_ = dir_.file("out.avi");
        ASSERT_TRUE(makeClipWithSound(source_, 32, 24, kSourceFrames));
        sourceBytes_ = readFile(source_);
    }
    // A large lossless output keeps the run busy long enough to be caught.
    void writeJob(const std::string& muxer) {
        writeFile(dir_.file("job.txt"),
                  jobScriptText(
                      {source_, output_, muxer, "FFV1", "1", "1280", "720", {"k 50 50 30 30 0"}}));
    }
    std::vector<std::string> folderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    ScratchDir dir_;
    std::string source_;
    std::string output_;
    std::string sourceBytes_;
};

TEST_P(InterruptTest, DuringFramesKeepsAPlayableOutputAndSkipsTheRemux) {
    const std::string marker = dir_.file("muxer-ran");
    writeFile(dir_.file("mux.sh"), "#!/bin/sh\ntouch '" + marker + "'\n");
    makeExecutable(dir_.file("mux.sh"));
    writeJob(dir_.file("mux.sh"));

    RunningProcess tool({camdriftExe(), dir_.file("job.txt")});
    ASSERT_TRUE(tool.waitForOutput("Processed: ", 60));
    tool.signal(GetParam());
    RunResult result = tool.finish();

    EXPECT_EQ(result.exitStatus, 130);
    ASSERT_GE(result.out.size(), 13u);
    EXPECT_EQ(result.out.substr(result.out.size() - 13), "Interrupted!\n");
    EXPECT_EQ(result.out.find("Finished!"), std::string::npos);
    const size_t written = readAllFrames(output_).size();
    EXPECT_GE(written, 101u);
    EXPECT_LT(written, static_cast<size_t>(kSourceFrames));
    EXPECT_FALSE(exists(marker));
    EXPECT_EQ(readFile(source_), sourceBytes_);
}

TEST_P(InterruptTest, DuringTheRemuxReachesTheMuxerAndRemovesItsFile) {
    const std::string marker = dir_.file("muxer-started");
    // Writes half a file, says so, then waits to be signalled.
    writeFile(dir_.file("mux.sh"),
              "#!/bin/sh\nfor last; do :; done\nprintf 'half a file' > \"$last\"\n"
              "touch '" + marker + "'\nexec sleep 60\n");
    makeExecutable(dir_.file("mux.sh"));
    writeFile(dir_.file("job.txt"),
              jobScriptText({source_, output_, dir_.file("mux.sh"), "FFV1", "1", "32", "24"}));

    RunningProcess tool({camdriftExe(), dir_.file("job.txt")});
    ASSERT_TRUE(waitForFile(marker, 60));
    const std::string videoOnly = readFile(output_);
    tool.signal(GetParam());
    RunResult result = tool.finish();

    EXPECT_EQ(result.exitStatus, 130);
    EXPECT_EQ(result.out.find("Finished!"), std::string::npos);
    EXPECT_NE(result.out.find("Interrupted!\n"), std::string::npos);
    EXPECT_EQ(readFile(output_), videoOnly);
    EXPECT_EQ(folderEntries(),
              (std::vector<std::string>{"job.txt", "mux.sh", "muxer-started", "out.avi", "src.avi"}));
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptTest, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(sigabbrev_np(info.param));
                         });

}  // namespace
