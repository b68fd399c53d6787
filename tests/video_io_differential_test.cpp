// The run's default path (the libav reader and writer wherever they
// reproduce OpenCV) against CAMDRIFT_VIDEO_IO=opencv: the real camdrift
// executable runs each cell's job twice, and the two output files must be
// the same bytes (Matroska's random UIDs and the CRCs over them aside), the
// console the same text and the exit status the same. Each cell also checks
// which reader and writer the default run took, so a cell can't pass by
// both runs quietly using OpenCV. When a new OpenCV or FFmpeg changes what
// OpenCV's capture or writer does, these cells are the ones that fail.
//
// The matrix: every source kind (reader side) meets at least one codec,
// every codec (writer side) meets several sources, and the two ends where
// they interact, the frame count (a one-frame clip, containers that claim
// more or fewer frames) and the encoder's flush, meet every codec or two.
// Sources are 24 frames or fewer of 64x48 to 128x72, so a cell takes well
// under a second.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "test_support.h"
#include "video_fixtures.h"
#include "video_sources.h"

using namespace testing_support;

namespace {

// Zoom under 100 from the first frame on, centres that put the crop's
// corners on odd and even pixels as the view moves, a whole-frame view in
// the middle, and each transition code.
const std::vector<std::string> kKeyframes = {
    "start 0 57 43 39 0", "pan 6 41 71 29 2", "wide 12 100 50 50 0",
    "in 18 33 23 67 1",   "out 23 79 61 53 3",
};

struct Cell {
    const char* source;     // a testSource name
    const char* codec;      // the job's codec line
    const char* extension;  // the output's
    int width;              // the output size
    int height;
    const char* reader;     // what the default run reads with: libav, opencv
    const char* writer;     // and writes with: libav, opencv, none
    int exitStatus;         // of both runs
    bool muxer = false;     // /usr/bin/ffmpeg copies the source's sound
    const char* captureOptions = nullptr;  // OPENCV_FFMPEG_CAPTURE_OPTIONS for both runs
    const char* title = "camdrift test job";  // line 1, where settings go
};

constexpr const char* kOutputShaped = "reframed crop=output";

const Cell kCells[] = {
    // One source through every codec and container kind.
    {"mpeg4_xvid.avi", "XVID", "avi", 64, 48, "libav", "libav", 0},
    {"mpeg4_xvid.avi", "MJPG", "avi", 97, 63, "libav", "libav", 0},
    {"mpeg4_xvid.avi", "FFV1", "mkv", 80, 46, "libav", "libav", 0},
    {"mpeg4_xvid.avi", "mp4v", "mp4", 96, 64, "libav", "libav", 0},
    {"mpeg4_xvid.avi", "avc1", "mp4", 97, 63, "libav", "libav", 0},
    // Every other source kind with a codec or two.
    {"h264_bframes.mp4", "avc1", "mp4", 64, 48, "libav", "libav", 0},
    {"h264_coded_larger.mp4", "XVID", "avi", 100, 58, "libav", "libav", 0},
    {"mjpeg.avi", "MJPG", "avi", 80, 46, "libav", "libav", 0},
    {"mjpeg.avi", "mp4v", "mov", 64, 48, "libav", "libav", 0},
    {"ffv1_odd_height.mkv", "FFV1", "avi", 95, 63, "libav", "libav", 0},
    {"ffv1_odd_height.mkv", "XVID", "avi", 64, 48, "libav", "libav", 0},
    {"hevc_10bit.mkv", "avc1", "mp4", 80, 46, "libav", "libav", 0},
    {"hevc_10bit.mkv", "MJPG", "avi", 64, 48, "libav", "libav", 0},
    {"phone_90_aac.mp4", "avc1", "mp4", 72, 128, "libav", "libav", 0, true},
    {"phone_90_aac.mp4", "XVID", "avi", 45, 80, "libav", "libav", 0},
    {"claims_more.avi", "XVID", "avi", 64, 48, "libav", "libav", 0},
    {"claims_more.avi", "FFV1", "mkv", 64, 48, "libav", "libav", 0},
    {"claims_fewer.avi", "mp4v", "mp4", 64, 48, "libav", "libav", 0},
    // One frame: every encoder's flush with a single frame in it.
    {"one_frame.mp4", "XVID", "avi", 64, 48, "libav", "libav", 0},
    {"one_frame.mp4", "MJPG", "avi", 64, 48, "libav", "libav", 0},
    {"one_frame.mp4", "FFV1", "avi", 64, 48, "libav", "libav", 0},
    {"one_frame.mp4", "mp4v", "mp4", 64, 48, "libav", "libav", 0},
    {"one_frame.mp4", "avc1", "mp4", 64, 48, "libav", "libav", 0},
    // Where the default path hands a side to OpenCV, or fails as OpenCV does.
    {"mpeg4_xvid.avi", "HFYU", "avi", 64, 48, "libav", "opencv", 0},
    {"mpeg4_xvid.avi", "XVID", "avi", 64, 48, "opencv", "libav", 0, false, "probesize;5000000"},
    {"mpeg4_xvid.avi", "QQQQ", "avi", 64, 48, "libav", "none", 1},
    // Windows of the output's shape: tall from wide, square from an upright
    // phone clip, wide from a B-framed source, with odd sides.
    {"mpeg4_xvid.avi", "XVID", "avi", 36, 64, "libav", "libav", 0, false, nullptr, kOutputShaped},
    {"phone_90_aac.mp4", "avc1", "mp4", 64, 64, "libav", "libav", 0, true, nullptr, kOutputShaped},
    {"h264_bframes.mp4", "MJPG", "avi", 97, 31, "libav", "libav", 0, false, nullptr, kOutputShaped},
};

// Shown by gtest when a cell fails.
void PrintTo(const Cell& cell, std::ostream* os) {
    *os << cell.source << " -> " << cell.codec << " ." << cell.extension << " " << cell.width
        << "x" << cell.height;
}

struct CellRun {
    RunResult result;
    std::string output;  // the output file's bytes; empty when there is none
    std::string ioLog;   // what CAMDRIFT_VIDEO_IO_LOG received
};

std::string bytesIfAny(const std::string& path) {
    return exists(path) ? readFile(path) : std::string();
}

// Runs the cell's job in a folder of its own, with the output named
// relatively so both runs print the same "fn2=" line.
CellRun runCell(const Cell& cell, const std::string& folder, const std::string& sourcePath,
            bool forceOpenCv) {
    const std::string output = std::string("out.") + cell.extension;
    writeFile(folder + "/job.txt",
              jobScriptText({sourcePath, output, cell.muxer ? "/usr/bin/ffmpeg" : "", cell.codec,
                             "0.3", std::to_string(cell.width), std::to_string(cell.height),
                             kKeyframes, true, cell.title}));
    RunOptions options;
    options.cwd = folder;
    options.env["CAMDRIFT_VIDEO_IO_LOG"] = folder + "/io.log";
    if (forceOpenCv) {
        options.env["CAMDRIFT_VIDEO_IO"] = "opencv";
    } else {
        options.unsetEnv.push_back("CAMDRIFT_VIDEO_IO");
    }
    if (cell.captureOptions != nullptr) {
        options.env["OPENCV_FFMPEG_CAPTURE_OPTIONS"] = cell.captureOptions;
    } else {
        options.unsetEnv.push_back("OPENCV_FFMPEG_CAPTURE_OPTIONS");
    }
    CellRun run;
    run.result = runCamdrift({folder + "/job.txt"}, options);
    run.output = bytesIfAny(folder + "/" + output);
    run.ioLog = bytesIfAny(folder + "/io.log");
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

// "libav" for "libav", "opencv" for "opencv (why)", and so on.
std::string kindOf(const std::string& ioLog, const std::string& side) {
    const std::string key = side + ": ";
    const size_t at = ioLog.find(key);
    if (at == std::string::npos) return "";
    const size_t from = at + key.size();
    return ioLog.substr(from, ioLog.find_first_of(" \n", from) - from);
}

class VideoIoDifferential : public ::testing::TestWithParam<Cell> {};

TEST_P(VideoIoDifferential, DefaultPathWritesOpenCvsBytesAndLines) {
    const Cell& cell = GetParam();
    const std::string source = testSource(cell.source);
    if (source.empty() && std::string(cell.source) == "hevc_10bit.mkv") {
        GTEST_SKIP() << "this ffmpeg has no libx265";
    }
    ASSERT_FALSE(source.empty()) << "ffmpeg didn't make " << cell.source;
    ScratchDir dir;
    std::filesystem::create_directory(dir.file("default"));
    std::filesystem::create_directory(dir.file("opencv"));
    const CellRun ours = runCell(cell, dir.file("default"), source, false);
    const CellRun theirs = runCell(cell, dir.file("opencv"), source, true);

    EXPECT_EQ(kindOf(ours.ioLog, "reader"), cell.reader) << ours.ioLog;
    EXPECT_EQ(kindOf(ours.ioLog, "writer"), cell.writer) << ours.ioLog;
    EXPECT_EQ(kindOf(theirs.ioLog, "reader"), "opencv") << theirs.ioLog;
    EXPECT_EQ(theirs.result.exitStatus, cell.exitStatus) << theirs.result.out;

    EXPECT_EQ(ours.result.out, theirs.result.out);
    EXPECT_EQ(ours.result.exitStatus, theirs.result.exitStatus);
    EXPECT_EQ(ours.output.empty(), theirs.output.empty());
    const bool matroska = std::string(cell.extension) == "mkv";
    const std::string expected = matroska ? withoutMatroskaUids(theirs.output) : theirs.output;
    const std::string actual = matroska ? withoutMatroskaUids(ours.output) : ours.output;
    const size_t at = firstDifference(expected, actual);
    EXPECT_EQ(at, std::string::npos) << "the files differ at byte " << at << " (sizes "
                                     << expected.size() << " and " << actual.size() << ")";
}

INSTANTIATE_TEST_SUITE_P(Cells, VideoIoDifferential, ::testing::ValuesIn(kCells),
                         [](const ::testing::TestParamInfo<Cell>& info) {
                             std::string name = std::string(info.param.source) + "_" +
                                                info.param.codec + "_" + info.param.extension;
                             if (info.param.captureOptions != nullptr) name += "_captureOptions";
                             if (info.param.title == kOutputShaped) name += "_cropOutput";
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

// The cells above would pass if the UIDs were blanked everywhere; the two
// runs of OpenCV's own writer must differ there, and only there.
TEST(MatroskaUids, TwoWritesDifferOnlyInTheBlankedBytes) {
    ScratchDir dir;
    for (const char* name : {"a.mkv", "b.mkv"}) {
        ASSERT_TRUE(writePatternVideo(dir.file(name), 32, 24, 3));
    }
    const std::string a = readFile(dir.file("a.mkv"));
    const std::string b = readFile(dir.file("b.mkv"));
    EXPECT_NE(a, b);
    EXPECT_EQ(withoutMatroskaUids(a), withoutMatroskaUids(b));
    EXPECT_EQ(withoutMatroskaUids(a).size(), a.size());
}

}  // namespace
