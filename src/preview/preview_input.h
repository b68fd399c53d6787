// Everything the preview knows about a job: the script as read, the source's
// properties and a few facts about the files it names.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "preview/frame_timing.h"
#include "script/job_script.h"
#include "script/job_script_reader.h"
#include "video/source_info.h"

namespace camdrift {

// A name in the output's path longer than its file system accepts. The
// whole path can't be too long: a script line holds at most 999 UTF-16
// units, under 3000 bytes, and Linux takes paths of up to 4095.
struct TooLongName {
    bool isFileName = true;  // else a folder's name
    size_t bytes = 0;        // its length
    long mostBytes = 0;      // the longest the file system accepts
};

struct FileFacts {
    bool outputIsSource = false;
    bool outputFolderExists = true;
    bool outputFolderWritable = true;  // looked at only when the folder exists
    std::optional<TooLongName> outputNameTooLong;
    // The muxer facts are looked at only when the script names a muxer.
    bool muxerExists = true;
    bool muxerIsExecutable = true;
    // A muxer named without a folder that doesn't run as written: the
    // executable of that name in a folder of PATH, or empty when none has one.
    std::string muxerOnPath;
    std::optional<bool> writerOpens;  // nothing when the writer wasn't tried
};

struct PreviewInput {
    JobScript job;
    ReadReport report;
    // Attempts the reader would have gone on to make had the file had more
    // lines: what they read is text that no keyframe attempt reached.
    std::vector<KeyframeAttempt> unreadAttempts;
    std::optional<SourceInfo> source;  // nothing when the source can't be opened
    // Nothing when the source's frames carry no times or it can't be opened.
    std::optional<FrameTiming> sourceTiming;
    FileFacts files;
    std::string decimalPoint = ".";  // the locale's, as the reader used it
};

// Parses the script's text as camdrift does, noting how it was read and
// what the keyframe attempts never reached; source and files are left unknown.
PreviewInput readPreviewInput(const std::u16string& text, const std::string& decimalPoint);

// The accepted attempts, one for each keyframe of the job and in its order.
std::vector<const KeyframeAttempt*> acceptedAttempts(const ReadReport& report);

}  // namespace camdrift
