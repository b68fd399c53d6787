// camdrift-preview JOBSCRIPT [SHEET.png]: shows how a job will run before it is rendered.
#include "app/preview_driver.h"

int main(int argc, char** argv) {
    return camdrift::runPreview(argc, argv);
}
