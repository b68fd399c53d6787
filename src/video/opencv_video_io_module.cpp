// The entry point of camdrift's OpenCV I/O module (camdrift-opencv-io.so),
// which loadOpenCvVideoIo looks up by this name.
#include "video/opencv_video_io_linked.h"

extern "C" __attribute__((visibility("default"))) const camdrift::OpenCvVideoIo*
camdrift_opencv_video_io() {
    return camdrift::linkedOpenCvVideoIo(nullptr);
}
