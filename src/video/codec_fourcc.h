// The writer's four-character code from the job's codec line.
#pragma once

#include "script/job_script.h"

namespace camdrift {

// The first four bytes of the codec line, first byte lowest, as
// cv::VideoWriter::fourcc packs them (a byte from 0x80 up makes it negative).
int fourccOf(const CodecCode& code);

}  // namespace camdrift
