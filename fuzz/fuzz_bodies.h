// The bodies of the fuzz targets, shared by the libFuzzer entry points and the
// regression test that replays kept inputs in the regular build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace camdrift_fuzz {

// Byte 0 picks the decimal point ('.' when even, ',' when odd); the rest is
// the job script file's bytes. Parses them with and without the read report.
// Returns what broke an invariant of the reader, or an empty string.
std::string checkJobScript(const uint8_t* data, size_t size);

// Builds a keyframe table, transition time, frame rate and frame size from
// the bytes, drives a view track frame by frame from 0 and cuts every frame's
// crop rectangle. Returns the first rectangle that is not inside the frame
// with both sides at least 1, described, or an empty string.
std::string checkViewCrop(const uint8_t* data, size_t size);

}  // namespace camdrift_fuzz
