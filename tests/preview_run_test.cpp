// camdrift-preview as a user runs it: exit statuses, what it prints, the
// facts it finds on disk, the frames it decodes and the sheet it draws.
#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>

#include <filesystem>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/videoio.hpp>

#include "preview/contact_sheet.h"
#include "preview/sheet_geometry.h"
#include "render/crop_rect.h"
#include "render/view_track.h"
#include "test_support.h"

using namespace testing_support;

namespace {

constexpr int kSourceWidth = 320;
constexpr int kSourceHeight = 180;
constexpr int kSourceFrames = 20;

class PreviewRun : public ::testing::Test {
protected:
    void SetUp() override {
        source_ = dir_.file("source.avi");
        ASSERT_TRUE(writePatternVideo(source_, kSourceWidth, kSourceHeight, kSourceFrames));
        tempDir_ = dir_.file("tmp");
        std::filesystem::create_directory(tempDir_);
    }

    std::string script(const std::vector<std::string>& keyframes, const std::string& muxer = "",
                       const std::string& codec = "FFV1", int width = 160, int height = 90,
                       const std::string& output = "") const {
        return jobScriptText({source_, output.empty() ? dir_.file("out.avi") : output, muxer, codec,
                              "1", std::to_string(width), std::to_string(height), keyframes});
    }

    // Runs the preview on `text` with the system temp folder inside the scratch folder.
    RunResult preview(const std::string& text, const std::vector<std::string>& extra = {}) {
        writeFile(dir_.file("job.txt"), text);
        std::vector<std::string> args = {dir_.file("job.txt")};
        args.insert(args.end(), extra.begin(), extra.end());
        RunOptions options;
        options.env["TMPDIR"] = tempDir_;
        options.unsetEnv.push_back("OPENCV_LOG_LEVEL");
        return runCamdriftPreview(args, options);
    }

    bool tempDirIsEmpty() const { return std::filesystem::is_empty(tempDir_); }

