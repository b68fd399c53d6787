// The pure parts of the libav reader and writer: OpenCV's formulas for the
// capture's numbers and the writer's rates, and the geometry of upright
// regions and of the part converted for them.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <opencv2/videoio.hpp>
#include <string>

#include "video/bgr_convert.h"
#include "video/capture_numbers.h"
#include "video/codec_fourcc.h"
#include "video/opencv_video_io_loader.h"
#include "video/upright_frame.h"
#include "video/upright_rect.h"
#include "video/writer_settings.h"

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/display.h>
}

namespace {

using namespace camdrift;

struct RateCase {
    double fps;
    bool representable;
    int rate, base;
};

TEST(WriterNumbers, DecimalTimeBaseLikeOpenCv) {
    const RateCase cases[] = {
        {25, true, 25, 1},        {30000.0 / 1001, true, 2997, 100},
        {24000.0 / 1001, true, 23976, 1000}, {0.5, true, 5, 10},
        {59.94, true, 5994, 100}, {12.5, true, 125, 10},
        {1e9, true, 1000000000, 1},
        // Below 0.001 the first guess, a rate of 0, is already close enough.
        {0.0001, true, 0, 1},
        {0, false, 0, 0}, {-1, false, 0, 0}, {3e9, false, 0, 0},
        {std::numeric_limits<double>::infinity(), false, 0, 0}, {std::nan(""), false, 0, 0},
    };
    for (const RateCase& c : cases) {
        const auto r = openCvFrameRate(c.fps);
        if (!c.representable) {
            EXPECT_FALSE(r.has_value()) << c.fps;
        } else {
            ASSERT_TRUE(r.has_value()) << c.fps;
            EXPECT_EQ(r->num, c.rate) << c.fps;
            EXPECT_EQ(r->den, c.base) << c.fps;
        }
    }
}

TEST(WriterNumbers, BitRateAddsHalfTwiceAndH264OnlyOnce) {
    struct Case {
        double scale, fps;
        int w, h;
        bool h264;
        int64_t rate;
    };
    const Case cases[] = {
        {1, 25, 96, 64, false, 307200},      // 153600 + 76800 + 76800
        {1, 25, 96, 64, true, 76800},        // zeroed for libx264, then + 76800
        {3, 25, 96, 64, false, 921600},      // MJPEG's triple basis
        {1, 29.97, 97, 63, false, 366293},   // basis 183146.67: 183147 + 91573 + 91573
        {1, 1e6, 4000, 4000, false, INT_MAX},  // capped at INT_MAX/2, sum capped at INT_MAX
    };
    for (const Case& c : cases) {
        const double basis = openCvBitrateBasis(c.scale, c.fps, c.w, c.h);
        const EncoderRates r = openCvEncoderRates(basis, c.h264);
        EXPECT_EQ(r.bitRate, c.rate) << c.fps << " " << c.w << "x" << c.h;
        EXPECT_EQ(r.tolerance, c.rate);
    }
}

TEST(WriterNumbers, ClosestSupportedRate) {
    const AVRational rates[] = {{24000, 1001}, {24, 1}, {25, 1}, {30000, 1001}, {0, 0}};
    EXPECT_EQ(av_cmp_q(*closestSupportedRate({2997, 100}, rates), AVRational{30000, 1001}), 0);
    EXPECT_EQ(av_cmp_q(*closestSupportedRate({26, 1}, rates), AVRational{25, 1}), 0);
    const AVRational none[] = {{0, 0}};
    EXPECT_FALSE(closestSupportedRate({25, 1}, none).has_value());
}

TEST(CaptureNumbers, FpsAndFrameCountLikeOpenCv) {
    struct Case {
        StreamTiming t;
        double fps;
        int64_t frames;
    };
    const Case cases[] = {
        {{{25, 1}, {1, 25}, 48, 48, 1920000}, 25, 48},
        // No frame count: the container's duration times fps, rounded.
        {{{30000, 1001}, {1, 30000}, 0, 0, 2002000}, 30000.0 / 1001, 60},
        // No container duration: the stream's.
        {{{25, 1}, {1, 1000}, 0, 1000, AV_NOPTS_VALUE}, 25, 25},
        // No average rate: 1/time base.
        {{{0, 0}, {1, 90000}, 0, 90000, AV_NOPTS_VALUE}, 90000, 90000},
        // Nothing known: an infinite rate and OpenCV's INT64_MIN count.
        {{{0, 1}, {0, 0}, 0, AV_NOPTS_VALUE, AV_NOPTS_VALUE},
         std::numeric_limits<double>::infinity(), INT64_MIN},
        // A count the container states wins, whatever it is.
        {{{25, 1}, {1, 25}, -3, 48, 1920000}, 25, -3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(captureFps(c.t), c.fps);
        EXPECT_EQ(captureFrameCount(c.t), c.frames);
    }
}

TEST(CaptureNumbers, RotationFromTheDisplayMatrix) {
    EXPECT_EQ(captureRotation(nullptr), 0);
    // av_display_rotation_set takes counterclockwise degrees; OpenCV's angle
    // is the clockwise one, made non-negative.
    const std::pair<double, int> cases[] = {{0, 0}, {-90, 90}, {90, 270}, {180, 180},
                                            {-180, 180}, {-30, 30}, {30, 330}, {-89.6, 90}};
    for (const auto& [ccw, angle] : cases) {
        int32_t m[9];
        av_display_rotation_set(m, ccw);
        EXPECT_EQ(captureRotation(m), angle) << ccw;
    }
}

// A crop of the turned frame equals the turned crop of decodedRectOf, for
// every angle and many rectangles; this pins both mappings to cv::rotate.
TEST(Upright, RegionMappingsFollowTheTurn) {
    cv::Mat decoded(7, 11, CV_16UC1);
    for (int y = 0; y < decoded.rows; ++y) {
        for (int x = 0; x < decoded.cols; ++x) {
            decoded.at<uint16_t>(y, x) = static_cast<uint16_t>(y * 100 + x);
        }
    }
    for (const int angle : {0, 90, 180, 270, 45}) {
        cv::Mat turned;
        turnUpright(decoded, angle, turned);
        EXPECT_EQ(turned.cols, swapsSides(angle) ? 7 : 11) << angle;
        for (int x = 0; x < turned.cols; ++x) {
            for (int y = 0; y < turned.rows; ++y) {
                for (const cv::Size s : {cv::Size(1, 1), cv::Size(3, 2), cv::Size(2, 5)}) {
                    const cv::Rect r(x, y, s.width, s.height);
                    if (r.br().x > turned.cols || r.br().y > turned.rows) {
                        continue;
                    }
                    const cv::Rect d = decodedRectOf(r, decoded.size(), angle);
                    // A part around d, as a conversion would make it.
                    const cv::Rect part =
                        cv::Rect(d.x - 1, d.y - 1, d.width + 2, d.height + 2) & cv::Rect({}, decoded.size());
                    cv::Mat partTurned;
                    turnUpright(decoded(part), angle, partTurned);
                    const cv::Rect within = uprightRectWithin(r, part, decoded.size(), angle);
                    ASSERT_EQ(cv::norm(partTurned(within), turned(r), cv::NORM_INF), 0)
                        << "angle " << angle << " rect " << r;
                }
            }
        }
    }
}

TEST(BgrConvert, ConvertedRectStartsOnSixteenAndEvenRowsWithASteadySize) {
    const cv::Size coded(100, 64);
    struct Case {
        cv::Rect wanted, converted;
    };
    const Case cases[] = {
        {{0, 0, 1, 1}, {0, 0, 32, 4}},       {{17, 3, 1, 1}, {16, 2, 32, 4}},
        {{15, 1, 2, 2}, {0, 0, 32, 4}},      {{99, 63, 1, 1}, {96, 62, 4, 2}},
        {{90, 0, 10, 64}, {80, 0, 20, 64}},  {{0, 0, 100, 64}, {0, 0, 100, 64}},
        {{33, 17, 31, 30}, {32, 16, 48, 32}}, {{40, 21, 31, 30}, {32, 20, 48, 32}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(convertedRectFor(c.wanted, coded), c.converted) << c.wanted;
    }
}

TEST(BgrConvert, OnlyPlanarEightBitYuvWithEvenRowsConvertsPerPixel) {
    EXPECT_TRUE(convertsPerPixel(AV_PIX_FMT_YUV420P, 64));
    EXPECT_TRUE(convertsPerPixel(AV_PIX_FMT_YUV422P, 64));
    EXPECT_TRUE(convertsPerPixel(AV_PIX_FMT_YUVJ420P, 64));
    EXPECT_FALSE(convertsPerPixel(AV_PIX_FMT_YUV420P, 63));
    EXPECT_FALSE(convertsPerPixel(AV_PIX_FMT_YUV444P, 64));
    EXPECT_FALSE(convertsPerPixel(AV_PIX_FMT_YUV420P10LE, 64));
    EXPECT_FALSE(convertsPerPixel(AV_PIX_FMT_NV12, 64));
    EXPECT_FALSE(convertsPerPixel(AV_PIX_FMT_BGRA, 64));
}

}  // namespace

// The run packs the codec line itself (camdrift doesn't link OpenCV's video
// library); it must give cv::VideoWriter::fourcc's number, sign included.
TEST(CodecFourcc, PacksTheFirstFourBytesAsOpenCvDoes) {
    const std::string lines[] = {"XVID", "avc1", "MJPG", "FFV1", "mp4v", "XV\n", "\xff\x80\x7f\x01",
                                 "", "\xe9t\xe9"};
    for (const std::string& line : lines) {
        camdrift::CodecCode code{};
        std::copy(line.begin(), line.end(), code.begin());
        EXPECT_EQ(camdrift::fourccOf(code),
                  cv::VideoWriter::fourcc(static_cast<char>(code[0]), static_cast<char>(code[1]),
                                          static_cast<char>(code[2]), static_cast<char>(code[3])))
            << line;
    }
}

// A build runs the module from its own folder; an install from lib/camdrift
// under the prefix, wherever that prefix is.
TEST(OpenCvModule, LooksBesideTheExecutableThenInTheInstalledLibFolder) {
    EXPECT_EQ(camdrift::openCvVideoIoModulePaths("/usr/bin"),
              (std::vector<std::string>{"/usr/bin/camdrift-opencv-io.so",
                                        "/usr/bin/../lib/camdrift/camdrift-opencv-io.so"}));
    EXPECT_EQ(camdrift::openCvVideoIoModulePaths(""),
              (std::vector<std::string>{"./camdrift-opencv-io.so",
                                        "./../lib/camdrift/camdrift-opencv-io.so"}));
}
