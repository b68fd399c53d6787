// libFuzzer entry: the job-script reader on arbitrary bytes.
#include <cstdio>
#include <cstdlib>

#include "fuzz_bodies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string problem = camdrift_fuzz::checkJobScript(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "job script: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
