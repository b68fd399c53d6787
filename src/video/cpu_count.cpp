#include "video/cpu_count.h"

#include <unistd.h>

namespace camdrift {

int openCvDecoderThreads() { return static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN)); }

}  // namespace camdrift
