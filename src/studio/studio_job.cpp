#include "studio/studio_job.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>

#include "platform/platform.h"
#include "script/job_script_reader.h"
#include "script/line_read.h"
#include "script/scanf_scan.h"
#include "script/utf8.h"

namespace camdrift {
namespace {

// Line 1 as the reader skips it: at most one bounded line read.
std::string titleOf(const std::u16string& text) {
    std::u16string_view rest(text);
    if (!rest.empty() && rest.front() == u'\uFEFF') rest.remove_prefix(1);
    const LineRead read = readLine(rest, 0, kLineReadUnits);
    std::u16string title(rest.substr(read.begin, read.end - read.begin));
    trimLineEnd(title);
    return encodeUtf8(title);
}

std::string keyframeLine(const StudioKeyframe& k) {
    const Keyframe& v = k.values;
    std::ostringstream line;
    line << k.label << ' ' << v.frame << ' ' << v.zoom << ' ' << v.centerX << ' ' << v.centerY
         << ' ' << v.transition << '\n';
    return line.str();
}

std::string describeKeyframe(const StudioKeyframe& k) {
    std::string line = keyframeLine(k);
    line.pop_back();
    return "\"" + line + "\"";
}

}  // namespace

bool StudioKeyframe::operator==(const StudioKeyframe& other) const {
    return label == other.label && values == other.values;
}

bool StudioJob::operator==(const StudioJob& other) const {
    return title == other.title && source == other.source && output == other.output &&
           muxer == other.muxer && codec == other.codec &&
           transitionSeconds == other.transitionSeconds && width == other.width &&
           height == other.height && keyframes == other.keyframes;
}

std::optional<std::string> labelProblem(const std::string& label) {
    if (label.empty()) return "a label can't be empty";
    const std::u16string units = decodeUtf8(label);
    for (char16_t unit : units) {
        if (isScanSpace(unit)) return "a label must be one word, without blanks";
    }
    return std::nullopt;
}

// to_chars in fixed notation with no precision gives the shortest digits
// that read back as the same double, whatever the C locale says.
std::string transitionText(double seconds, const std::string& decimalPoint) {
    std::string digits(32, '\0');
    for (;;) {
        const std::to_chars_result done = std::to_chars(
            digits.data(), digits.data() + digits.size(), seconds, std::chars_format::fixed);
        if (done.ec == std::errc()) {
            digits.resize(static_cast<size_t>(done.ptr - digits.data()));
            break;
        }
        digits.resize(digits.size() * 2);  // 1e308 takes 309 digits
    }
    const size_t dot = digits.find('.');
    if (dot != std::string::npos) digits.replace(dot, 1, decimalPoint);
    return digits;
}

std::string scriptText(const StudioJob& job, const std::string& decimalPoint) {
    std::string text;
    for (const std::string* line : {&job.title, &job.source, &job.output, &job.muxer, &job.codec}) {
        text += *line + '\n';
    }
    text += transitionText(job.transitionSeconds, decimalPoint) + '\n';
    text += std::to_string(job.width) + '\n';
    text += std::to_string(job.height) + '\n';
    for (const StudioKeyframe& k : job.keyframes) text += keyframeLine(k);
    return text;
}

StudioJob jobFromText(const std::u16string& text, const std::string& decimalPoint) {
    ReadReport report;
    const JobScript read = parseJobScript(text, decimalPoint, &report);
    StudioJob job;
    job.title = titleOf(text);
    job.source = encodeUtf8(read.inputPath);
    job.output = encodeUtf8(read.outputPath);
    job.muxer = encodeUtf8(read.muxerPath);
    job.codec = codecText(read.codecCode);
    job.transitionSeconds = read.transitionSeconds;
    job.width = read.outputWidth;
    job.height = read.outputHeight;
    for (const KeyframeAttempt& attempt : report.attempts) {
        if (attempt.accepted) job.keyframes.push_back({encodeUtf8(attempt.label), attempt.values});
    }
    return job;
}

std::string codecText(const CodecCode& code) {
    std::string text;
    for (unsigned char byte : code) {
        if (byte == '\n' || byte == '\0') break;
        text += static_cast<char>(byte);
    }
    return text;
}

std::string firstDifference(const StudioJob& wanted, const StudioJob& read) {
    const std::pair<const char*, const std::string StudioJob::*> lines[] = {
        {"line 1, the title", &StudioJob::title},   {"line 2, the source", &StudioJob::source},
        {"line 3, the output", &StudioJob::output}, {"line 4, the muxer", &StudioJob::muxer},
        {"line 5, the codec code", &StudioJob::codec}};
    for (const auto& [what, field] : lines) {
        if (wanted.*field != read.*field) {
            return std::string(what) + " reads back as \"" + read.*field + "\", not \"" +
                   wanted.*field + "\"";
        }
    }
    if (wanted.transitionSeconds != read.transitionSeconds) {
        return platform::formatText("line 6, the transition time, reads back as %.17g, not %.17g",
                                    read.transitionSeconds, wanted.transitionSeconds);
    }
    if (wanted.width != read.width || wanted.height != read.height) {
        return platform::formatText("lines 7 and 8, the output size, read back as %d x %d, not "
                                    "%d x %d", static_cast<int>(read.width),
                                    static_cast<int>(read.height), static_cast<int>(wanted.width),
                                    static_cast<int>(wanted.height));
    }
    const size_t count = std::max(wanted.keyframes.size(), read.keyframes.size());
    for (size_t i = 0; i < count; ++i) {
        const int line = kFirstKeyframeLine + static_cast<int>(i);
        if (i >= read.keyframes.size()) {
            return platform::formatText("line %d: keyframe %s is not read back", line,
                                        describeKeyframe(wanted.keyframes[i]).c_str());
        }
        if (i >= wanted.keyframes.size()) {
            return platform::formatText("line %d: an extra keyframe %s is read back", line,
                                        describeKeyframe(read.keyframes[i]).c_str());
        }
        if (!(wanted.keyframes[i] == read.keyframes[i])) {
            return platform::formatText("line %d: keyframe %s reads back as %s", line,
                                        describeKeyframe(wanted.keyframes[i]).c_str(),
                                        describeKeyframe(read.keyframes[i]).c_str());
        }
    }
    return "";
}

}  // namespace camdrift
