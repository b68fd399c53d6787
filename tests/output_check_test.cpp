// An output that didn't receive every frame is never called finished: a
// file-size limit or a full disk end the run with "Output file is
// incomplete!", no muxer and status 1. The check counts the container's
// packets, so it is tested on its own first.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <opencv2/videoio.hpp>
#include <string>

#include "video/packet_count.h"
#include "test_support.h"
#include "video_fixtures.h"

using namespace testing_support;

namespace {

bool writeFrames(const std::string& path, const char* fourcc, int frames) {
    cv::VideoWriter writer(path, cv::CAP_FFMPEG,
                           cv::VideoWriter::fourcc(fourcc[0], fourcc[1], fourcc[2], fourcc[3]),
                           25.0, cv::Size(64, 48), true);
    if (!writer.isOpened()) return false;
    for (int i = 0; i < frames; ++i) writer << patternFrame(64, 48, i);
    return true;
}

TEST(PacketCount, CountsEveryFrameOfEachContainerTheWriterMakes) {
    ScratchDir dir;
    const std::pair<const char*, const char*> cases[] = {
        {"a.avi", "XVID"}, {"b.avi", "MJPG"}, {"c.avi", "FFV1"}, {"d.mkv", "FFV1"},
        {"e.mp4", "mp4v"}, {"f.mp4", "avc1"}, {"g.mov", "mp4v"}};
    for (const auto& [name, fourcc] : cases) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(writeFrames(dir.file(name), fourcc, 37));
        EXPECT_EQ(camdrift::countVideoPackets(dir.file(name)), 37);
    }
}

TEST(PacketCount, ACutFileCountsWhatSurvivedOrNothing) {
    ScratchDir dir;
    ASSERT_TRUE(writeFrames(dir.file("whole.avi"), "FFV1", 40));
    ASSERT_TRUE(writeFrames(dir.file("whole.mp4"), "mp4v", 40));
    const std::string avi = readFile(dir.file("whole.avi"));
    writeFile(dir.file("half.avi"), avi.substr(0, avi.size() / 2));
    const std::optional<int64_t> survived = camdrift::countVideoPackets(dir.file("half.avi"));
    ASSERT_TRUE(survived.has_value());
    EXPECT_GT(*survived, 0);
    EXPECT_LT(*survived, 40);
    // An MP4's index comes last: without it nothing can be read.
    const std::string mp4 = readFile(dir.file("whole.mp4"));
    writeFile(dir.file("cut.mp4"), mp4.substr(0, mp4.size() - 200));
    EXPECT_EQ(camdrift::countVideoPackets(dir.file("cut.mp4")), std::nullopt);
    writeFile(dir.file("text.avi"), "not a video\n");
    EXPECT_EQ(camdrift::countVideoPackets(dir.file("text.avi")), std::nullopt);
    EXPECT_EQ(camdrift::countVideoPackets(dir.file("missing.avi")), std::nullopt);
}

TEST(PacketCount, CountsOnlyTheVideoAndRefusesSoundAlone) {
    ScratchDir dir;
    const std::string clip = dir.file("clip.mp4");
    ASSERT_TRUE(ffmpeg("-f lavfi -i testsrc2=size=96x64:rate=25 -f lavfi -i sine=duration=2 "
                       "-frames:v 18 -c:v libx264 -bf 3 -c:a aac '" + clip + "'"));
    EXPECT_EQ(camdrift::countVideoPackets(clip), 18) << "sound packets are not counted";
    ASSERT_TRUE(ffmpeg("-f lavfi -i sine=duration=0.3 '" + dir.file("a.wav") + "'"));
    EXPECT_EQ(camdrift::countVideoPackets(dir.file("a.wav")), std::nullopt);
}

// Each case runs on both paths: the libav writer reports the failed write
// and stops, OpenCV's is caught by the stop check or the packet count.
class IncompleteOutput : public ::testing::TestWithParam<const char*> {
protected:
    RunOptions videoIo() const {
        RunOptions options;
        options.env["CAMDRIFT_VIDEO_IO"] = GetParam();
        return options;
    }
    void SetUp() override {
        source_ = dir_.file("source.avi");
        ASSERT_TRUE(writePatternVideo(source_, 96, 72, 120, 25.0));
        // Passes the video through as its "muxed" file and leaves a mark.
        muxer_ = dir_.file("mux.sh");
        writeFile(muxer_, "#!/bin/sh\nfor last; do :; done\ncp \"$2\" \"$last\"\ntouch '" +
                              dir_.file("muxer-ran") + "'\n");
        makeExecutable(muxer_);
    }
    std::string job(const std::string& output, const std::string& codec) const {
        return jobScriptText(
            {source_, output, muxer_, codec, "1", "320", "240", {"k 100 50 30 30 0"}});
    }
    // The lines every run prints before the check's verdict.
    std::string expectedStart(const std::string& output) const {
        return "Opened\n96x72@25.000000\t120\nfn2=" + output + "\n";
    }
    void expectIncomplete(const RunResult& result, const std::string& output) const {
        EXPECT_EQ(result.out.rfind(expectedStart(output), 0), 0u) << result.out;
        const std::string verdict = "Output file is incomplete!\n";
        ASSERT_GE(result.out.size(), verdict.size());
        EXPECT_EQ(result.out.substr(result.out.size() - verdict.size()), verdict);
        EXPECT_EQ(result.out.find("Finished!"), std::string::npos);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_FALSE(exists(dir_.file("muxer-ran"))) << "no muxer after an incomplete video";
    }

