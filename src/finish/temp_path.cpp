#include "finish/temp_path.h"

#include <cstdio>

namespace camdrift {

namespace {

// Either slash ends the folder part: job scripts written on Windows use
// backslashes, and splitting there still keeps the temp file in the folder
// the output really lives in.
std::string::size_type nameStartOf(const std::string& path) {
    const auto separator = path.find_last_of("/\\");
    return separator == std::string::npos ? 0 : separator + 1;
}

std::string numberedName(int number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "temp%04i", number);
    return digits;
}

}  // namespace

std::string outputExtension(const std::string& outputPath) {
    const auto dot = outputPath.find_last_of('.');
    if (dot == std::string::npos || dot < nameStartOf(outputPath)) return "";
    return outputPath.substr(dot);
}

// Folder and separator stay exactly as written; a bare name stays in the
// current directory, like the output itself.
std::string makeTempPath(const std::string& outputPath, int number) {
    return outputPath.substr(0, nameStartOf(outputPath)) + numberedName(number) +
           outputExtension(outputPath);
}

}  // namespace camdrift
