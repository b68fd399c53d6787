// `crop=output` on line 1: a window of the output's shape that pans across
// the frame. The rectangles here are worked out by hand from the rule (the
// largest window of the output's shape, zoom percent of it, placed by the
// centre as every crop is), never by the code under test.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <opencv2/imgproc.hpp>

#include "render/crop_rect.h"
#include "render/frame_render.h"
#include "script/job_script_reader.h"
#include "script/title_settings.h"
#include "script/utf8.h"
#include "test_support.h"

using namespace testing_support;
using camdrift::CropShape;

namespace {

// ---- Line 1's words ----

JobScriptLines titled(const std::string& title) {
    JobScriptLines lines;
    lines.title = title;
    return lines;
}

CropShape shapeOf(const std::string& title) {
    return camdrift::parseJobScript(camdrift::decodeUtf8(jobScriptText(titled(title)))).cropShape;
}

TEST(CropSetting, OnlyTheExactWordAnywhereInTheTitleCounts) {
    EXPECT_EQ(shapeOf("Interview for phones crop=output"), CropShape::Output);
    EXPECT_EQ(shapeOf("crop=output"), CropShape::Output);
    EXPECT_EQ(shapeOf("\tcrop=output\ttake 2"), CropShape::Output);
    EXPECT_EQ(shapeOf("a title"), CropShape::Source);
    EXPECT_EQ(shapeOf(""), CropShape::Source);
    // Words are compared exactly: case, blanks around '=', glued text.
    for (const char* title : {"Crop=output", "crop=Output", "crop = output", "crop= output",
                              "crop=output,", "xcrop=output", "crop=outputs", "crop:output",
                              "crop=output\xc2\xa0" /* no-break space is no blank */}) {
        SCOPED_TRACE(title);
        EXPECT_EQ(shapeOf(title), CropShape::Source);
    }
}

TEST(CropSetting, TheLastSettingWrittenCounts) {
    EXPECT_EQ(shapeOf("crop=output crop=source"), CropShape::Source);
    EXPECT_EQ(shapeOf("crop=source crop=output"), CropShape::Output);
    EXPECT_EQ(shapeOf("crop=source and crop=outptu"), CropShape::Source);
    EXPECT_EQ(shapeOf("crop=output quality=best"), CropShape::Output);
}

TEST(CropSetting, LineEndsEndTheLastWord) {
    const std::string crlf = "title crop=output\r\nin.avi\r\nout.avi\r\n\r\nXVID\r\n1\r\n64\r\n36\r\n";
    const std::string lf = "title crop=output\nin.avi\nout.avi\n\nXVID\n1\n64\n36\n";
    for (const std::string& text : {crlf, lf}) {
        EXPECT_EQ(camdrift::parseJobScript(camdrift::decodeJobScriptBytes(text)).cropShape,
                  CropShape::Output);
    }
    // A lone carriage return is an ordinary character, glued to the word.
    EXPECT_EQ(camdrift::parseJobScript(camdrift::decodeJobScriptBytes(
                                           "t crop=output\rx\nin\nout\n\nXVID\n1\n64\n36\n"))
                  .cropShape,
              CropShape::Source);
}

// The first line read takes 999 units; what lies past them is read as
// line 2, so a setting there is no setting (and the paths shift as always).
TEST(CropSetting, PastTheFirstLineReadItIsNotRead) {
    const std::string inside = std::string(987, 'x') + " crop=output";  // ends at unit 999
    ASSERT_EQ(inside.size(), 999u);
    EXPECT_EQ(shapeOf(inside.substr(0, 998)), CropShape::Source);  // "crop=outpu"
    EXPECT_EQ(shapeOf(std::string(986, 'x') + " crop=output"), CropShape::Output);
    const std::string past = std::string(1000, 'x') + " crop=output";
    const camdrift::JobScript job =
        camdrift::parseJobScript(camdrift::decodeUtf8(jobScriptText(titled(past))));
    EXPECT_EQ(job.cropShape, CropShape::Source);
    EXPECT_EQ(camdrift::encodeUtf8(job.inputPath), "x crop=output");
}

TEST(CropSetting, MisspeltSettingsAreFoundAndTitleWordsAreNot) {
    using camdrift::misspeltSettingWords;
    EXPECT_EQ(misspeltSettingWords(u"Talk crop=outptu Crop=output crop=output"),
              (std::vector<std::u16string>{u"crop=outptu", u"Crop=output"}));
    EXPECT_EQ(misspeltSettingWords(u"cropp=source crop= =output shape=output"),
              (std::vector<std::u16string>{u"cropp=source", u"crop=", u"=output", u"shape=output"}));
    EXPECT_TRUE(misspeltSettingWords(u"E=mc2 a=b x=1 crop=source crop output").empty());
}

// ---- The window ----

cv::Rect shaped(cv::Size frame, cv::Size output, double zoom, double x, double y) {
    return camdrift::computeShapedCropRect(frame, camdrift::outputShapedBase(frame, output),
                                           camdrift::ViewState{zoom, x, y});
}

TEST(CropWindow, TheLargestWindowOfTheOutputsShape) {
    using camdrift::outputShapedBase;
    // 1080 x 1080 < 1920 x 1920: the height is whole; 1080 x 1080 / 1920 = 607.5.
    EXPECT_EQ(outputShapedBase({1920, 1080}, {1080, 1920}), cv::Size(607, 1080));
    // 1920 x 1920 >= 1080 x 1080: the width is whole; 1080 x 1080 / 1920 = 607.5.
    EXPECT_EQ(outputShapedBase({1080, 1920}, {1920, 1080}), cv::Size(1080, 607));
    EXPECT_EQ(outputShapedBase({1920, 1080}, {1080, 1080}), cv::Size(1080, 1080));
    EXPECT_EQ(outputShapedBase({1920, 1080}, {1080, 1350}), cv::Size(864, 1080));  // 4:5
    // The same shape: equal products take the width, the whole frame.
    EXPECT_EQ(outputShapedBase({1920, 1080}, {1280, 720}), cv::Size(1920, 1080));
    EXPECT_EQ(outputShapedBase({45, 27}, {15, 26}), cv::Size(15, 27));  // 405 / 26 = 15.6
    // A window never shrinks to nothing, and the products don't overflow 32 bits.
    EXPECT_EQ(outputShapedBase({3, 1}, {1, 1000}), cv::Size(1, 1));
    EXPECT_EQ(outputShapedBase({1, 3}, {1000, 1}), cv::Size(1, 1));
    EXPECT_EQ(outputShapedBase({2000000000, 1}, {1, 2000000000}), cv::Size(1, 1));
    EXPECT_EQ(outputShapedBase({100000, 100000}, {100000, 1}), cv::Size(100000, 1));
}

TEST(CropWindow, TheIssuesWorkedExample) {
    EXPECT_EQ(shaped({1920, 1080}, {1080, 1920}, 100, 30, 50), cv::Rect(273, 0, 607, 1080));
    // 303 x 540 around (576, 540).
    EXPECT_EQ(shaped({1920, 1080}, {1080, 1920}, 50, 30, 50), cv::Rect(425, 270, 303, 540));
}

TEST(CropWindow, ZoomIsAShareOfTheWindowAndStopsAtIt) {
    const cv::Size frame(64, 36), tall(18, 32);  // window 20 x 36
    EXPECT_EQ(shaped(frame, tall, 100, 30, 50), cv::Rect(9, 0, 20, 36));
    EXPECT_EQ(shaped(frame, tall, 150, 30, 50), cv::Rect(9, 0, 20, 36));
    EXPECT_EQ(shaped(frame, tall, 1e300, 30, 50), cv::Rect(9, 0, 20, 36));
    EXPECT_EQ(shaped(frame, tall, 50, 30, 50), cv::Rect(14, 9, 10, 18));
    EXPECT_EQ(shaped(frame, tall, 35, 30, 50), cv::Rect(16, 12, 7, 12));  // 7.0 and 12.6
    // Nothing kept still keeps a pixel.
    EXPECT_EQ(shaped(frame, tall, 0, 30, 50), cv::Rect(19, 18, 1, 1));
    EXPECT_EQ(shaped(frame, tall, -50, 30, 50), cv::Rect(19, 18, 1, 1));
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(shaped(frame, tall, -inf, 30, 50), cv::Rect(19, 18, 1, 1));
    // A zoom that isn't a number keeps the whole window, as it keeps the
    // whole frame for a source-shaped crop.
    EXPECT_EQ(shaped(frame, tall, std::nan(""), 30, 50), cv::Rect(9, 0, 20, 36));
}

TEST(CropWindow, CentresAtAndPastTheEdgesPushTheWindowIn) {
    const cv::Size frame(64, 36), tall(18, 32);
    EXPECT_EQ(shaped(frame, tall, 100, 0, 50), cv::Rect(0, 0, 20, 36));
    EXPECT_EQ(shaped(frame, tall, 100, 100, 50), cv::Rect(44, 0, 20, 36));
    EXPECT_EQ(shaped(frame, tall, 100, -20, 50), cv::Rect(0, 0, 20, 36));
    EXPECT_EQ(shaped(frame, tall, 100, 180, 50), cv::Rect(44, 0, 20, 36));
    EXPECT_EQ(shaped(frame, tall, 50, 100, 100), cv::Rect(54, 18, 10, 18));
    EXPECT_EQ(shaped(frame, tall, 50, 0, 0), cv::Rect(0, 0, 10, 18));
    EXPECT_EQ(shaped(frame, tall, 50, std::nan(""), std::nan("")), cv::Rect(0, 0, 10, 18));
}

TEST(CropWindow, OnlyAUsableOutputSizeTurnsTheSettingOn) {
    camdrift::JobScript job;
    job.cropShape = CropShape::Output;
    for (const auto& [w, h, on] : {std::tuple{18, 32, true}, {1, 1, true}, {0, 32, false},
                                   {18, -1, false}, {0, 0, false}}) {
        job.outputWidth = w;
        job.outputHeight = h;
        EXPECT_EQ(camdrift::cropShapingOf(job).outputShaped, on) << w << " x " << h;
    }
    job.outputWidth = 18;
    job.outputHeight = 32;
    job.cropShape = CropShape::Source;
    EXPECT_FALSE(camdrift::cropShapingOf(job).outputShaped);
    // Without the setting a zoom of 100 or more is the whole frame; with it, the window.
    const camdrift::ViewState whole{120, 30, 50};
    EXPECT_EQ(camdrift::viewRect({64, 36}, whole), cv::Rect(0, 0, 64, 36));
    job.cropShape = CropShape::Output;
    EXPECT_EQ(camdrift::viewRect({64, 36}, whole, camdrift::cropShapingOf(job)),
              cv::Rect(9, 0, 20, 36));
}

// ---- Whole runs, pixel for pixel ----

struct ShapedRun {
    std::string title;
    cv::Size source;
    cv::Size output;
    std::vector<std::string> keyframes;  // one view from frame 0 on, unless said
    cv::Rect crop;                       // worked out by hand, the same on every frame
};

// The job's frames cropped by hand and scaled: the writer stores an odd side
// cut down to even, keeping the top-left part.
void expectEveryFrameCroppedTo(const ShapedRun& run) {
    ScratchDir dir;
    const std::string source = dir.file("src.avi");
    const std::string output = dir.file("out.avi");
    constexpr int kFrames = 6;
    ASSERT_TRUE(writePatternVideo(source, run.source.width, run.source.height, kFrames, 10));
    writeFile(dir.file("job.txt"),
              jobScriptText({source, output, "", "FFV1", "1", std::to_string(run.output.width),
                             std::to_string(run.output.height), run.keyframes, true, run.title}));
    const RunResult result = runCamdrift({dir.file("job.txt")});
    ASSERT_EQ(result.exitStatus, 0) << result.out;
    const std::vector<cv::Mat> sourceFrames = readAllFrames(source);
    const std::vector<cv::Mat> outputFrames = readAllFrames(output);
    ASSERT_EQ(outputFrames.size(), static_cast<size_t>(kFrames));
    for (size_t i = 0; i < outputFrames.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        cv::Mat scaled;
        cv::resize(sourceFrames[i](run.crop), scaled, run.output, 0, 0, cv::INTER_LINEAR);
        const cv::Mat stored = scaled(cv::Rect(0, 0, run.output.width & ~1, run.output.height & ~1));
        ASSERT_EQ(outputFrames[i].size(), stored.size());
        ASSERT_EQ(cv::norm(outputFrames[i], stored, cv::NORM_INF), 0.0);
    }
}

std::vector<std::string> steady(const std::string& view) {
    return {"a 0 " + view + " 0", "b 5 " + view + " 0"};
}

TEST(CropOutputRun, WideSourceToTallOutput) {
    const std::string title = "phones crop=output";
    // Window 20 x 36 of the 64 x 36 frame.
    expectEveryFrameCroppedTo({title, {64, 36}, {18, 32}, steady("100 30 50"), {9, 0, 20, 36}});
    expectEveryFrameCroppedTo({title, {64, 36}, {18, 32}, steady("150 30 50"), {9, 0, 20, 36}});
    expectEveryFrameCroppedTo({title, {64, 36}, {18, 32}, steady("50 30 50"), {14, 9, 10, 18}});
    expectEveryFrameCroppedTo({title, {64, 36}, {18, 32}, steady("0 100 100"), {63, 35, 1, 1}});
    expectEveryFrameCroppedTo({title, {64, 36}, {18, 32}, steady("-40 0 0"), {0, 0, 1, 1}});
    expectEveryFrameCroppedTo({title, {64, 36}, {18, 32}, steady("100 120 50"), {44, 0, 20, 36}});
    // No keyframes: the view (100, 50, 50) is the window in the middle, not the frame.
    expectEveryFrameCroppedTo({title, {64, 36}, {18, 32}, {}, {22, 0, 20, 36}});
}

TEST(CropOutputRun, TallSourceToWideOutputSquareAndOddSizes) {
    const std::string title = "crop=output";
    // Window 36 x 20 of a 36 x 64 frame; the centre at 19 of 64 rows.
    expectEveryFrameCroppedTo({title, {36, 64}, {32, 18}, steady("100 50 30"), {0, 9, 36, 20}});
    // A square window of the whole height.
    expectEveryFrameCroppedTo({title, {64, 36}, {20, 20}, steady("100 75 50"), {28, 0, 36, 36}});
    // Odd sides (the writer keeps a source's sides even): a window 15 x 28
    // of 46 x 28 (364 / 24 = 15.2), 7 x 14 at zoom 50.
    expectEveryFrameCroppedTo({title, {46, 28}, {13, 24}, steady("100 50 50"), {16, 0, 15, 28}});
    expectEveryFrameCroppedTo({title, {46, 28}, {13, 24}, steady("50 90 10"), {38, 0, 7, 14}});
}

// Where the output has the source's shape, the window at zoom up to 100 is
// what the source-shaped crop keeps: the same file, byte for byte.
TEST(CropOutputRun, TheSourcesShapeGivesTodaysFile) {
    ScratchDir dir;
    const std::string source = dir.file("src.avi");
    ASSERT_TRUE(writePatternVideo(source, 64, 36, 12, 10));
    const std::vector<std::string> keyframes = {"in 4 50 20 70 0", "out 10 100 50 50 2"};
    std::string files[2];
    for (int i = 0; i < 2; ++i) {
        files[i] = dir.file("out" + std::to_string(i) + ".avi");
        writeFile(dir.file("job.txt"),
                  jobScriptText({source, files[i], "", "FFV1", "0.3", "32", "18", keyframes, true,
                                 i == 0 ? "same shape" : "same shape crop=output"}));
        ASSERT_EQ(runCamdrift({dir.file("job.txt")}).exitStatus, 0);
    }
    EXPECT_EQ(readFile(files[0]), readFile(files[1]));
}

// Other words, unknown settings and a setting written too late change
// nothing: the file is the one a plain title gives.
TEST(CropOutputRun, TitlesWithoutTheSettingRenderAsBefore) {
    ScratchDir dir;
    const std::string source = dir.file("src.avi");
    ASSERT_TRUE(writePatternVideo(source, 64, 36, 8, 10));
    const std::vector<std::string> keyframes = {"a 3 60 30 40 0", "b 7 120 70 60 0"};
    auto render = [&](const std::string& title) {
        const std::string output = dir.file("out.avi");
        writeFile(dir.file("job.txt"),
                  jobScriptText({source, output, "", "FFV1", "1", "18", "32", keyframes, true,
                                 title}));
        EXPECT_EQ(runCamdrift({dir.file("job.txt")}).exitStatus, 0) << title;
        return readFile(output);
    };
    const std::string plain = render("plain title");
    for (const std::string& title :
         {std::string("Crop=output crop=outptu size=9:16"), std::string("crop=source"),
          std::string("crop=output crop=source")}) {
        EXPECT_EQ(render(title), plain) << title;
    }
    EXPECT_NE(render("crop=output"), plain);
}

// A phone clip is stored sideways; the window takes the upright frame's shape.
TEST(CropOutputRun, ARotatedSourceIsCroppedUpright) {
    ScratchDir dir;
    const std::string base = dir.file("base.mp4");
    const std::string rotated = dir.file("r90.mp4");
    ASSERT_EQ(run({"/usr/bin/ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
                   "testsrc=size=64x48:rate=25", "-frames:v", "4", "-c:v", "libx264", "-pix_fmt",
                   "yuv420p", base})
                  .exitStatus,
              0);
    ASSERT_EQ(run({"/usr/bin/ffmpeg", "-nostdin", "-loglevel", "error", "-i", base, "-c", "copy",
                   "-metadata:s:v:0", "rotate=90", rotated})
                  .exitStatus,
              0);
    const std::string output = dir.file("out.avi");
    // Upright 48 x 64 into 32 x 18: a window 48 x 27, its centre on row 19.
    writeFile(dir.file("job.txt"), jobScriptText({rotated, output, "", "FFV1", "1", "32", "18",
                                                  steady("100 50 30"), true, "crop=output"}));
    ASSERT_EQ(runCamdrift({dir.file("job.txt")}).exitStatus, 0);
    const RunResult raw = run({"/bin/sh", "-c",
                               "/usr/bin/ffmpeg -nostdin -loglevel error -i '" + rotated +
                                   "' -f rawvideo -pix_fmt bgr24 -"});
    const std::vector<cv::Mat> written = readAllFrames(output);
    const size_t frameBytes = 48 * 64 * 3;
    ASSERT_EQ(raw.out.size(), 4 * frameBytes);
    ASSERT_EQ(written.size(), 4u);
    for (size_t i = 0; i < written.size(); ++i) {
        const cv::Mat upright(64, 48, CV_8UC3, const_cast<char*>(raw.out.data() + i * frameBytes));
        cv::Mat expected;
        cv::resize(upright(cv::Rect(0, 6, 48, 27)), expected, cv::Size(32, 18), 0, 0,
                   cv::INTER_LINEAR);
        EXPECT_EQ(cv::norm(written[i], expected, cv::NORM_INF), 0.0) << "frame " << i;
    }
}

}  // namespace
