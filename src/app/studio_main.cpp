// camdrift-studio JOBSCRIPT [--source VIDEO] [--port N]: sets a job's camera in a browser.
#include "app/studio_driver.h"

int main(int argc, char** argv) {
    return camdrift::runStudio(argc, argv);
}
