// The contact sheet's pure parts: which frames, where they sit, where the
// crop rectangle lands in a thumbnail, the plot's scale and the view path
// with its motion.
#include <gtest/gtest.h>

#include <map>
#include <opencv2/core.hpp>
#include <vector>

#include "preview/sheet_geometry.h"
#include "preview/view_plot.h"

using namespace camdrift;

namespace {

Keyframe keyframeAt(int32_t frame, int32_t zoom = 50, int32_t x = 50, int32_t y = 50,
                    int32_t code = 0) {
    return Keyframe{frame, zoom, x, y, code};
}

std::vector<Keyframe> demoKeyframes() {
    return {keyframeAt(50, 50, 30, 40, 2), keyframeAt(150, 50, 70, 40, 0),
            keyframeAt(230, 100, 50, 50, 1)};
}

struct FramesCase {
    const char* name;
    std::vector<Keyframe> keyframes;
    int32_t frameCount;
    std::vector<int32_t> expected;
};

void PrintTo(const FramesCase& c, std::ostream* os) { *os << c.name; }

class SheetFrames : public ::testing::TestWithParam<FramesCase> {};

TEST_P(SheetFrames, AreThese) {
    EXPECT_EQ(selectSheetFrames(GetParam().keyframes, GetParam().frameCount),
              GetParam().expected);
}

std::vector<Keyframe> everyTenthFrame(int count) {
    std::vector<Keyframe> keyframes;
    for (int i = 0; i < count; ++i) keyframes.push_back(keyframeAt(10 * i));
    return keyframes;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SheetFrames,
    ::testing::Values(
        FramesCase{"evenlySpreadWithoutKeyframes", {}, 250,
                   {0, 23, 45, 68, 91, 113, 136, 158, 181, 204, 226, 249}},
        // 45, 158 and 226 crowd the keyframes most and make way for them.
        FramesCase{"keyframesReplaceTheSpreadFramesNearestThem", demoKeyframes(), 250,
                   {0, 23, 50, 68, 91, 113, 136, 150, 181, 204, 230, 249}},
        FramesCase{"keyframesOutsideTheSourceOrRepeatedCountOnce",
                   {keyframeAt(-5), keyframeAt(10), keyframeAt(10), keyframeAt(100)}, 100,
                   {0, 10, 18, 27, 36, 45, 54, 63, 72, 81, 90, 99}},
        FramesCase{"fewerFramesThanWanted", {keyframeAt(3)}, 5, {0, 1, 2, 3, 4}},
        FramesCase{"oneFrame", {}, 1, {0}},
        FramesCase{"noFrames", demoKeyframes(), 0, {}},
        FramesCase{"manyKeyframesAreThinnedToSixteen", everyTenthFrame(20), 200,
                   {0, 10, 30, 40, 50, 60, 80, 90, 100, 110, 130, 140, 150, 160, 180, 190}},
        FramesCase{"fourteenKeyframesAllShown", everyTenthFrame(14), 140,
                   {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130}}));

// What every layout must get right, whatever the count and the aspect.
TEST(SheetLayout, KeepsEverythingInsideApartAndInOrder) {
    const cv::Size sources[] = {{1280, 720}, {720, 1280}, {640, 480}, {1920, 800}};
    for (const cv::Size source : sources) {
        for (size_t count : {size_t{1}, size_t{4}, size_t{5}, size_t{12}, size_t{16}}) {
            SCOPED_TRACE(std::to_string(count) + " of " + std::to_string(source.width) + "x" +
                         std::to_string(source.height));
            const SheetLayout layout = layoutSheet(count, source);
            const cv::Rect sheet(cv::Point(0, 0), layout.size);
            EXPECT_EQ(layout.size.width, kSheetWidth);
            ASSERT_EQ(layout.thumbs.size(), count);
            ASSERT_EQ(layout.captions.size(), count);

            std::vector<cv::Rect> parts = {layout.title, layout.legend, layout.plot};
            parts.insert(parts.end(), layout.thumbs.begin(), layout.thumbs.end());
            parts.insert(parts.end(), layout.captions.begin(), layout.captions.end());
            for (size_t i = 0; i < parts.size(); ++i) {
                EXPECT_EQ(parts[i] & sheet, parts[i]) << "part " << i << " leaves the sheet";
                for (size_t j = i + 1; j < parts.size(); ++j) {
                    EXPECT_TRUE((parts[i] & parts[j]).empty()) << "parts " << i << " and " << j;
                }
            }
            for (size_t i = 0; i < count; ++i) {
                const cv::Rect& thumb = layout.thumbs[i];
                // The source's aspect, give or take the rounding of one side.
                EXPECT_NEAR(thumb.width * source.height, thumb.height * source.width,
                            std::max(source.width, source.height));
                EXPECT_EQ(layout.captions[i].tl(), cv::Point(thumb.x, thumb.br().y));
                EXPECT_LT(layout.captions[i].br().y, layout.legend.y);
                if (i % kSheetColumns != 0) {
                    EXPECT_EQ(thumb.y, layout.thumbs[i - 1].y);  // left to right in a row
                    EXPECT_GT(thumb.x, layout.thumbs[i - 1].br().x - 1);
                } else if (i > 0) {
                    EXPECT_GT(thumb.y, layout.captions[i - 1].br().y - 1);  // rows go down
                }
            }
            EXPECT_GT(layout.plot.y, layout.legend.br().y - 1);
        }
    }
}

// The README describes the demo's sheet by this size.
TEST(SheetLayout, TheDemoSheetIs1600By1291) {
    EXPECT_EQ(layoutSheet(12, cv::Size(1280, 720)).size, cv::Size(1600, 1291));
}

TEST(SheetLayout, RowsFollowTheCountAndTheAspect) {
    EXPECT_EQ(layoutSheet(5, cv::Size(1280, 720)).legend.y, 630);  // two rows
    EXPECT_EQ(layoutSheet(0, cv::Size(1280, 720)).legend.y, 56);
    EXPECT_EQ(layoutSheet(1, cv::Size(720, 1280)).thumbs[0].height, 681);
    EXPECT_EQ(layoutSheet(1, cv::Size(0, 0)).thumbs[0].height, 215);  // taken as 16:9
    EXPECT_EQ(layoutSheet(1, cv::Size(100000, 1)).thumbs[0].height, 8);
}

struct ScaleCase {
    cv::Rect crop;
    cv::Size source;
    cv::Rect expected;
};

TEST(ScaleToThumb, RoundsOutwardAndStaysInside) {
    const cv::Size thumb(383, 215);
    const ScaleCase cases[] = {
        {{0, 45, 160, 90}, {320, 180}, {0, 53, 192, 109}},
        {{0, 0, 1280, 720}, {1280, 720}, {0, 0, 383, 215}},
        {{640, 360, 640, 360}, {1280, 720}, {191, 107, 192, 108}},
        {{1279, 719, 1, 1}, {1280, 720}, {382, 214, 1, 1}},
        {{0, 0, 1, 1}, {0, 0}, {0, 0, 1, 1}},
    };
    for (const ScaleCase& c : cases) {
        EXPECT_EQ(scaleToThumb(c.crop, c.source, thumb), c.expected) << c.crop;
    }
}

TEST(FrameTicks, StepsOfOneTwoOrFiveTimesAPowerOfTen) {
    EXPECT_EQ(frameTicks(250, 12), (std::vector<int32_t>{0, 50, 100, 150, 200}));
    EXPECT_EQ(frameTicks(12, 12).size(), 12u);
    EXPECT_EQ(frameTicks(13, 12), (std::vector<int32_t>{0, 2, 4, 6, 8, 10, 12}));
    EXPECT_EQ(frameTicks(1, 12), (std::vector<int32_t>{0}));
    EXPECT_EQ(frameTicks(0, 12), (std::vector<int32_t>{}));
    EXPECT_EQ(frameTicks(2000000, 12).size(), 10u);
}

TEST(PlotScale, CoversZeroToHundredAndWidensWithinLimits) {
    const cv::Rect area(60, 900, 1001, 301);
    const std::vector<ViewState> views(11);
    PlotScale scale = plotScale(area, views, {});
    EXPECT_EQ(scale.low, 0.0);
    EXPECT_EQ(scale.high, 100.0);
    EXPECT_EQ(scale.xOf(0), 60.0);
    EXPECT_EQ(scale.xOf(10), 1060.0);
    EXPECT_EQ(scale.yOf(100.0), 900.0);
    EXPECT_EQ(scale.yOf(0.0), 1200.0);
    EXPECT_EQ(scale.yOf(50.0), 1050.0);

    scale = plotScale(area, views, {keyframeAt(5, 150, -5, 50)});
    EXPECT_EQ(scale.low, -5.0);
    EXPECT_EQ(scale.high, 150.0);
    scale = plotScale(area, views, {keyframeAt(5, 100000, -100000, 50)});
    EXPECT_EQ(scale.low, -100.0);
    EXPECT_EQ(scale.high, 200.0);
    EXPECT_EQ(scale.yOf(1e9), 900.0);  // drawn on the edge
}

JobScript jobWith(std::vector<Keyframe> keyframes, double transitionSeconds) {
    JobScript job;
    job.keyframes = std::move(keyframes);
    job.transitionSeconds = transitionSeconds;
    return job;
}

// Runs of one motion as (first frame, motion).
std::map<size_t, Motion> runsOf(const std::vector<Motion>& motions) {
    std::map<size_t, Motion> runs;
    for (size_t n = 0; n < motions.size(); ++n) {
        if (n == 0 || motions[n] != motions[n - 1]) runs[n] = motions[n];
    }
    return runs;
}

TEST(ViewPath, FollowsTheTrackFromFrameZero) {
    const JobScript job =
        jobWith({keyframeAt(100, 50, 20, 20, 2), keyframeAt(200, 50, 80, 20, 0)}, 1.0);
    const std::vector<ViewState> views = viewPath(job, 25.0, 250);
    ASSERT_EQ(views.size(), 250u);
    EXPECT_EQ(views[0].zoom, 100.0);
    EXPECT_EQ(views[75].zoom, 100.0);  // the first ramp frame still shows the start view
    EXPECT_EQ(views[76].zoom, 98.0);
    EXPECT_EQ(views[100].zoom, 50.0);
    EXPECT_EQ(views[150].centerX, 50.0);
    EXPECT_EQ(views[249].centerX, 80.0);
    EXPECT_TRUE(viewPath(job, 25.0, 0).empty());
    EXPECT_TRUE(viewPath(job, 25.0, -3).empty());
}

TEST(MotionPath, HoldRampLinearAndStillRuns) {
    const JobScript job =
        jobWith({keyframeAt(100, 50, 20, 20, 2), keyframeAt(200, 50, 80, 20, 0)}, 1.0);
    const std::vector<Motion> motions = motionPath(viewPath(job, 25.0, 250), job, 25.0);
    EXPECT_EQ(runsOf(motions), (std::map<size_t, Motion>{{0, Motion::Still},
                                                         {76, Motion::Ramp},
                                                         {101, Motion::Linear},
                                                         {201, Motion::Still}}));
}

// A ramp moves in whole steps, so some of its frames repeat a view; they
// still belong to the ramp.
TEST(MotionPath, RampFramesThatRepeatAViewStayInTheRamp) {
    const JobScript job = jobWith(demoKeyframes(), 1.5);
    const std::vector<Motion> motions = motionPath(viewPath(job, 25.0, 250), job, 25.0);
    EXPECT_EQ(runsOf(motions), (std::map<size_t, Motion>{{0, Motion::Still},
                                                         {14, Motion::Ramp},
                                                         {51, Motion::Linear},
                                                         {151, Motion::Still},
                                                         {156, Motion::Ramp},
                                                         {231, Motion::Still}}));
}

TEST(MotionPath, UnknownCodeKeepsTheViewStill) {
    const JobScript job =
        jobWith({keyframeAt(0, 100, 50, 50, 0), keyframeAt(50, 50, 20, 20, 7)}, 1.0);
    const std::vector<Motion> motions = motionPath(viewPath(job, 25.0, 60), job, 25.0);
    EXPECT_EQ(runsOf(motions), (std::map<size_t, Motion>{{0, Motion::Still}}));
}

}  // namespace
