#include "app/run_driver.h"

#include <cstdio>

namespace camdrift {

int runDriver(int argc, char** /*argv*/) {
    if (argc < 2) {
        std::printf("Usage: Camdrift.exe infile\n");
    }
    return 0;
}

}  // namespace camdrift
