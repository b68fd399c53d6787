// The libav writer against OpenCV's writer: the same file bytes for every
// reproduced fourcc and container, the same open outcome everywhere, and
// the errors OpenCV swallows reported.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <opencv2/videoio.hpp>

#include "test_support.h"
#include "video/av_writer.h"
#include "video/packet_count.h"
#include "video_fixtures.h"

namespace {

using camdrift::AvWriter;
using camdrift::WriterVerdict;
using testing_support::readFile;
using testing_support::writerTestFrame;

int fourcc(const std::string& code) {
    return cv::VideoWriter::fourcc(code[0], code[1], code[2], code[3]);
}

constexpr int kFrames = 7;

bool writeWithOpenCv(const std::string& path, const std::string& code, double fps, cv::Size size) {
    cv::VideoWriter writer;
    if (!writer.open(path, cv::CAP_FFMPEG, fourcc(code), fps, size, true)) {
        return false;
    }
    for (int i = 0; i < kFrames; ++i) {
        writer.write(writerTestFrame(size, i));
    }
    writer.release();
    return true;
}

struct ReplicaRun {
    WriterVerdict verdict = WriterVerdict::OpenCvFailsToo;
    std::string why;
    bool allWritten = false;
    bool closed = false;
    int64_t packets = -1;
};

ReplicaRun writeWithReplica(const std::string& path, const std::string& code, double fps,
                            cv::Size size) {
    ReplicaRun run;
    auto opened = AvWriter::open(path, fourcc(code), fps, size, true);
    run.verdict = opened.verdict;
    run.why = opened.why;
    if (!opened.writer) {
        return run;
    }
    run.allWritten = true;
    for (int i = 0; i < kFrames; ++i) {
        run.allWritten = opened.writer->write(writerTestFrame(size, i)) && run.allWritten;
    }
    run.closed = opened.writer->close();
    run.packets = opened.writer->packetsWritten();
    return run;
}

// The first differing offset, or npos.
size_t firstDifference(const std::string& a, const std::string& b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        if (a[i] != b[i]) return i;
    }
    return a.size() == b.size() ? std::string::npos : common;
}

// Matroska files carry random UIDs (and CRCs over them), different in each
// write; those elements are found by their IDs and blanked on both sides.
std::string comparableBytes(const std::string& path, const std::string& extension) {
    const std::string bytes = readFile(path);
    return extension == "mkv" ? testing_support::withoutMatroskaUids(bytes) : bytes;
}

struct WriterCase {
    const char* fourcc;
    const char* extension;
};

void checkAgainstOpenCv(const WriterCase& c, cv::Size size) {
    testing_support::ScratchDir dir;
    const std::string ours = dir.file(std::string("ours.") + c.extension);
    const std::string theirs = dir.file(std::string("theirs.") + c.extension);
    const double fps = 25;

    const bool openCvOpened = writeWithOpenCv(theirs, c.fourcc, fps, size);
    const ReplicaRun run = writeWithReplica(ours, c.fourcc, fps, size);
    if (!openCvOpened) {
        EXPECT_EQ(run.verdict, WriterVerdict::OpenCvFailsToo) << run.why;
        EXPECT_FALSE(testing_support::exists(ours)) << "a failed open leaves no file";
        return;
    }
    EXPECT_EQ(run.verdict, WriterVerdict::Reproduced) << run.why;
    if (run.verdict != WriterVerdict::Reproduced) {
        return;
    }
    EXPECT_TRUE(run.allWritten);
    EXPECT_TRUE(run.closed);
    const std::string expected = comparableBytes(theirs, c.extension);
    const std::string actual = comparableBytes(ours, c.extension);
    const size_t at = firstDifference(expected, actual);
    EXPECT_EQ(at, std::string::npos) << "files differ at byte " << at << " (sizes "
                                     << expected.size() << " and " << actual.size() << ")";
    EXPECT_EQ(run.packets, camdrift::countVideoPackets(ours).value_or(-2));
}

class WriterReplica : public ::testing::TestWithParam<WriterCase> {};

// Even and odd sizes in one test: ctest starts a process per test.
TEST_P(WriterReplica, WritesOpenCvsBytesOrFailsLikeIt) {
    for (const cv::Size size : {cv::Size(96, 64), cv::Size(97, 63)}) {
        SCOPED_TRACE(testing::Message() << size);
        checkAgainstOpenCv(GetParam(), size);
    }
}

