#include "preview/sheet_style.h"

#include <opencv2/imgproc.hpp>

namespace camdrift {

std::string asciiText(const std::string& utf8) {
    std::string shown;
    for (const char c : utf8) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 && (byte & 0xC0) == 0x80) continue;  // one '?' per character
        shown += byte >= 0x20 && byte < 0x7F ? c : '?';
    }
    return shown;
}

void drawText(cv::Mat& image, const std::string& text, cv::Point origin,
              const cv::Scalar& colour, double scale) {
    cv::putText(image, asciiText(text), origin, cv::FONT_HERSHEY_SIMPLEX, scale, colour, 1,
                cv::LINE_AA);
}

}  // namespace camdrift
