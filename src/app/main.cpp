// camdrift JOBSCRIPT: renders a moving virtual camera over a video.
#include "app/run_driver.h"
#include "video/opencv_video_io_loader.h"

int main(int argc, char** argv) {
    return camdrift::runDriver(argc, argv, camdrift::loadOpenCvVideoIo);
}
