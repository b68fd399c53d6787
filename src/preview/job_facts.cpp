#include "preview/job_facts.h"

extern "C" {
#include <libavcodec/packet.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <utility>

#include "platform/platform.h"
#include "script/scanf_scan.h"
#include "script/utf8.h"

namespace camdrift {

// ---- The script as read ----

namespace {

// Every attempt that reads anything takes at least one word, so this many
// extra attempts reach the end of the text whatever it holds.
size_t wordCount(std::u16string_view text) {
    size_t words = 0;
    for (size_t pos = 0;; ++words) {
        const Scan<NoValue> word = scanWord(text, pos);
        if (!word.converted) return words;
        pos = word.end;
    }
}

// Text after the keyframe attempts ran out. Reading the same text again with
// blank lines added shows what the missing attempts would have found: the
// attempts that read something beyond those in `report`, which must come
// from parsing `text` with `decimalPoint`. Empty when the attempts reached
// the end of the text.
std::vector<KeyframeAttempt> attemptsPastTheLastLine(const std::u16string& text,
                                                     const std::string& decimalPoint,
                                                     const ReadReport& report) {
    // Line feeds at the end add attempts and change nothing before them.
    const std::u16string longer = text + std::u16string(wordCount(text) + 1, u'\n');
    ReadReport further;
    parseJobScript(longer, decimalPoint, &further);
    std::vector<KeyframeAttempt> unread;
    for (size_t i = report.attempts.size(); i < further.attempts.size(); ++i) {
        if (further.attempts[i].converted > 0) unread.push_back(further.attempts[i]);
    }
    return unread;
}

}  // namespace

PreviewInput readPreviewInput(const std::u16string& text, const std::string& decimalPoint) {
    PreviewInput input;
    input.decimalPoint = decimalPoint;
    input.job = parseJobScript(text, decimalPoint, &input.report);
    input.unreadAttempts = attemptsPastTheLastLine(text, decimalPoint, input.report);
    return input;
}

std::vector<const KeyframeAttempt*> acceptedAttempts(const ReadReport& report) {
    std::vector<const KeyframeAttempt*> accepted;
    for (const KeyframeAttempt& attempt : report.attempts) {
        if (attempt.accepted) accepted.push_back(&attempt);
    }
    return accepted;
}

// ---- The files and the source ----

std::optional<FrameTiming> probeSourceTiming(const JobScript& job, const SourceInfo& source) {
    std::optional<FrameTimes> times = videoFrameTimes(encodeUtf8(job.inputPath));
    if (!times) return std::nullopt;
    std::optional<FrameTiming> timing = frameTimingOf(std::move(times->seconds), source.fps);
    if (timing) timing->wholeSource = times->wholeStream;
    return timing;
}

std::optional<TooLongName> tooLongNameIn(const std::string& outputPath) {
    const long mostName = platform::longestNameIn(platform::nearestExistingFolder(outputPath));
    if (mostName <= 0) return std::nullopt;
    const size_t most = static_cast<size_t>(mostName);
    const std::vector<std::string> names = platform::namesInPath(outputPath);
    for (size_t i = 0; i < names.size(); ++i) {
        const bool isFileName = i + 1 == names.size();
        if (names[i].size() > most) return TooLongName{isFileName, names[i].size(), mostName};
    }
    return std::nullopt;
}

FileFacts probeFiles(const JobScript& job, const std::string& searchPath) {
    const std::string input = encodeUtf8(job.inputPath);
    const std::string output = encodeUtf8(job.outputPath);
    const std::string muxer = encodeUtf8(job.muxerPath);
    FileFacts facts;
    facts.outputIsSource = platform::sameFile(input, output);
    const std::string folder = platform::folderOf(output);
    facts.outputFolderExists = platform::isFolder(folder);
    facts.outputFolderWritable = !facts.outputFolderExists || platform::canCreateFilesIn(folder);
    facts.outputNameTooLong = tooLongNameIn(output);
    facts.muxerExists = !platform::isMissing(muxer);
    facts.muxerIsExecutable = platform::isExecutableFile(muxer);
    // The run never looks the muxer up on PATH; the user may well have meant it to.
    if (!facts.muxerIsExecutable && !muxer.empty() && muxer.find('/') == std::string::npos) {
        facts.muxerOnPath = platform::findOnSearchPath(muxer, searchPath);
    }
    return facts;
}

// ---- How evenly the frames are timed ----

std::optional<FrameTiming> frameTimingOf(std::vector<double> seconds, double writtenFps) {
    if (seconds.size() < 2) return std::nullopt;
    std::sort(seconds.begin(), seconds.end());
    const double start = seconds.front();
    const double span = seconds.back() - start;
    if (!(span > 0.0) || !std::isfinite(span)) return std::nullopt;
    const double intervals = static_cast<double>(seconds.size() - 1);
    FrameTiming timing;
    timing.frames = static_cast<int64_t>(seconds.size());
    timing.spanSeconds = span;
    timing.averageFps = intervals / span;
    const bool writtenKnown = writtenFps > 0.0 && std::isfinite(writtenFps);
    timing.writtenFps = writtenKnown ? writtenFps : timing.averageFps;
    double shortest = std::numeric_limits<double>::infinity();
    double longest = 0.0;
    for (size_t i = 0; i < seconds.size(); ++i) {
        const double time = seconds[i] - start;
        const double frame = static_cast<double>(i);
        // Measured along the span, not by adding up intervals, so the time
        // base's rounding of each timestamp never accumulates.
        timing.unevenSeconds = std::max(timing.unevenSeconds,
                                        std::fabs(time - span * frame / intervals));
        const double shown = writtenKnown ? frame / writtenFps : span * frame / intervals;
        timing.driftSeconds = std::max(timing.driftSeconds, std::fabs(time - shown));
        if (i > 0) {
            const double interval = seconds[i] - seconds[i - 1];
            shortest = std::min(shortest, interval);
            longest = std::max(longest, interval);
        }
    }
    timing.lowestFps = 1.0 / longest;
    timing.highestFps = shortest > 0.0 ? 1.0 / shortest : std::numeric_limits<double>::infinity();
    return timing;
}

bool unevenByAFrame(const FrameTiming& timing) {
    return timing.unevenSeconds * timing.averageFps >= 1.0;
}

// ---- When the frames are presented, from the container ----

namespace {

struct InputCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
using Input = std::unique_ptr<AVFormatContext, InputCloser>;

// Most containers describe their streams in the header; a few (MPEG-TS)
// only once packets have been looked at.
int videoStreamOf(AVFormatContext* input) {
    const int stream = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream >= 0 || avformat_find_stream_info(input, nullptr) < 0) return stream;
    return av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
}

// The index holds decode times. Without B-frames they are the presentation
// times. With them, encoders give the i-th decode time the presentation time
// of the (i - delay)-th picture, so the first `delay` decode times are made
// up, before the first picture: past those, the decode times are the
// presentation times of all frames but the last `delay`, which the drift
// can do without.
std::optional<FrameTimes> timesFromIndex(AVStream* stream) {
    const int entries = avformat_index_get_entries_count(stream);
    if (stream->nb_frames <= 0 || entries < stream->nb_frames) return std::nullopt;
    const double tick = av_q2d(stream->time_base);
    const int delay = stream->codecpar->video_delay;
    FrameTimes frames;
    std::vector<double>& times = frames.seconds;
    times.reserve(static_cast<size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        const AVIndexEntry* entry = avformat_index_get_entry(stream, i);
        if (!entry || (entry->flags & AVINDEX_DISCARD_FRAME)) continue;
        times.push_back(static_cast<double>(entry->timestamp) * tick);
    }
    std::sort(times.begin(), times.end());
    const size_t madeUp = std::min(times.size(), static_cast<size_t>(std::max(delay, 0)));
    times.erase(times.begin(), times.begin() + static_cast<std::ptrdiff_t>(madeUp));
    return frames;
}

FrameTimes timesFromPackets(AVFormatContext* input, int stream, int64_t readBytes) {
    FrameTimes times;
    // Only the video stream's packets are wanted; the others are skipped.
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        if (static_cast<int>(i) != stream) input->streams[i]->discard = AVDISCARD_ALL;
    }
    const std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (!packet) return times;
    const double tick = av_q2d(input->streams[stream]->time_base);
    while (av_read_frame(input, packet.get()) >= 0) {
        const int64_t time = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        const bool shown = !(packet->flags & AV_PKT_FLAG_DISCARD);
        if (packet->stream_index == stream && shown && time != AV_NOPTS_VALUE) {
            times.seconds.push_back(static_cast<double>(time) * tick);
        }
        av_packet_unref(packet.get());
        if (input->pb && avio_tell(input->pb) > readBytes) {
            times.wholeStream = false;
            break;
        }
    }
    return times;
}

}  // namespace

std::optional<FrameTimes> videoFrameTimes(const std::string& path, int64_t readBytes) {
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0) return std::nullopt;
    const Input input(opened);
    const int stream = videoStreamOf(input.get());
    if (stream < 0) return std::nullopt;
    std::optional<FrameTimes> times = timesFromIndex(input->streams[stream]);
    if (!times) times = timesFromPackets(input.get(), stream, readBytes);
    if (times->seconds.empty()) return std::nullopt;
    return times;
}

}  // namespace camdrift
