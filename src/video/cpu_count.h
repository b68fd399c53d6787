// The number of decoder threads OpenCV's capture asks libav for.
#pragma once

namespace camdrift {

// sysconf(_SC_NPROCESSORS_ONLN): the CPUs online, not the ones this process
// may run on (OpenCV doesn't look at affinity or cgroup limits here).
int openCvDecoderThreads();

}  // namespace camdrift
