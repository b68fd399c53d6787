// What the preview knows about a job before it checks anything.
// The script as read, with the text no keyframe attempt reached; the
// source's properties and how evenly its frames are timed; and facts about
// the files it names, found on the file system and by trying a writer
// (opencv_probes.h for the preview's), never on the real output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "script/job_script.h"
#include "script/job_script_reader.h"
#include "video/source_info.h"

namespace camdrift {

// How evenly a video's frames are spaced in time. camdrift writes every
// decoded frame at one rate, so a source whose frames come at varying
// intervals plays back with its picture running ahead of or behind its sound.
struct FrameTiming {
    int64_t frames = 0;
    double spanSeconds = 0.0;   // from the first frame to the last
    double averageFps = 0.0;    // over that span
    // The largest gap between a frame's time and its time at the average
    // rate: how uneven the spacing is, whatever rate the source reports.
    double unevenSeconds = 0.0;
    double writtenFps = 0.0;    // the rate camdrift writes at
    // The largest gap between a frame's time and when the output shows it
    // at the written rate.
    double driftSeconds = 0.0;
    double lowestFps = 0.0;     // the rate of the longest interval between two frames
    double highestFps = 0.0;    // of the shortest; infinite when two frames share a time
    bool wholeSource = true;    // false when only the source's first part was looked at
};

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

// How evenly the source's frames are spaced, from its container's
// timestamps, with camdrift writing them at the source's frame rate.
std::optional<FrameTiming> probeSourceTiming(const JobScript& job, const SourceInfo& source);

// The facts found on the file system; writerOpens is left for the caller,
// who knows the source's frame rate and which writer to try. `searchPath` is
// the PATH variable's value, where a muxer named without a folder is looked
// for.
FileFacts probeFiles(const JobScript& job, const std::string& searchPath);

// The first name in `outputPath` that is longer than the file system of the
// nearest existing folder on the way to it accepts; nothing when all fit.
std::optional<TooLongName> tooLongNameIn(const std::string& outputPath);

// The timing of frames presented at `seconds`, in any order (decoders
// reorder B-frames, so containers may list them out of order), written at
// `writtenFps`; a rate that is 0 or less stands for the average. Nothing for
// fewer than two frames or when they all share one time.
std::optional<FrameTiming> frameTimingOf(std::vector<double> seconds, double writtenFps);

// True when some frame is at least one frame's duration away from where the
// average rate puts it. Timestamps rounded to their time base (1/1000 s in
// Matroska) stay far below that, so a constant rate never counts.
bool unevenByAFrame(const FrameTiming& timing);

// Reading packets costs reading the file; past this many bytes the
// preview would no longer answer in about a second.
constexpr int64_t kFrameTimeReadBytes = int64_t{256} << 20;

struct FrameTimes {
    std::vector<double> seconds;  // in no particular order
    bool wholeStream = true;      // false when reading stopped at the byte budget
};

// When the frames of the video stream (the one a player picks) are
// presented, told by the container without decoding a picture; nothing when
// the file can't be opened or its frames carry no times. Where the
// container's index lists every frame (MP4, MOV, AVI) it is read instead of
// the packets, so an hour-long file costs no more than its header; elsewhere
// (Matroska, WebM, MPEG-TS) packets are read until `readBytes` of the file
// have gone by.
std::optional<FrameTimes> videoFrameTimes(const std::string& path,
                                          int64_t readBytes = kFrameTimeReadBytes);

}  // namespace camdrift
