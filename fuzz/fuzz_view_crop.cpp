// libFuzzer entry: the view track and crop rectangle on arbitrary keyframes.
#include <cstdio>
#include <cstdlib>

#include "fuzz_bodies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string problem = camdrift_fuzz::checkViewCrop(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "view crop: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
