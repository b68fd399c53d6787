// Small videos of many kinds made with the ffmpeg tool for the tests of the
// libav reader and writer, and OpenCV's own reading of them to compare with.
#pragma once

#include <opencv2/core.hpp>
#include <opencv2/videoio.hpp>
#include <string>
#include <vector>

namespace testing_support {

// Runs `ffmpeg -nostdin -loglevel error -y <args>` through the shell;
// true when it exits 0.
bool ffmpeg(const std::string& args);

// True when this ffmpeg has the named encoder.
bool hasEncoder(const std::string& name);

// Keeps the first `bytes` bytes of a file.
void truncateFile(const std::string& path, size_t bytes);

// Overwrites the frame count an AVI's first stream header (strh dwLength)
// and the main header (avih dwTotalFrames) declare; false when the file has
// no such headers.
bool setAviFrameCount(const std::string& path, uint32_t frames);

// What OpenCV's capture reports and delivers, with its auto-rotation off.
struct OpenCvReading {
    bool opened = false;
    double width = 0, height = 0, fps = 0, frameCount = 0, rotation = 0;
    std::vector<cv::Mat> frames;  // unturned, as decoded
    bool grabAfterEnd = false;    // one more grab after read() said no more
};
OpenCvReading readWithOpenCv(const std::string& path, size_t maxFrames = 100000);

// A Matroska file's bytes with the values that differ between two writes of
// the same frames set to zero: the SegmentUID, TrackUID and TagTrackUID
// (libavformat draws them at random) and every CRC-32 (some cover them).
// Found by walking the EBML elements, not by searching for their IDs; bytes
// that aren't well-formed EBML are left as they are.
std::string withoutMatroskaUids(std::string bytes);

// True when the two images have the same size, type and bytes.
bool sameImage(const cv::Mat& a, const cv::Mat& b);

// A frame for the writer tests: varied colours and edges, different per
// index, so encoders have real work.
cv::Mat writerTestFrame(cv::Size size, int index);

}  // namespace testing_support
