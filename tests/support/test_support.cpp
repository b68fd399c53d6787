#include "test_support.h"

#include "running_process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <opencv2/videoio.hpp>
#include <sstream>
#include <stdexcept>

namespace testing_support {

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "camdrift-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = buffer.data();
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    // A test may have made a folder read-only; give write access back first.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
    }
    std::filesystem::remove_all(path_, ignored);
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) {
        throw std::runtime_error("can't write " + path);
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

void makeExecutable(const std::string& path) {
    chmod(path.c_str(), 0755);
}

bool othersCanRun(const std::string& file) {
    for (std::filesystem::path at = file; at != at.parent_path(); at = at.parent_path()) {
        struct stat info;
        if (stat(at.c_str(), &info) != 0 || (info.st_mode & S_IXOTH) == 0) return false;
    }
    return true;
}

RunResult run(const std::vector<std::string>& argv, const RunOptions& options) {
    return RunningProcess(argv, options).finish();
}

std::string camdriftExe() {
    return CAMDRIFT_EXE;
}

RunResult runCamdrift(const std::vector<std::string>& args, const RunOptions& options) {
    std::vector<std::string> argv = {camdriftExe()};
    argv.insert(argv.end(), args.begin(), args.end());
    return run(argv, options);
}

std::string camdriftPreviewExe() {
    return CAMDRIFT_PREVIEW_EXE;
}

RunResult runCamdriftPreview(const std::vector<std::string>& args, const RunOptions& options) {
    std::vector<std::string> argv = {camdriftPreviewExe()};
    argv.insert(argv.end(), args.begin(), args.end());
    return run(argv, options);
}

std::vector<std::string> previewWarnings(const std::string& output) {
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("warning: ", 0) == 0) lines.push_back(line + "\n");
    }
    return lines;
}

cv::Mat patternFrame(int width, int height, int frameIndex) {
    cv::Mat frame(height, width, CV_8UC3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            frame.at<cv::Vec3b>(y, x) = cv::Vec3b(static_cast<uchar>(x * 7 + y * 3),
                                                  static_cast<uchar>(y * 5 + x),
                                                  static_cast<uchar>(frameIndex * 11 + x + y));
        }
    }
    return frame;
}

bool writePatternVideo(const std::string& path, int width, int height, int frames, double fps) {
    cv::VideoWriter writer;
    writer.open(path, cv::CAP_FFMPEG, cv::VideoWriter::fourcc('F', 'F', 'V', '1'), fps,
                cv::Size(width, height), true);
    if (!writer.isOpened()) {
        return false;
    }
    for (int i = 0; i < frames; ++i) {
        writer << patternFrame(width, height, i);
    }
    writer.release();
    return true;
}

std::vector<cv::Mat> readAllFrames(const std::string& path) {
    cv::VideoCapture capture(path, cv::CAP_FFMPEG);
    std::vector<cv::Mat> frames;
    cv::Mat frame;
    while (capture.read(frame)) {
        frames.push_back(frame.clone());
    }
    return frames;
}

bool makeClipWithSound(const std::string& path, int width, int height, int frames, double fps,
                       const std::string& videoCodecArgs) {
    std::ostringstream command;
    command << "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=" << width << "x"
            << height << ":rate=" << fps << " -f lavfi -i sine=frequency=440:sample_rate=44100"
            << " -frames:v " << frames << " -shortest " << videoCodecArgs
            << " -c:a pcm_s16le '" << path << "' >/dev/null 2>&1";
    return std::system(command.str().c_str()) == 0;
}

std::string jobScriptText(const JobScriptLines& lines) {
    std::string text = lines.title + "\n" + lines.input + "\n" + lines.output + "\n" +
                       lines.muxer + "\n" + lines.codec + "\n" + lines.transition + "\n" +
                       lines.width + "\n" + lines.height + "\n";
    for (const std::string& line : lines.keyframes) text += line + "\n";
    if (!lines.finalLineFeed) text.pop_back();
    return text;
}

}  // namespace testing_support