// Every reproduced fourcc in every reproduced container, FFV1 in MP4 (which
// OpenCV fails to open) included.
std::vector<WriterCase> writerCases() {
    std::vector<WriterCase> cases;
    for (const char* code : {"XVID", "MJPG", "FFV1", "mp4v", "avc1", "DIVX", "FMP4", "H264", "X264"}) {
        for (const char* extension : {"avi", "mp4", "mkv", "mov"}) {
            cases.push_back({code, extension});
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Matrix, WriterReplica, ::testing::ValuesIn(writerCases()),
                         [](const ::testing::TestParamInfo<WriterCase>& info) {
                             return std::string(info.param.fourcc) + "_" + info.param.extension;
                         });

// Arguments OpenCV's writer refuses: the replica says OpenCV fails too,
// leaves no file, and OpenCV indeed fails.
struct RefusedCase {
    const char* name;
    const char* file;  // under the scratch folder
    const char* fourcc;
    double fps;
    cv::Size size;
};

class WriterRefusal : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(WriterRefusal, FailsWhereOpenCvFails) {
    const RefusedCase c = GetParam();
    testing_support::ScratchDir dir;
    const std::string path = dir.file(c.file);
    cv::VideoWriter writer;
    bool openCvOpened = false;
    try {
        openCvOpened = writer.open(path, cv::CAP_FFMPEG, fourcc(c.fourcc), c.fps, c.size, true);
    } catch (const cv::Exception&) {
    }
    writer.release();
    EXPECT_FALSE(openCvOpened);
    std::remove(path.c_str());
    const auto opened = AvWriter::open(path, fourcc(c.fourcc), c.fps, c.size, true);
    EXPECT_EQ(opened.verdict, WriterVerdict::OpenCvFailsToo) << opened.why;
    EXPECT_EQ(opened.writer, nullptr);
    EXPECT_FALSE(opened.why.empty());
    EXPECT_FALSE(testing_support::exists(path));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, WriterRefusal,
    ::testing::Values(RefusedCase{"unknown_fourcc", "out.avi", "QQQQ", 25, {96, 64}},
                      RefusedCase{"missing_folder", "no/such/folder/out.avi", "XVID", 25, {96, 64}},
                      RefusedCase{"unknown_extension", "out.qqq", "XVID", 25, {96, 64}},
                      RefusedCase{"no_extension", "out", "XVID", 25, {96, 64}},
                      RefusedCase{"zero_fps", "out.avi", "XVID", 0, {96, 64}},
                      RefusedCase{"negative_fps", "out.avi", "XVID", -25, {96, 64}},
                      RefusedCase{"one_pixel_wide", "out.avi", "XVID", 25, {1, 64}},
                      RefusedCase{"one_pixel_high", "out.avi", "MJPG", 25, {96, 1}},
                      RefusedCase{"ffv1_in_mp4", "out.mp4", "FFV1", 25, {96, 64}}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return info.param.name; });

TEST(WriterFallback, LeavesOtherCodecsAndGrayToOpenCv) {
    testing_support::ScratchDir dir;
    struct Case {
        std::string file, fourcc;
        bool isColor;
    };
    for (const Case& c : {Case{"out.avi", "HFYU", true}, Case{"out.avi", "MPG2", true},
                          Case{"out.avi", "XVID", false}, Case{"out.webm", "VP80", true}}) {
        const auto opened = AvWriter::open(dir.file(c.file), fourcc(c.fourcc), 25, {96, 64}, c.isColor);
        EXPECT_EQ(opened.verdict, WriterVerdict::UseOpenCv) << c.fourcc << " " << c.file;
        EXPECT_EQ(opened.writer, nullptr);
        EXPECT_FALSE(testing_support::exists(dir.file(c.file))) << "decided before any file";
    }
}

TEST(WriterFrames, RefusesFramesOfAnotherSizeWithoutCountingThem) {
    testing_support::ScratchDir dir;
    auto opened = AvWriter::open(dir.file("out.avi"), fourcc("MJPG"), 25, {97, 63}, true);
    ASSERT_NE(opened.writer, nullptr);
    AvWriter& w = *opened.writer;
    EXPECT_TRUE(w.write(writerTestFrame({96, 62}, 0))) << "the even part is what counts";
    EXPECT_TRUE(w.write(writerTestFrame({97, 63}, 1)));
    EXPECT_FALSE(w.write(writerTestFrame({98, 62}, 2)));
    EXPECT_FALSE(w.write(cv::Mat(62, 96, CV_8UC1, cv::Scalar(9))));
    EXPECT_EQ(w.framesWritten(), 2);
    EXPECT_TRUE(w.close());
    EXPECT_EQ(camdrift::countVideoPackets(dir.file("out.avi")), 2);
}

// Runs `body` in a child process whose files may not grow past `limit`
// bytes (SIGXFSZ ignored, so writes fail with EFBIG); returns its exit code.
int inChildWithFileLimit(rlim_t limit, const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit r{limit, limit};
        setrlimit(RLIMIT_FSIZE, &r);
        _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST(WriterErrors, AFileSizeLimitFailsWriteAndClose) {
    testing_support::ScratchDir dir;
    const std::string path = dir.file("limited.avi");
    // Exit codes: 0 all as expected; 1 didn't open; 2 no write failed;
    // 3 close succeeded; 4 writes went on succeeding after the first failure
    // was reported and packets kept being counted.
    const int code = inChildWithFileLimit(64 * 1024, [&]() {
        auto opened = AvWriter::open(path, fourcc("MJPG"), 25, {320, 240}, true);
        if (!opened.writer) {
            return 1;
        }
        bool failed = false;
        for (int i = 0; i < 200 && !failed; ++i) {
            cv::Mat noise(240, 320, CV_8UC3);
            cv::randu(noise, 0, 255);
            failed = !opened.writer->write(noise);
        }
        if (!failed) {
            return 2;
        }
        const int64_t packets = opened.writer->packetsWritten();
        if (opened.writer->close()) {
            return 3;
        }
        return packets < 200 ? 0 : 4;
    });
    EXPECT_EQ(code, 0);
}

TEST(WriterErrors, AFullDiskFailsTheWriter) {
    testing_support::ScratchDir dir;
    const std::string path = dir.file("full.avi");
    ASSERT_EQ(symlink("/dev/full", path.c_str()), 0);
    auto opened = AvWriter::open(path, fourcc("MJPG"), 25, {320, 240}, true);
    if (opened.writer == nullptr) {
        // The header alone can fail; then OpenCV can't open either.
        EXPECT_EQ(opened.verdict, WriterVerdict::OpenCvFailsToo);
        return;
    }
    bool failed = false;
    for (int i = 0; i < 100 && !failed; ++i) {
        cv::Mat noise(240, 320, CV_8UC3);
        cv::randu(noise, 0, 255);
        failed = !opened.writer->write(noise);
    }
    EXPECT_TRUE(failed || !opened.writer->close());
    EXPECT_FALSE(opened.writer->close());
}

}  // namespace
