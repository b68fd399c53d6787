// camdrift JOBSCRIPT: renders a moving virtual camera over a video.
#include "app/run_driver.h"

int main(int argc, char** argv) {
    return camdrift::runDriver(argc, argv);
}
