#include "script/job_script_reader.h"

#include <algorithm>
#include <string_view>

#include "platform/platform.h"
#include "script/codec_code.h"
#include "script/keyframe_attempts.h"
#include "script/line_read.h"
#include "script/line_tracker.h"
#include "script/scanf_scan.h"
#include "script/title_settings.h"
#include "script/utf8.h"

namespace camdrift {
namespace {

constexpr char16_t kByteOrderMark = u'\uFEFF';
// Lines 1 to 5 and the three values of lines 6 to 8 come before the keyframes.
constexpr size_t kHeaderLines = 8;

std::u16string_view withoutByteOrderMark(std::u16string_view text) {
    if (!text.empty() && text.front() == kByteOrderMark) text.remove_prefix(1);
    return text;
}

// One line read from `pos`, which moves past it; empty when the text is used up.
std::u16string takeLine(std::u16string_view text, size_t& pos, size_t maxUnits) {
    const LineRead read = readLine(text, pos, maxUnits);
    pos = read.end;
    return std::u16string(text.substr(read.begin, read.end - read.begin));
}

std::u16string takePathLine(std::u16string_view text, size_t& pos) {
    std::u16string path = takeLine(text, pos, kLineReadUnits);
    trimLineEnd(path);
    return path;
}

// Lines 6 to 8. A value that doesn't scan is left in place for the next scan.
void scanHeaderValues(std::u16string_view text, size_t& pos, std::u16string_view decimalPoint,
                      JobScript& script, ReadReport* report) {
    const Scan<double> transition = scanDouble(text, pos, decimalPoint);
    if (transition.converted) {
        script.transitionSeconds = transition.value;
        pos = transition.end;
    }
    const Scan<int32_t> width = scanInt(text, pos);
    if (width.converted) {
        script.outputWidth = width.value;
        pos = width.end;
    }
    const Scan<int32_t> height = scanInt(text, pos);
    if (height.converted) {
        script.outputHeight = height.value;
        pos = height.end;
    }
    if (!report) return;
    auto textOf = [&](const auto& scan) {
        return std::u16string(text.substr(scan.begin, scan.end - scan.begin));
    };
    report->transitionScanned = transition.converted;
    report->widthScanned = width.converted;
    report->heightScanned = height.converted;
    report->transitionToken = textOf(transition);
    report->widthToken = textOf(width);
    report->heightToken = textOf(height);
    if (transition.converted) {
        const size_t lineEnd = std::min(text.find(u'\n', transition.end), text.size());
        report->transitionRest = std::u16string(text.substr(transition.end,
                                                            lineEnd - transition.end));
        trimLineEnd(report->transitionRest);
    }
}

}  // namespace

void trimLineEnd(std::u16string& line) {
    while (!line.empty() && (line.back() == u'\r' || line.back() == u'\n')) line.pop_back();
}

JobScript parseJobScript(const std::u16string& fullText, const std::string& decimalPoint,
                         ReadReport* report) {
    if (report) *report = ReadReport{};
    const std::u16string_view text = withoutByteOrderMark(fullText);
    const size_t lineCount = countLineReads(text);
    JobScript script;
    size_t pos = 0;
    // The title's settings count only within what the first line read takes.
    std::u16string title = takeLine(text, pos, kLineReadUnits);
    script.cropShape = cropShapeOfTitle(title);
    script.inputPath = takePathLine(text, pos);
    script.outputPath = takePathLine(text, pos);
    script.muxerPath = takePathLine(text, pos);
    const std::u16string codecLine = takeLine(text, pos, kCodecReadUnits);
    if (!codecLine.empty()) script.codecCode = codecCodeFromLine(codecLine, script.codecCode);
    scanHeaderValues(text, pos, decodeUtf8(decimalPoint), script, report);

    const size_t attempts = lineCount > kHeaderLines ? lineCount - kHeaderLines : 0;
    LineTracker lines(text);
    if (report) {
        report->lineCount = static_cast<int>(lineCount);
        trimLineEnd(title);
        report->title = std::move(title);
    }
    script.keyframes =
        readKeyframes(text, pos, attempts, report ? &report->attempts : nullptr, lines);
    return script;
}

std::u16string decodeJobScriptBytes(std::string_view bytes) {
    std::u16string text = decodeUtf8(bytes);
    size_t kept = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool crBeforeLf = text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n';
        if (!crBeforeLf) text[kept++] = text[i];
    }
    text.resize(kept);
    return text;
}

std::optional<std::u16string> readJobScriptText(const std::string& path) {
    const std::optional<std::string> bytes = platform::readWholeFile(path, kMaxScriptBytes);
    if (!bytes) return std::nullopt;
    return decodeJobScriptBytes(*bytes);
}

std::optional<JobScript> readJobScript(const std::string& path, const std::string& decimalPoint,
                                       ReadReport* report) {
    const std::optional<std::u16string> text = readJobScriptText(path);
    if (!text) return std::nullopt;
    return parseJobScript(*text, decimalPoint, report);
}

}  // namespace camdrift
