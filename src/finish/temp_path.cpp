#include "finish/temp_path.h"

#include <cstdio>

namespace camdrift {

namespace {

// Either slash ends the folder part: job scripts written on Windows use
// backslashes, and splitting there still keeps the temp file in the folder
// the output really lives in.
std::string::size_type lastSeparator(const std::string& path) {
    return path.find_last_of("/\\");
}

std::string numberedName(int number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "temp%04i", number);
    return digits;
}

}  // namespace

std::string makeTempPath(const std::string& outputPath, int number) {
    const auto separator = lastSeparator(outputPath);
    const auto nameStart = separator == std::string::npos ? 0 : separator + 1;
    // Folder and separator stay exactly as written; a bare name stays in the
    // current directory, like the output itself.
    std::string tempPath = outputPath.substr(0, nameStart) + numberedName(number);

    // Only a dot in the file name starts an extension, never one in a folder name.
    const auto dot = outputPath.find_last_of('.');
    if (dot != std::string::npos && dot >= nameStart) {
        tempPath += outputPath.substr(dot);
    }
    return tempPath;
}

}  // namespace camdrift
