// The studio's pictures and views are the run's own: crops and output
// pixels equal what ViewTrack, computeCropRect and renderView make from a
// sequential decode, whatever order the page asks in (the frames themselves
// are studio_frames_test's).
#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>

#include "render/crop_rect.h"
#include "render/frame_render.h"
#include "render/view_track.h"
#include "studio/png_writer.h"
#include "studio_fixture.h"

using namespace testing_support;
using nlohmann::json;

namespace {

constexpr int kWidth = 96;
constexpr int kHeight = 64;
constexpr int kFrames = 40;
// Frame 40 is past the end: the last keyframe is never reached and the
// ramp of code 3 starts within the clip.
const std::vector<std::string> kKeyframes = {
    "in 8 50 30 40 2", "across 20 35 80 60 0", "out 40 100 50 50 3"};
const std::vector<camdrift::Keyframe> kTrack = {
    {8, 50, 30, 40, 2}, {20, 35, 80, 60, 0}, {40, 100, 50, 50, 3}};

std::vector<camdrift::ViewState> expectedViews() {
    camdrift::ViewTrack track(kTrack, 1.0, 25.0);
    std::vector<camdrift::ViewState> views;
    for (int n = 0; n < kFrames; ++n) views.push_back(track.selectSegment(n));
    return views;
}

bool samePixels(const cv::Mat& a, const cv::Mat& b) {
    return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0.0;
}

class StudioViews : public ::testing::Test {
protected:
    StudioSessionFixture session_{kWidth, kHeight, kFrames, kKeyframes};
    std::vector<cv::Mat> sequential_ = readAllFrames(session_.sourcePath());
    std::vector<camdrift::ViewState> views_ = expectedViews();
};

TEST_F(StudioViews, OutputFramesEqualRenderViewPixelForPixel) {
    const json job = session_.jobJson();
    for (int n : {0, 7, 8, 9, 19, 20, 21, 33, 39, 3}) {
        const camdrift::Response answer = session_.post("/api/output", json{{"job", job}, {"frame", n}});
        ASSERT_EQ(answer.status, 200) << answer.body;
        EXPECT_EQ(answer.contentType, "image/png");
        const std::vector<unsigned char> bytes(answer.body.begin(), answer.body.end());
        const cv::Mat png = cv::imdecode(bytes, cv::IMREAD_COLOR);
        cv::Mat expected;
        camdrift::renderView(sequential_[n], views_[n], cv::Size(kWidth / 2, kHeight / 2), expected);
        EXPECT_TRUE(samePixels(png, expected)) << "frame " << n;
    }
}

TEST(StudioPng, HoldsEveryPixelOfAnyBgrImage) {
    cv::RNG random(7);
    for (const cv::Size size : {cv::Size(1, 1), cv::Size(2, 3), cv::Size(97, 5), cv::Size(640, 1),
                                cv::Size(1, 300), cv::Size(321, 181)}) {
        cv::Mat image(size, CV_8UC3);
        random.fill(image, cv::RNG::UNIFORM, 0, 256);
        const std::string png = camdrift::encodePng(image);
        const std::vector<unsigned char> bytes(png.begin(), png.end());
        EXPECT_TRUE(samePixels(cv::imdecode(bytes, cv::IMREAD_UNCHANGED), image))
            << size.width << "x" << size.height;
    }
    // A view into a larger image: its rows are apart by more than their width.
    cv::Mat large(40, 60, CV_8UC3);
    random.fill(large, cv::RNG::UNIFORM, 0, 256);
    const cv::Mat part = large(cv::Rect(7, 3, 31, 20));
    const std::string png = camdrift::encodePng(part);
    EXPECT_TRUE(samePixels(cv::imdecode(std::vector<unsigned char>(png.begin(), png.end()),
                                        cv::IMREAD_UNCHANGED), part));
    EXPECT_EQ(camdrift::encodePng(cv::Mat()), "");
    EXPECT_EQ(camdrift::encodePng(cv::Mat(4, 4, CV_8UC1, cv::Scalar(9))), "");
}

TEST_F(StudioViews, TrackHoldsEveryFramesViewAndCrop) {
    const camdrift::Response answer = session_.post("/api/track", json{{"job", session_.jobJson()}});
    ASSERT_EQ(answer.status, 200) << answer.body;
    const json track = json::parse(answer.body);
    ASSERT_EQ(track["frames"], kFrames);
    ASSERT_EQ(track["crops"].size(), static_cast<size_t>(4 * kFrames));
    for (int n = 0; n < kFrames; ++n) {
        const camdrift::ViewState& v = views_[n];
        EXPECT_EQ(track["zoom"][n].get<double>(), v.zoom) << n;
        EXPECT_EQ(track["centerX"][n].get<double>(), v.centerX) << n;
        EXPECT_EQ(track["centerY"][n].get<double>(), v.centerY) << n;
        const cv::Rect crop = camdrift::computeCropRect(kWidth, kHeight, v);
        EXPECT_EQ(track["crops"][4 * n].get<int>(), crop.x) << n;
        EXPECT_EQ(track["crops"][4 * n + 1].get<int>(), crop.y) << n;
        EXPECT_EQ(track["crops"][4 * n + 2].get<int>(), crop.width) << n;
        EXPECT_EQ(track["crops"][4 * n + 3].get<int>(), crop.height) << n;
    }
    // Frames 0-8 linear (T = 25 covers the segment), 9-20 linear, then the
    // code-3 ramp of 12 frames holds until frame 28 and moves from 29 on.
    EXPECT_EQ(track["motion"].get<std::string>(),
              "S" + std::string(20, 'L') + std::string(8, 'S') + std::string(11, 'R'));
}

TEST_F(StudioViews, ViewOfOneFrameEqualsTheTrack) {
    const json job = session_.jobJson();
    for (int n : {0, 8, 14, 29, 39}) {
        const camdrift::Response answer = session_.post("/api/view", json{{"job", job}, {"frame", n}});
        ASSERT_EQ(answer.status, 200) << answer.body;
        const json view = json::parse(answer.body);
        EXPECT_EQ(view["view"]["zoom"].get<double>(), views_[n].zoom) << n;
        EXPECT_EQ(view["view"]["centerX"].get<double>(), views_[n].centerX) << n;
        EXPECT_EQ(view["view"]["centerY"].get<double>(), views_[n].centerY) << n;
        const cv::Rect crop = camdrift::computeCropRect(kWidth, kHeight, views_[n]);
        EXPECT_EQ(view["crop"], (json{{"x", crop.x}, {"y", crop.y}, {"width", crop.width},
                                      {"height", crop.height}})) << n;
    }
}

TEST_F(StudioViews, SourceFrameIsAJpegOfTheUprightFrameScaledToTheWidthAsked) {
    const camdrift::Response full = session_.get("/api/frame", {{"n", "5"}});
    ASSERT_EQ(full.status, 200) << full.body;
    EXPECT_EQ(full.contentType, "image/jpeg");
    const std::vector<unsigned char> bytes(full.body.begin(), full.body.end());
    const cv::Mat jpeg = cv::imdecode(bytes, cv::IMREAD_COLOR);
    ASSERT_EQ(jpeg.size(), cv::Size(kWidth, kHeight));
    // Lossy, but close: JPEG at quality 85 of a smooth pattern.
    EXPECT_LT(cv::norm(jpeg, sequential_[5], cv::NORM_L1) / jpeg.total() / 3, 8.0);

    const camdrift::Response half = session_.get("/api/frame", {{"n", "5"}, {"maxWidth", "48"}});
    const std::vector<unsigned char> small(half.body.begin(), half.body.end());
    EXPECT_EQ(cv::imdecode(small, cv::IMREAD_COLOR).size(), cv::Size(48, 32));
}

TEST_F(StudioViews, EditedJobIsDrawnWithoutSaving) {
    json job = session_.jobJson();
    job["keyframes"] = json::array({{{"label", "only"}, {"frame", 0}, {"zoom", 25},
                                     {"centerX", 0}, {"centerY", 100}, {"transition", 0}}});
    job["width"] = 30;
    job["height"] = 20;
    const camdrift::Response answer = session_.post("/api/output", json{{"job", job}, {"frame", 9}});
    ASSERT_EQ(answer.status, 200) << answer.body;
    const std::vector<unsigned char> bytes(answer.body.begin(), answer.body.end());
    cv::Mat expected;
    camdrift::renderView(sequential_[9], camdrift::ViewState{25, 0, 100}, cv::Size(30, 20), expected);
    EXPECT_TRUE(samePixels(cv::imdecode(bytes, cv::IMREAD_COLOR), expected));
    // The crop of zoom 25 at the bottom-left corner: 24 x 16 pushed inside.
    const camdrift::Response view = session_.post("/api/view", json{{"job", job}, {"frame", 9}});
    EXPECT_EQ(json::parse(view.body)["crop"],
              (json{{"x", 0}, {"y", 48}, {"width", 24}, {"height", 16}}));
}

TEST_F(StudioViews, OutputSizeThatCantBeDrawnIsTold) {
    json job = session_.jobJson();
    for (const auto& [width, height] : std::vector<std::pair<int, int>>{{0, 20}, {20, -1}, {100000, 100000}}) {
        job["width"] = width;
        job["height"] = height;
        const camdrift::Response answer = session_.post("/api/output", json{{"job", job}, {"frame", 0}});
        EXPECT_EQ(answer.status, 422) << width << "x" << height;
    }
}

}  // namespace
