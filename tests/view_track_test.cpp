#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "render/crop_rect.h"
#include "render/view_track.h"

using namespace camdrift;

namespace {

struct Expected {
    int32_t frame;
    double zoom, centerX, centerY;
};

// Drives a track frame by frame from 0, as the frame loop does, and returns
// the view of every frame up to and including lastFrame.
std::vector<ViewState> drive(const std::vector<Keyframe>& keyframes, double seconds, double fps,
                             int32_t lastFrame) {
    ViewTrack track(keyframes, seconds, fps);
    std::vector<ViewState> views;
    for (int32_t cur = 0; cur <= lastFrame; ++cur) {
        views.push_back(track.selectSegment(cur));
    }
    return views;
}

void expectViews(const std::vector<ViewState>& views, const std::vector<Expected>& expected) {
    for (const Expected& e : expected) {
        SCOPED_TRACE("frame " + std::to_string(e.frame));
        const ViewState& v = views.at(static_cast<size_t>(e.frame));
        EXPECT_EQ(v.zoom, e.zoom);
        EXPECT_EQ(v.centerX, e.centerX);
        EXPECT_EQ(v.centerY, e.centerY);
    }
}

void expectSameView(const std::vector<ViewState>& views, int32_t from, int32_t to, double zoom,
                    double centerX, double centerY) {
    std::vector<Expected> expected;
    for (int32_t f = from; f <= to; ++f) {
        expected.push_back({f, zoom, centerX, centerY});
    }
    expectViews(views, expected);
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

}  // namespace

TEST(TransitionFrames, LengthPerCode) {
    struct Case {
        int32_t code;
        double seconds, fps;
        int32_t frames;
    } cases[] = {
        {1, 2.0, 25.0, 100}, {2, 2.0, 25.0, 50},   {3, 2.0, 25.0, 25},
        {1, 1.5, 25.0, 75},  {2, 1.5, 25.0, 37},   {3, 1.5, 25.0, 18},
        {2, 0.03, 25.0, 0},  {1, 0.03, 25.0, 1},   {2, -1.5, 25.0, -37},
        {0, 2.0, 25.0, 0},   {4, 2.0, 25.0, 0},    {-1, 2.0, 25.0, 0},
        {2, 1.0, 0.0, 0},    {2, 1.0, -25.0, -25}, {2, 1.0, kNaN, INT32_MIN},
        {2, 1.0, kInf, INT32_MIN}, {3, 1e9, 25.0, INT32_MIN}, {1, 1e300, 1e300, INT32_MIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code << ", " << c.seconds << " s at "
                                        << c.fps << " fps");
        EXPECT_EQ(transitionFrames(c.code, c.seconds, c.fps), c.frames);
    }
}

TEST(ViewTrack, NoKeyframesShowsTheWholeFrame) {
    expectSameView(drive({}, 1.0, 25.0, 30), 0, 30, 100, 50, 50);
}

TEST(ViewTrack, FirstKeyframeAtFrameZeroHasNoLeadIn) {
    // A lead-in would keep the whole frame for code 7; the first segment
    // shows the first keyframe's values right away.
    auto views = drive({{0, 60, 40, 30, 7}, {100, 80, 40, 30, 0}}, 1.0, 25.0, 50);
    expectViews(views, {{0, 60, 40, 30}, {50, 70, 40, 30}});
}

TEST(ViewTrack, LinearLeadInFromTheWholeFrame) {
    auto views = drive({{50, 50, 30, 80, 0}, {100, 50, 30, 80, 0}}, 1.0, 25.0, 50);
    expectViews(views, {{0, 100, 50, 50}, {10, 90, 46, 56}, {25, 75, 40, 65}, {50, 50, 30, 80}});
}

// Segment 100 to 200 with code 2; the lead-in reaches (80, 40, 60) at frame 100.
const std::vector<Keyframe> kHoldThenRamp = {{100, 80, 40, 60, 0}, {200, 30, 47, 53, 2}};

TEST(ViewTrack, HoldThenRampInWholeSteps) {
    auto views = drive(kHoldThenRamp, 1.0, 25.0, 210);  // T = 25
    expectSameView(views, 100, 175, 80, 40, 60);
    // The steps are truncated toward zero: (-7 * 24) / 25 is -6, not -7.
    expectViews(views, {{176, 78, 41, 59}, {190, 50, 45, 55}, {199, 32, 47, 53}});
    expectSameView(views, 200, 210, 30, 47, 53);
}

TEST(ViewTrack, SegmentNoLongerThanTheRampIsLinear) {
    // T = 125 and T = 100 against a segment of 100 frames.
    for (double seconds : {5.0, 4.0}) {
        SCOPED_TRACE(seconds);
        auto views = drive(kHoldThenRamp, seconds, 25.0, 200);
        expectViews(views, {{110, 75, 40.7, 59.3}, {150, 55, 43.5, 56.5}, {200, 30, 47, 53}});
    }
    // One frame shorter ramp than the segment: hold-then-ramp again.
    auto views = drive(kHoldThenRamp, 1.0, 99.0, 200);  // T = 99
    expectViews(views, {{100, 80, 40, 60}, {101, 80, 40, 60}, {110, 75, 41, 59}});
}

TEST(ViewTrack, OverflowingTransitionBehavesAsNegative) {
    const std::vector<Keyframe> keyframes = {{100, 60, 40, 30, 2}, {200, 30, 70, 20, 2}};
    auto views = drive(keyframes, 1e9, 25.0, 250);
    expectSameView(views, 0, 99, 100, 50, 50);
    expectSameView(views, 100, 250, 60, 40, 30);
}

TEST(ViewTrack, NegativeTransitionJumpsAtEachKeyframe) {
    const std::vector<Keyframe> keyframes = {
        {100, 60, 40, 30, 1}, {200, 30, 70, 20, 3}, {300, 50, 50, 50, 2}};
    auto views = drive(keyframes, -1.0, 25.0, 350);
    expectSameView(views, 0, 99, 100, 50, 50);
    expectSameView(views, 100, 199, 60, 40, 30);
    // The last segment holds its start view through its own end frame.
    expectSameView(views, 200, 350, 30, 70, 20);
}

TEST(ViewTrack, UnknownCodeKeepsThePreviousView) {
    const std::vector<Keyframe> keyframes = {
        {0, 100, 50, 50, 0}, {100, 50, 20, 20, 2}, {200, 80, 40, 40, 7}};
    auto views = drive(keyframes, 1.0, 25.0, 230);
    expectViews(views, {{98, 54, 22, 22}, {99, 52, 21, 21}});
    expectSameView(views, 100, 230, 52, 21, 21);
}

TEST(ViewTrack, IllustrativeJobScriptAt25Fps) {
    const std::vector<Keyframe> keyframes = {
        {100, 50, 30, 40, 2}, {250, 50, 70, 40, 0}, {400, 100, 50, 50, 1}};
    auto views = drive(keyframes, 1.5, 25.0, 500);
    expectSameView(views, 0, 63, 100, 50, 50);
    expectViews(views, {{64, 98, 49, 49},
                        {100, 50, 30, 40},
                        {175, 50, 50, 40},
                        {250, 50, 70, 40},
                        {325, 50, 70, 40},
                        {326, 51, 69, 41}});
    expectSameView(views, 399, 500, 100, 50, 50);
}

TEST(ViewTrack, LoneKeyframeIsShownFromItsFrameOn) {
    auto views = drive({{50, 60, 40, 30, 0}}, 1.0, 25.0, 80);
    expectViews(views, {{0, 100, 50, 50}, {25, 80, 45, 40}});
    expectSameView(views, 50, 80, 60, 40, 30);

    // Even when the lead-in never moves toward it.
    views = drive({{50, 60, 40, 30, 7}}, 1.0, 25.0, 60);
    expectSameView(views, 0, 49, 100, 50, 50);
    expectSameView(views, 50, 60, 60, 40, 30);

    // A keyframe before frame 0 is in force from the first frame.
    views = drive({{-10, 60, 40, 30, 2}}, 1.0, 25.0, 5);
    expectSameView(views, 0, 5, 60, 40, 30);
}

TEST(ViewTrack, RepeatedFramesShowEndValuesOneSegmentPerFrame) {
    const std::vector<Keyframe> keyframes = {{0, 100, 50, 50, 0},
                                             {50, 80, 40, 40, 0},
                                             {50, 60, 30, 30, 0},
                                             {50, 70, 20, 20, 0},
                                             {150, 20, 70, 70, 0}};
    auto views = drive(keyframes, 1.0, 25.0, 150);
    // The segments of no length show their end values, and the cursor moves
    // through them one per frame, so the segment from frame 50 to 150 starts
    // two frames late.
    expectViews(views, {{25, 90, 45, 45},
                        {50, 60, 30, 30},
                        {51, 70, 20, 20},
                        {52, 69, 21, 21},
                        {101, 44.5, 45.5, 45.5},
                        {150, 20, 70, 70}});
}

TEST(ViewTrack, CursorDoesNotSkipSegmentsWhenFramesAreSkipped) {
    ViewTrack track({{0, 100, 50, 50, 0}, {10, 80, 50, 50, 0}, {20, 60, 50, 50, 0},
                     {30, 40, 50, 50, 0}},
                    1.0, 25.0);
    track.selectSegment(0);
    // Still in the segment 10 to 20, run on past its end.
    EXPECT_EQ(track.selectSegment(25).zoom, 50.0);
    EXPECT_EQ(track.selectSegment(26).zoom, 48.0);  // now in 20 to 30
}

TEST(ViewTrack, ZeroLengthRampReachesItsEndAtTheEndFrame) {
    for (double fps : {25.0, 0.0}) {
        SCOPED_TRACE(fps);
        const double seconds = fps == 0.0 ? 1.0 : 0.0;
        auto views = drive({{0, 100, 50, 50, 0}, {100, 50, 20, 80, 2}}, seconds, fps, 120);
        expectSameView(views, 0, 99, 100, 50, 50);
        expectSameView(views, 100, 120, 50, 20, 80);
    }
}

TEST(InterpolateView, UnknownCodesLeaveTheViewUntouched) {
    for (int32_t code : {-1, 4, 7, INT32_MIN, INT32_MAX}) {
        ViewState view{12.5, 7.0, 3.0};
        interpolateView(view, 5, Segment{0, 10, 100, 50, 50, 20, 50, 80, code}, 1.0, 25.0);
        EXPECT_EQ(view.zoom, 12.5);
        EXPECT_EQ(view.centerX, 7.0);
        EXPECT_EQ(view.centerY, 3.0);
    }
}

TEST(InterpolateView, LinearTakesProductThenQuotientThenSum) {
    // The blend taken as a fraction first gives 36.999999999999993 and
    // 1.6666666666666665 here.
    ViewState view;
    interpolateView(view, 9, Segment{0, 11, 100, 23, 0, 5, 0, 0, 0}, 0.0, 25.0);
    EXPECT_EQ(view.zoom, 37.0);
    interpolateView(view, 1, Segment{0, 3, 100, 23, 0, 5, 0, 0, 0}, 0.0, 25.0);
    EXPECT_EQ(view.centerX, 0x1.aaaaaaaaaaaabp+0);
}

TEST(InterpolateView, LinearOrderDecidesTheCropWidth) {
    // Frame 9 of a lead-in of 11 frames toward zoom 23 is zoom 37 exactly.
    ViewTrack track({{11, 23, 50, 50, 0}}, 0.0, 25.0);
    const ViewState view = track.selectSegment(9);
    EXPECT_EQ(computeCropRect(100, 100, view), cv::Rect(32, 32, 37, 37));
}

TEST(InterpolateView, DifferencesDoNotOverflow) {
    ViewState view;
    // e - s is 2^32 - 1: linear halfway is -0.5.
    interpolateView(view, 1, Segment{0, 2, INT32_MIN, INT32_MAX, 0, 0, 0, 0, 0}, 0.0, 25.0);
    EXPECT_EQ(view.zoom, -0.5);
    // Ramp with T = 10 and 5 frames left: e + trunc((2^32 - 1) * 5 / 10).
    interpolateView(view, 95, Segment{0, 100, INT32_MAX, INT32_MIN, 0, 0, 0, 0, 2}, 10.0, 1.0);
    EXPECT_EQ(view.zoom, -1.0);
    // A segment across the whole 32-bit range is halfway at frame 0.
    interpolateView(view, 0, Segment{INT32_MIN, INT32_MAX, 0, 100, 0, 0, 0, 0, 0}, 0.0, 25.0);
    EXPECT_NEAR(view.zoom, 50.0, 1e-6);
}

// At 10 fps and 1 s, T is 20, 10 and 5 frames for codes 1, 2 and 3. A
// segment of exactly T frames moves linearly from its first frame on; one
// frame longer holds, then ramps in whole steps. Seven steps of zoom don't
// divide by T, so a ramp can't pass for the linear blend.
TEST(InterpolateView, ASegmentAsLongAsItsRampIsLinearForEveryCode) {
    for (const auto& [code, T] : {std::pair{1, 20}, std::pair{2, 10}, std::pair{3, 5}}) {
        SCOPED_TRACE(testing::Message() << "code " << code << ", T = " << T);
        ASSERT_EQ(transitionFrames(code, 1.0, 10.0), T);
        ViewState view;
        interpolateView(view, 41, Segment{40, 40 + T, 0, 7, 50, 43, 50, 50, code}, 1.0, 10.0);
        EXPECT_EQ(view.zoom, 7.0 / T);
        EXPECT_EQ(view.centerX, -7.0 / T + 50);
        interpolateView(view, 41, Segment{40, 41 + T, 0, 7, 50, 43, 50, 50, code}, 1.0, 10.0);
        EXPECT_EQ(view.zoom, 0.0);
        EXPECT_EQ(view.centerX, 50.0);
        interpolateView(view, 42, Segment{40, 41 + T, 0, 7, 50, 43, 50, 50, code}, 1.0, 10.0);
        EXPECT_EQ(view.zoom, 7.0 - 7 * (T - 1) / T);  // whole steps, truncated
    }
}

TEST(InterpolateView, ZeroLengthRampPastItsEndShowsTheEnd) {
    ViewState view;
    interpolateView(view, 130, Segment{0, 100, 100, 50, 50, 20, 50, 80, 2}, 0.0, 25.0);
    EXPECT_EQ(view.zoom, 50.0);
    EXPECT_EQ(view.centerX, 20.0);
    EXPECT_EQ(view.centerY, 80.0);
}

TEST(InterpolateView, AnyInputGivesAView) {
    // Run under the sanitizers, this catches overflow and division by zero.
    const int32_t values[] = {INT32_MIN, -1, 0, 1, 100, INT32_MAX};
    const double seconds[] = {0.0, -1.0, 1.5, 1e300, kNaN, -kInf};
    const double rates[] = {0.0, -25.0, 25.0, kNaN, 1e300};
    int checked = 0;
    for (int32_t a : values) {
        for (int32_t b : values) {
            for (int32_t cur : values) {
                for (int32_t code : {0, 1, 2, 3}) {
                    for (double s : seconds) {
                        for (double fps : rates) {
                            ViewState view;
                            interpolateView(view, cur, Segment{a, b, INT32_MIN, INT32_MAX, a, b,
                                                               INT32_MAX, INT32_MIN, code},
                                            s, fps);
                            checked += std::isfinite(view.zoom) && std::isfinite(view.centerX) &&
                                       std::isfinite(view.centerY);
                        }
                    }
                }
            }
        }
    }
    EXPECT_EQ(checked, 6 * 6 * 6 * 4 * 6 * 5);
}

TEST(ViewTrack, AnyTableGivesAView) {
    const std::vector<Keyframe> table = {{INT32_MAX, INT32_MIN, 0, INT32_MAX, 1},
                                         {5, 50, 50, 50, 0},
                                         {5, 10, 10, 10, 3},
                                         {-20, INT32_MAX, INT32_MIN, 0, 2},
                                         {INT32_MIN, 0, 0, 0, 9},
                                         {40, 100, 50, 50, 1}};
    for (size_t start = 0; start < table.size(); ++start) {
        std::vector<Keyframe> keyframes(table.begin() + static_cast<long>(start), table.end());
        for (double fps : {25.0, 0.0, -25.0, kNaN, 1e300}) {
            ViewTrack track(keyframes, 1.0, fps);
            for (int32_t cur = 0; cur < 60; ++cur) {
                const ViewState& view = track.selectSegment(cur);
                ASSERT_TRUE(std::isfinite(view.zoom) && std::isfinite(view.centerX) &&
                            std::isfinite(view.centerY));
            }
        }
    }
}
