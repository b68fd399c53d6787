// Fuzz body for the job-script reader: any bytes must read to the end, and
// the reader's results must hang together.
#include <algorithm>
#include <string>
#include <string_view>

#include "fuzz_bodies.h"
#include "script/job_script_reader.h"
#include "script/line_read.h"

namespace camdrift_fuzz {

using camdrift::JobScript;
using camdrift::Keyframe;
using camdrift::ReadReport;

namespace {

// A path comes from one bounded line read with its line end removed.
std::string checkPath(const char* name, const std::u16string& path) {
    if (path.size() > camdrift::kLineReadUnits) return std::string(name) + " longer than a line read";
    if (path.find(u'\n') != std::u16string::npos) return std::string(name) + " holds a line feed";
    if (!path.empty() && path.back() == u'\r') return std::string(name) + " ends in a CR";
    return {};
}

// The report takes every attempt, the plain read stops once the text is used
// up; both must accept the same keyframes and read the same header.
std::string compareReads(const JobScript& plain, const JobScript& reported) {
    if (plain.inputPath != reported.inputPath || plain.outputPath != reported.outputPath ||
        plain.muxerPath != reported.muxerPath || plain.codecCode != reported.codecCode) {
        return "the header reads differently with the report on";
    }
    const bool sameNumbers =
        (plain.transitionSeconds == reported.transitionSeconds ||
         (plain.transitionSeconds != plain.transitionSeconds &&
          reported.transitionSeconds != reported.transitionSeconds)) &&
        plain.outputWidth == reported.outputWidth && plain.outputHeight == reported.outputHeight;
    if (!sameNumbers) return "the header values differ with the report on";
    if (plain.keyframes != reported.keyframes) {
        return "the keyframes differ with the report on";
    }
    return {};
}

std::string checkReport(const JobScript& script, const ReadReport& report) {
    if (report.lineCount < 1) return "the counting pass counted no read";
    const size_t attempts = report.lineCount > 8 ? static_cast<size_t>(report.lineCount) - 8 : 0;
    if (report.attempts.size() != attempts) return "the report lost or added attempts";
    std::vector<Keyframe> accepted;
    for (const auto& attempt : report.attempts) {
        if (attempt.accepted != (attempt.converted == 6)) return "an attempt's verdict is off";
        if (attempt.accepted) accepted.push_back(attempt.values);
    }
    if (accepted != script.keyframes) return "accepted attempts are not the keyframes";
    return {};
}

}  // namespace

std::string checkJobScript(const uint8_t* data, size_t size) {
    if (size == 0) return {};
    const std::string decimalPoint = data[0] % 2 == 0 ? "." : ",";
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::u16string text = camdrift::decodeJobScriptBytes(bytes);

    ReadReport report;
    const JobScript reported = camdrift::parseJobScript(text, decimalPoint, &report);
    const JobScript plain = camdrift::parseJobScript(text, decimalPoint);

    for (const std::string& problem :
         {checkPath("the source path", plain.inputPath), checkPath("the output path", plain.outputPath),
          checkPath("the muxer path", plain.muxerPath), compareReads(plain, reported),
          checkReport(reported, report)}) {
        if (!problem.empty()) return problem;
    }
    if (std::find(plain.codecCode.begin(), plain.codecCode.end(), 0) == plain.codecCode.end()) {
        return "the codec code has no terminator";
    }
    return {};
}

}  // namespace camdrift_fuzz
