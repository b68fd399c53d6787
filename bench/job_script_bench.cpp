// Reading a job script grows linearly with its keyframe lines: the reader
// makes one counting pass and one scanning pass, whatever the line count.
#include <benchmark/benchmark.h>

#include <string>

#include "script/job_script_reader.h"

namespace {

std::string scriptWithKeyframes(int64_t lines) {
    std::string text = "bench\nin.avi\nout.avi\n\nXVID\n1.5\n640\n360\n";
    text.reserve(text.size() + static_cast<size_t>(lines) * 24);
    for (int64_t frame = 1; frame <= lines; ++frame) {
        text += "key " + std::to_string(frame) + " 50 30 40 2\n";
    }
    return text;
}

// From the file's bytes, as the tool reads them.
void parseKeyframeLines(benchmark::State& state) {
    const std::string bytes = scriptWithKeyframes(state.range(0));
    for (auto _ : state) {
        const camdrift::JobScript script =
            camdrift::parseJobScript(camdrift::decodeJobScriptBytes(bytes), ".");
        benchmark::DoNotOptimize(script.keyframes.data());
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(parseKeyframeLines)
    ->RangeMultiplier(10)
    ->Range(10'000, 1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// The same with the read report on, which keeps every attempt's tokens.
void parseKeyframeLinesWithReport(benchmark::State& state) {
    const std::u16string text = camdrift::decodeJobScriptBytes(scriptWithKeyframes(state.range(0)));
    camdrift::ReadReport report;
    for (auto _ : state) {
        const camdrift::JobScript script = camdrift::parseJobScript(text, ".", &report);
        benchmark::DoNotOptimize(script.keyframes.data());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(parseKeyframeLinesWithReport)
    ->RangeMultiplier(10)
    ->Range(10'000, 1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