    ScratchDir dir_;
    std::string source_;
    std::string muxer_;
};

// Past the limit a write fails instead of killing the tool (SIGXFSZ is
// ignored); the frames that did reach the file are kept for the user to see.
TEST_P(IncompleteOutput, AFileSizeLimitIsReportedNotCalledFinished) {
    // An MKV keeps the frames before the limit; an MP4 loses its index and won't open.
    const std::pair<const char*, const char*> cases[] = {{"FFV1", "out.mkv"}, {"mp4v", "out.mp4"}};
    for (const auto& [codec, name] : cases) {
        SCOPED_TRACE(codec);
        const std::string output = dir_.file(name);
        writeFile(dir_.file("job.txt"), job(output, codec));
        const RunResult result =
            run({"/usr/bin/prlimit", "--fsize=300000", camdriftExe(), dir_.file("job.txt")},
                videoIo());
        expectIncomplete(result, output);
        EXPECT_LE(std::filesystem::file_size(output), 300000u);
    }
}

TEST_P(IncompleteOutput, AnUnlimitedRunOfTheSameJobFinishes) {
    const std::string output = dir_.file("out.mkv");
    writeFile(dir_.file("job.txt"), job(output, "FFV1"));
    const RunResult result = runCamdrift({dir_.file("job.txt")}, videoIo());
    EXPECT_EQ(result.out, expectedStart(output) + "Processed: 84% (101 / 120)\nFinished!\n");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_TRUE(exists(dir_.file("muxer-ran")));
    EXPECT_EQ(readAllFrames(output).size(), 120u);
}

// A null device of the test's own: every write succeeds and nothing reads
// back. Not /dev/null itself: the run locks its output, and another run
// writing to /dev/null at the same time would hold that lock.
bool makeNullDevice(const std::string& path) {
    if (mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) return false;
    const int fd = open(path.c_str(), O_WRONLY);
    if (fd < 0) return false;  // a folder on a nodev mount
    const bool wrote = write(fd, "x", 1) == 1;
    close(fd);
    return wrote;
}

// Frames sent to a null device are accepted and gone: a file whose frames
// can't be counted never passes for a complete one.
TEST_P(IncompleteOutput, AnOutputWhoseFramesCantBeCountedIsIncomplete) {
    for (const char* name : {"gone.avi", "gone.mkv"}) {
        SCOPED_TRACE(name);
        const std::string output = dir_.file(name);
        if (!makeNullDevice(output)) {
            GTEST_SKIP() << "making a device node needs root; this case runs in CI, which is root";
        }
        writeFile(dir_.file("job.txt"), job(output, "FFV1"));
        expectIncomplete(runCamdrift({dir_.file("job.txt")}, videoIo()), output);
        EXPECT_TRUE(std::filesystem::is_character_file(output)) << "the device stays as it was";
    }
}

// A tmpfs of its own, mounted for the test and detached afterwards.
class SmallFileSystem {
public:
    SmallFileSystem(const std::string& folder, const std::string& size) : folder_(folder) {
        std::filesystem::create_directory(folder);
        mounted_ = mount("tmpfs", folder.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
    }
    ~SmallFileSystem() {
        if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }

private:
    std::string folder_;
    bool mounted_ = false;
};

// A full disk stops the run at once rather than encoding the rest of the
// video into nowhere.
TEST_P(IncompleteOutput, AFullFileSystemStopsTheRunEarly) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "mounting a small tmpfs needs root; this case runs in CI, which is root";
    }
    SmallFileSystem disk(dir_.file("small"), "400k");
    if (!disk.mounted()) {
        GTEST_SKIP() << "this machine doesn't let root mount a tmpfs here";
    }
    const std::string output = dir_.file("small/out.avi");
    writeFile(dir_.file("job.txt"), job(output, "FFV1"));
    const RunResult result = runCamdrift({dir_.file("job.txt")}, videoIo());
    expectIncomplete(result, output);
    // Had it gone on to the end it would have passed frame 101.
    EXPECT_EQ(result.out.find("(101 / 120)"), std::string::npos) << result.out;
}

INSTANTIATE_TEST_SUITE_P(Paths, IncompleteOutput, ::testing::Values("default", "opencv"));

}  // namespace
