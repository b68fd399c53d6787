#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <opencv2/core.hpp>

#include "render/crop_rect.h"

using namespace camdrift;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct CropCase {
    int32_t width, height;
    ViewState view;
    cv::Rect rect;
};

void expectCrops(const CropCase* begin, const CropCase* end) {
    for (const CropCase* c = begin; c != end; ++c) {
        SCOPED_TRACE(testing::Message() << c->width << "x" << c->height << " view ("
                                        << c->view.zoom << ", " << c->view.centerX << ", "
                                        << c->view.centerY << ")");
        EXPECT_EQ(computeCropRect(c->width, c->height, c->view), c->rect);
    }
}

}  // namespace

TEST(CropRect, KnownViews) {
    const CropCase cases[] = {
        // Pushed up from the bottom edge: top 432 - 120 becomes 480 - 240.
        {640, 480, {50, 25, 90}, {0, 240, 320, 240}},
        // Multiplied before dividing: 720 * 35 / 100 is 252, 720 * 0.35 is 251.99...
        {720, 480, {35, 50, 50}, {234, 156, 252, 168}},
        // Just below the whole frame.
        {640, 480, {99.9, 50, 50}, {1, 1, 639, 479}},
        {640, 480, {50, 0, 0}, {0, 0, 320, 240}},
        {640, 480, {50, 100, 100}, {320, 240, 320, 240}},
        {640, 480, {100, 50, 50}, {0, 0, 640, 480}},
        // Half of an odd side rounds toward zero: 50 - 33 / 2 is 34.
        {100, 100, {33, 50, 50}, {34, 34, 33, 33}},
        {641, 100, {50, 50, 50}, {160, 25, 320, 50}},
        // Centre past the edges.
        {640, 480, {50, -30, 250}, {0, 240, 320, 240}},
    };
    expectCrops(std::begin(cases), std::end(cases));
}

TEST(CropRect, ViewsWithoutAreaKeepOnePixel) {
    const CropCase cases[] = {
        {640, 480, {0, 50, 50}, {320, 240, 1, 1}},
        {640, 480, {-20, 50, 50}, {320, 240, 1, 1}},
        {640, 480, {0.1, 50, 50}, {320, 240, 1, 1}},
        {640, 480, {kNaN, 50, 50}, {320, 240, 1, 1}},
        {640, 480, {-kInf, 50, 50}, {320, 240, 1, 1}},
        // Sides beyond 32 bits truncate like NaN.
        {640, 480, {kInf, 50, 50}, {320, 240, 1, 1}},
        {640, 480, {1e9, 10, 90}, {64, 432, 1, 1}},
        {640, 480, {0, 100, 100}, {639, 479, 1, 1}},
    };
    expectCrops(std::begin(cases), std::end(cases));
}

TEST(CropRect, ZoomBeyondTheFrameKeepsTheWholeFrame) {
    const CropCase cases[] = {
        {640, 480, {150, 50, 50}, {0, 0, 640, 480}},
        {640, 480, {100.5, 10, 90}, {0, 0, 640, 480}},
    };
    expectCrops(std::begin(cases), std::end(cases));
}

TEST(CropRect, UnusableCentresGoToTheTopLeft) {
    const CropCase cases[] = {
        {640, 480, {50, kNaN, kNaN}, {0, 0, 320, 240}},
        {640, 480, {50, kInf, -kInf}, {0, 0, 320, 240}},
        {640, 480, {50, 1e300, 1e300}, {0, 0, 320, 240}},
    };
    expectCrops(std::begin(cases), std::end(cases));
}

TEST(CropRect, FrameSidesBelowOnePixelGiveOffsetZeroLengthOne) {
    const CropCase cases[] = {
        {1, 1, {50, 50, 50}, {0, 0, 1, 1}},
        {0, 480, {50, 50, 50}, {0, 120, 1, 240}},
        {-5, INT32_MIN, {50, 50, 50}, {0, 0, 1, 1}},
    };
    expectCrops(std::begin(cases), std::end(cases));
}

TEST(CropRect, AlwaysInsideTheFrame) {
    const int32_t sides[] = {1, 2, 3, 719, 1080, 1920, INT32_MAX};
    const double zooms[] = {-1, 0, 0.5, 1, 33.3, 50, 99.99, 100, 101, kNaN};
    const double centres[] = {-1e10, -50, 0, 0.1, 49.9, 50, 99.9, 100, 150, 1e10, kNaN};
    for (int32_t width : sides) {
        for (int32_t height : sides) {
            for (double zoom : zooms) {
                for (double cx : centres) {
                    for (double cy : centres) {
                        const cv::Rect r = computeCropRect(width, height, {zoom, cx, cy});
                        ASSERT_TRUE(r.width >= 1 && r.height >= 1 && r.x >= 0 && r.y >= 0 &&
                                    r.width <= width - r.x && r.height <= height - r.y)
                            << width << "x" << height << " (" << zoom << ", " << cx << ", "
                            << cy << ") gave " << r;
                    }
                }
            }
        }
    }
}
