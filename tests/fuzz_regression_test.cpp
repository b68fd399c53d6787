// Replays the fuzz targets' seed inputs and every kept finding through the
// same bodies the fuzzers run, so the regular build guards them too.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz_bodies.h"
#include "test_support.h"

namespace {

using Body = std::string (*)(const uint8_t*, size_t);

// Every file of fuzz/corpus/<target> and fuzz/regressions/<target>.
std::vector<std::filesystem::path> inputsOf(const std::string& target) {
    std::vector<std::filesystem::path> files;
    for (const char* kind : {"corpus", "regressions"}) {
        const std::filesystem::path folder =
            std::filesystem::path(CAMDRIFT_SOURCE_DIR) / "fuzz" / kind / target;
        if (!std::filesystem::is_directory(folder)) continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.is_regular_file()) files.push_back(entry.path());
        }
    }
    return files;
}

void replay(const std::string& target, Body body) {
    const std::vector<std::filesystem::path> files = inputsOf(target);
    ASSERT_FALSE(files.empty()) << "no inputs kept for " << target;
    for (const auto& file : files) {
        const std::string bytes = testing_support::readFile(file.string());
        EXPECT_EQ(body(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), "")
            << file.string();
    }
}

TEST(FuzzRegression, JobScriptInputsKeepTheReadersInvariants) {
    replay("job_script", camdrift_fuzz::checkJobScript);
}

TEST(FuzzRegression, ViewCropInputsStayInsideTheFrame) {
    replay("view_crop", camdrift_fuzz::checkViewCrop);
}

}  // namespace