    ScratchDir dir_;
    std::string source_;
    std::string tempDir_;
};

const std::vector<std::string> kTwoKeyframes = {"start 0 50 25 50 0", "end 19 100 50 50 0"};

TEST_F(PreviewRun, CleanJobPrintsTheReadingAndExitsZero) {
    const RunResult result = preview(script(kTwoKeyframes));
    EXPECT_EQ(result.out,
              "Job script \"" + dir_.file("job.txt") + "\", read as:\n"
              "  source video  \"" + source_ + "\"\n"
              "  output video  \"" + dir_.file("out.avi") + "\"\n"
              "  muxer         none (line 4 is empty): the output gets no sound\n"
              "  codec code    F F V 1\n"
              "  transition    1 s; T = 50 frames for code 1, 25 for code 2, 12 for code 3 at "
              "25 fps\n"
              "  output size   160 x 90\n"
              "  source        320 x 180, 25 fps, 20 frames\n"
              "Keyframes: 2 accepted of 3 attempts (one per line after line 8)\n"
              "   line  label      frame   zoom  centerX  centerY  code  how the view gets "
              "there\n"
              "      9  \"start\"        0     50       25       50     0  linear\n"
              "     10  \"end\"         19    100       50       50     0  linear\n"
              "No warnings.\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_FALSE(exists(dir_.file("out.avi")));  // the real output is never touched
    EXPECT_TRUE(tempDirIsEmpty());               // the writer's trial file is gone
}

TEST_F(PreviewRun, WarningsExitOneAndAreCounted) {
    const RunResult result = preview(script({"100 50 50 50 0", "k2 5 60 50 50 0"}));
    const std::string expected =
        "warning: line 9: label \"100\" is a number; is the label missing?\n"
        "warning: line 9: keyframe \"100\" stopped at \"k2\" on line 10 after 4 of 5 values; "
        "nothing is kept from it\n"
        "2 warnings.\n";
    ASSERT_GE(result.out.size(), expected.size());
    EXPECT_EQ(result.out.substr(result.out.size() - expected.size()), expected);
    EXPECT_EQ(result.exitStatus, 1);
}

TEST_F(PreviewRun, FilesOnDiskAreLookedAt) {
    const std::string muxer = dir_.file("mux");
    writeFile(muxer, "#!/bin/sh\n");  // not executable
    const std::string link = dir_.file("same.avi");
    ASSERT_EQ(::link(source_.c_str(), link.c_str()), 0);
    const RunResult result = preview(script({}, muxer, "ABCD", 160, 90, link));
    EXPECT_NE(result.out.find("warning: line 3: the output is the source file; camdrift will "
                              "refuse to run (\"Output file is the source file!\")\n"),
              std::string::npos);
    EXPECT_NE(result.out.find("warning: line 4: muxer \"" + muxer +
                              "\" is not an executable file; the output will have no sound\n"),
              std::string::npos);
    EXPECT_NE(result.out.find("warning: line 5: OpenCV's writer can't write a \".avi\" file "
                              "with codec code A B C D at 160 x 90 and 25 fps; camdrift will "
                              "print \"Writer not opened!\"\n"),
              std::string::npos);
    EXPECT_NE(result.out.find("3 warnings.\n"), std::string::npos);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(readFile(link), readFile(source_));
    EXPECT_TRUE(tempDirIsEmpty());
}

TEST_F(PreviewRun, OutputFolderThatIsMissing) {
    const RunResult result =
        preview(script({}, "", "FFV1", 160, 90, dir_.file("missing/out.avi")));
    EXPECT_NE(result.out.find("warning: line 3: the output's folder does not exist; camdrift "
                              "will print \"Writer not opened!\"\n1 warning.\n"),
              std::string::npos);
    EXPECT_EQ(result.exitStatus, 1);
}

// A phone's portrait clip: stored on its side, with a quarter turn in its metadata.
TEST_F(PreviewRun, RotatedSourceIsToldWithItsUprightSize) {
    auto ffmpeg = [](std::vector<std::string> args) {
        args.insert(args.begin(), {"/usr/bin/ffmpeg", "-nostdin", "-loglevel", "error"});
        return run(args).exitStatus == 0;
    };
    const std::string base = dir_.file("base.mp4");
    const std::string turned = dir_.file("r90.mp4");
    ASSERT_TRUE(
        ffmpeg({"-f", "lavfi", "-i", "testsrc=size=64x48:rate=25", "-frames:v", "6", base}));
    ASSERT_TRUE(ffmpeg({"-i", base, "-c", "copy", "-metadata:s:v:0", "rotate=90", turned}));
    const RunResult result = preview(jobScriptText(
        {turned, dir_.file("out.avi"), "", "FFV1", "1", "48", "64", {"k 5 50 50 50 0"}}));
    EXPECT_NE(result.out.find("  source        48 x 64, 25 fps, 6 frames\n"), std::string::npos);
    EXPECT_EQ(previewWarnings(result.out),
              std::vector<std::string>{"warning: line 2: the source is rotated 90 degrees by its "
                                       "metadata; camdrift shows it upright (48 x 64)\n"});
}

// The reader takes the locale's decimal separator, as camdrift does.
TEST_F(PreviewRun, TransitionTimeInTheUsersLocale) {
    locale_t probe = newlocale(LC_ALL_MASK, "de_DE.UTF-8", static_cast<locale_t>(0));
    if (probe == static_cast<locale_t>(0)) {
        GTEST_SKIP() << "de_DE.UTF-8 is not installed (locale-gen de_DE.UTF-8 makes it)";
    }
    freelocale(probe);
    writeFile(dir_.file("job.txt"), jobScriptText({source_, dir_.file("out.avi"), "", "FFV1",
                                                   "1,5", "160", "90", {"k 19 50 50 50 2"}}));
    RunOptions options;
    options.env["LC_ALL"] = "de_DE.UTF-8";
    const RunResult result = runCamdriftPreview({dir_.file("job.txt")}, options);
    EXPECT_NE(result.out.find("  transition    1,5 s; T = 75 frames for code 1, 37 for code 2, "
                              "18 for code 3 at 25 fps\n"),
              std::string::npos)
        << result.out;
    EXPECT_EQ(result.exitStatus, 0);
}

TEST_F(PreviewRun, UnreadableScriptExitsTwo) {
    const RunResult result = runCamdriftPreview({dir_.file("none.job")});
    EXPECT_EQ(result.out, "error: can't read the job script \"" + dir_.file("none.job") + "\"\n");
    EXPECT_EQ(result.exitStatus, 2);
}

TEST_F(PreviewRun, UnopenableSourceExitsTwoAndDrawsNoSheet) {
    const std::string text = jobScriptText({dir_.file("nothing.avi"), dir_.file("out.avi"), "",
                                            "FFV1", "1", "160", "90", {"k 5 50 50 50 9"}});
    const RunResult result = preview(text, {dir_.file("sheet.png")});
    const std::string expected =
        "warning: line 9: transition code 9 is not 0 to 3; the view stays as it was on the way "
        "to this keyframe\n"
        "error: line 2: can't open the source video \"" + dir_.file("nothing.avi") + "\"\n";
    ASSERT_GE(result.out.size(), expected.size());
    EXPECT_EQ(result.out.substr(result.out.size() - expected.size()), expected);
    EXPECT_NE(result.out.find("  source        can't be opened\n"), std::string::npos);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_FALSE(exists(dir_.file("sheet.png")));
}

TEST(PreviewCommandLine, WithoutArgumentsPrintsTheUsage) {
    const RunResult result = runCamdriftPreview({});
    EXPECT_EQ(result.out, "Usage: camdrift-preview JOBSCRIPT [SHEET.png]\n");
    EXPECT_EQ(result.exitStatus, 2);
}

// The same version as camdrift's: one number for the whole build and package.
TEST(PreviewCommandLine, HelpAndVersionAnswerAndExitZero) {
    for (const char* flag : {"--help", "-h"}) {
        SCOPED_TRACE(flag);
        const RunResult result = runCamdriftPreview({flag});
        EXPECT_EQ(result.out.rfind("Usage: camdrift-preview JOBSCRIPT [SHEET.png]\n", 0), 0u);
        EXPECT_NE(result.out.find("Exit status: 0 no warnings"), std::string::npos);
        EXPECT_EQ(result.exitStatus, 0);
    }
    const RunResult version = runCamdriftPreview({"--version"});
    EXPECT_EQ(version.out, "camdrift-preview " CAMDRIFT_TEST_VERSION "\n");
    EXPECT_EQ(version.exitStatus, 0);
}

cv::Vec3b at(const cv::Mat& image, int x, int y) { return image.at<cv::Vec3b>(y, x); }

const cv::Vec3b kMagenta(255, 0, 255);

// The drawn border's outer two pixels on each side of the scaled crop
// rectangle, and nothing of its colour inside or just outside it.
void expectBorder(const cv::Mat& sheet, const cv::Rect& cell, const cv::Rect& crop,
                  const std::string& what) {
    const cv::Rect r = camdrift::scaleToThumb(crop, {kSourceWidth, kSourceHeight}, cell.size()) +
                       cell.tl();
    const int midX = r.x + r.width / 2;
    const int midY = r.y + r.height / 2;
    EXPECT_EQ(at(sheet, r.x, midY), kMagenta) << what << " left";
    EXPECT_EQ(at(sheet, r.x + 1, midY), kMagenta) << what << " left, inner";
    EXPECT_EQ(at(sheet, r.br().x - 1, midY), kMagenta) << what << " right";
    EXPECT_EQ(at(sheet, r.br().x - 2, midY), kMagenta) << what << " right, inner";
    EXPECT_EQ(at(sheet, midX, r.y), kMagenta) << what << " top";
    EXPECT_EQ(at(sheet, midX, r.br().y - 1), kMagenta) << what << " bottom";
    EXPECT_NE(at(sheet, r.x + 2, midY), kMagenta) << what << " inside";
    if (r.br().x < cell.br().x) {
        EXPECT_NE(at(sheet, r.br().x, midY), kMagenta) << what << " just outside";
    }
}

TEST_F(PreviewRun, SheetShowsEachViewsCropRectangle) {
    const std::string sheetPath = dir_.file("sheet.png");
    const RunResult result = preview(script(kTwoKeyframes), {sheetPath});
    EXPECT_NE(result.out.find("Contact sheet \"" + sheetPath +
                              "\": 1600 x 1291, frames 0, 2, 3, 5, 7, 9, 10, 12, 14, 16, 17, "
                              "19\nNo warnings.\n"),
              std::string::npos)
        << result.out;
    EXPECT_EQ(result.exitStatus, 0);

    const cv::Mat sheet = cv::imread(sheetPath, cv::IMREAD_UNCHANGED);
    ASSERT_FALSE(sheet.empty());
    ASSERT_EQ(sheet.type(), CV_8UC3);
    EXPECT_EQ(sheet.size(), cv::Size(1600, 1291));
    EXPECT_EQ(readFile(sheetPath).substr(1, 3), "PNG");

    const camdrift::SheetLayout layout = camdrift::layoutSheet(12, {kSourceWidth, kSourceHeight});
    // Frame 0 keeps half of each side centred at (25 %, 50 %); frame 19 the whole frame.
    expectBorder(sheet, layout.thumbs[0], cv::Rect(0, 45, 160, 90), "frame 0");
    EXPECT_EQ(at(sheet, 16, 56 + 53 + 54), kMagenta);
    EXPECT_EQ(at(sheet, 16 + 191, 56 + 53 + 54), kMagenta);
    expectBorder(sheet, layout.thumbs[11], cv::Rect(0, 0, 320, 180), "frame 19");

    // Frame 10, thumbnail 6, midway on the linear segment: as the run's own track says.
    camdrift::JobScript job;
    job.keyframes = {{0, 50, 25, 50, 0}, {19, 100, 50, 50, 0}};
    job.transitionSeconds = 1.0;
    camdrift::ViewTrack track(job.keyframes, job.transitionSeconds, 25.0);
    for (int32_t frame = 0; frame < 10; ++frame) track.selectSegment(frame);
    const cv::Rect crop =
        camdrift::computeCropRect(kSourceWidth, kSourceHeight, track.selectSegment(10));
    EXPECT_EQ(crop, cv::Rect(0, 22, 244, 137));
    expectBorder(sheet, layout.thumbs[6], crop, "frame 10");
}

TEST_F(PreviewRun, SheetThatCantBeWrittenExitsTwo) {
    const RunResult result = preview(script(kTwoKeyframes), {dir_.file("missing/sheet.png")});
    EXPECT_NE(result.out.find("error: can't write the contact sheet \"" +
                              dir_.file("missing/sheet.png") + "\"\n"),
              std::string::npos);
    EXPECT_EQ(result.exitStatus, 2);
}

// Frame n of the pattern video has red n * 11 at its top-left pixel.
int frameIndexOf(const cv::Mat& image) { return image.at<cv::Vec3b>(0, 0)[2] / 11; }

TEST(FrameGrab, SeeksToEachFrameAndLeavesMissingOnesEmpty) {
    ScratchDir dir;
    const std::string path = dir.file("pattern.avi");
    ASSERT_TRUE(writePatternVideo(path, 64, 48, 23));
    const std::vector<cv::Mat> images = camdrift::grabFrames(path, {0, 5, 6, 17, 22, 30}, 0);
    ASSERT_EQ(images.size(), 6u);
    const int expected[] = {0, 5, 6, 17, 22};
    for (size_t i = 0; i < 5; ++i) {
        ASSERT_FALSE(images[i].empty()) << i;
        EXPECT_EQ(frameIndexOf(images[i]), expected[i]);
    }
    EXPECT_TRUE(images[5].empty());
}

// A raw MJPEG stream can't seek: the position after the read gives it away
// and the frames are read forward instead.
TEST(FrameGrab, ReadsForwardWhereTheContainerCantSeek) {
    ScratchDir dir;
    const std::string path = dir.file("flat.mjpeg");
    {
        cv::VideoWriter writer(path, cv::CAP_FFMPEG, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'),
                               25.0, cv::Size(64, 48), true);
        ASSERT_TRUE(writer.isOpened());
        for (int i = 0; i < 30; ++i) writer << cv::Mat(48, 64, CV_8UC3, cv::Scalar::all(8 * i));
    }
    const std::vector<cv::Mat> images = camdrift::grabFrames(path, {3, 7, 20, 29}, 0);
    const int expected[] = {3, 7, 20, 29};
    for (size_t i = 0; i < 4; ++i) {
        ASSERT_FALSE(images[i].empty()) << i;
        EXPECT_NEAR(cv::mean(images[i])[0], 8.0 * expected[i], 3.0) << "frame " << expected[i];
    }
}

}  // namespace
