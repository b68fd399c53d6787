#include "preview/sheet_png.h"

#include <opencv2/imgcodecs.hpp>
#include <vector>

#include "platform/platform.h"

namespace camdrift {

bool writePng(const std::string& path, const cv::Mat& image) {
    std::vector<uchar> bytes;
    try {
        if (!cv::imencode(".png", image, bytes)) return false;
    } catch (const cv::Exception&) {
        return false;
    }
    return platform::writeWholeFile(path, std::string(bytes.begin(), bytes.end()));
}

}  // namespace camdrift
