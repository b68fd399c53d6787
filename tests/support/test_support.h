// Shared helpers of the tests: scratch folders, real child processes with
// captured output, and tiny generated videos whose pixels tell where they came from.
#pragma once

#include <map>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace testing_support {

// A fresh folder under the system's temp directory, removed with its contents.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
bool exists(const std::string& path);
void makeExecutable(const std::string& path);
// True when a user other than the owner can reach and run the file: every
// folder above it and the file itself have the "others" execute bit.
bool othersCanRun(const std::string& file);

struct RunResult {
    std::string out;
    std::string err;
    int exitStatus = -1;  // exit status, or 128 + signal when killed
};

struct RunOptions {
    std::string cwd;                          // empty: the test's own
    std::map<std::string, std::string> env;   // added to (or replacing in) the test's environment
    std::vector<std::string> unsetEnv;
};

// Runs argv in a new session (so it has no controlling terminal) with stdin
// from /dev/null, and captures stdout and stderr.
RunResult run(const std::vector<std::string>& argv, const RunOptions& options = {});

// The camdrift executable under test.
std::string camdriftExe();
RunResult runCamdrift(const std::vector<std::string>& args, const RunOptions& options = {});

// The camdrift-preview executable under test.
std::string camdriftPreviewExe();
RunResult runCamdriftPreview(const std::vector<std::string>& args, const RunOptions& options = {});
// The "warning: line N: ..." lines of the preview's output, each with its line feed.
std::vector<std::string> previewWarnings(const std::string& output);

// Frame n of a generated test video: each pixel encodes its column, row and
// the frame index, so a crop of it shows where it was taken from.
cv::Mat patternFrame(int width, int height, int frameIndex);

// Writes a lossless (FFV1) video of patterned frames; returns false when the
// writer can't open.
bool writePatternVideo(const std::string& path, int width, int height, int frames,
                       double fps = 25.0);

// Decodes every frame of a video.
std::vector<cv::Mat> readAllFrames(const std::string& path);

// Makes a short clip with sound through the ffmpeg command-line tool.
bool makeClipWithSound(const std::string& path, int width, int height, int frames,
                       double fps = 25.0, const std::string& videoCodecArgs = "-c:v ffv1");

// The lines of a job script, each written as given: the width and height
// are text so that tokens the reader rejects ("0640", "1.5 640", "") can be
// written too. Brace-initialized in line order; what is left out keeps the
// value here (every member has one, so -Wextra lets a brace list stop early).
struct JobScriptLines {
    std::string input = "in.avi";
    std::string output = "out.avi";
    std::string muxer = "";
    std::string codec = "XVID";
    std::string transition = "1.5";
    std::string width = "640";
    std::string height = "360";
    std::vector<std::string> keyframes = {};
    // False: the last line ends at the end of the file, without a line feed.
    bool finalLineFeed = true;
    std::string title = "camdrift test job";
};

// The title line, the seven header lines and the keyframe lines, each
// ending in a line feed (the last one unless `finalLineFeed` is false).
std::string jobScriptText(const JobScriptLines& lines);

}  // namespace testing_support
