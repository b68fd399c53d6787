// One camdrift run of the saved job at a time, as a child process whose
// lines are collected while it runs and which can be cancelled like Ctrl+C.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace camdrift {

// Lines kept of a run's output: progress comes every 101 frames, so this is
// more than any real run prints, yet bounded.
constexpr size_t kRenderLinesKept = 1000;

struct RenderStatus {
    enum class State { Idle, Running, Finished };
    State state = State::Idle;
    std::vector<std::string> lines;  // the output so far, line ends removed
    platform::ProcessOutcome outcome;  // once Finished
    bool cancelled = false;            // Cancel was asked for
    uint64_t run = 0;                  // counts runs, so a page tells a new one from the last
};

// What the exit status means, in the words of camdrift's README:
// "complete", "nothing usable written", ...
std::string exitMeaning(const platform::ProcessOutcome& outcome);

// Splits output into lines; the text after the last line end stays in `pending`.
void appendLines(std::string& pending, std::vector<std::string>& lines, size_t keep);

class RenderRunner {
public:
    explicit RenderRunner(std::string camdriftPath);
    // Interrupts a run still going and waits for it.
    ~RenderRunner();
    RenderRunner(const RenderRunner&) = delete;
    RenderRunner& operator=(const RenderRunner&) = delete;

    // Starts `camdrift scriptPath`; false while a run is going.
    bool start(const std::string& scriptPath);
    // Sends the run SIGINT: camdrift closes its output, prints "Interrupted!"
    // and exits with 130. False when nothing runs.
    bool cancel();
    RenderStatus status() const;
    // Interrupts a running child and waits for its end (for shutting down).
    void stop();

private:
    void follow(std::shared_ptr<platform::ChildProcess> child);

    const std::string camdriftPath_;
    mutable std::mutex mutex_;
    RenderStatus status_;
    std::shared_ptr<platform::ChildProcess> child_;
    std::thread follower_;
};

}  // namespace camdrift
