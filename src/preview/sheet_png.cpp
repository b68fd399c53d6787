#include "preview/sheet_png.h"

#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <vector>

namespace camdrift {

bool writePng(const std::string& path, const cv::Mat& image) {
    std::vector<uchar> bytes;
    try {
        if (!cv::imencode(".png", image, bytes)) return false;
    } catch (const cv::Exception&) {
        return false;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace camdrift
