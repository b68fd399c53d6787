#include "studio/render_runner.h"

#include <utility>

namespace camdrift {

std::string exitMeaning(const platform::ProcessOutcome& outcome) {
    if (!outcome.started) return "camdrift could not be started";
    if (!outcome.exited) {
        return platform::formatText("camdrift was killed by signal %d", outcome.signal);
    }
    switch (outcome.exitStatus) {
        case 0: return "complete";
        case 1: return "nothing usable written";
        case 2: return "video complete, sound not added";
        case 130: return "interrupted";
        default: return platform::formatText("exit status %d", outcome.exitStatus);
    }
}

// A terminal's carriage return counts as a line end too: camdrift writes
// none to a pipe, but the muxer's output may.
void appendLines(std::string& pending, std::vector<std::string>& lines, size_t keep) {
    size_t start = 0;
    for (size_t i = 0; i < pending.size(); ++i) {
        if (pending[i] != '\n' && pending[i] != '\r') continue;
        if (i > start || pending[i] == '\n') lines.push_back(pending.substr(start, i - start));
        start = i + 1;
    }
    pending.erase(0, start);
    if (lines.size() > keep) lines.erase(lines.begin(), lines.end() - static_cast<long>(keep));
}

RenderRunner::RenderRunner(std::string camdriftPath) : camdriftPath_(std::move(camdriftPath)) {}

RenderRunner::~RenderRunner() { stop(); }

bool RenderRunner::start(const std::string& scriptPath) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (status_.state == RenderStatus::State::Running) return false;
    if (follower_.joinable()) follower_.join();  // the last run's follower has ended
    const uint64_t run = status_.run + 1;
    status_ = RenderStatus{};
    status_.run = run;
    status_.state = RenderStatus::State::Running;
    child_ = std::make_shared<platform::ChildProcess>(
        std::vector<std::string>{camdriftPath_, scriptPath});
    follower_ = std::thread(&RenderRunner::follow, this, child_);
    return true;
}

void RenderRunner::follow(std::shared_ptr<platform::ChildProcess> child) {
    std::string pending;
    std::string chunk;
    while (child->readOutput(chunk)) {
        std::lock_guard<std::mutex> lock(mutex_);
        pending += chunk;
        chunk.clear();
        appendLines(pending, status_.lines, kRenderLinesKept);
    }
    const platform::ProcessOutcome outcome = child->wait();
    std::lock_guard<std::mutex> lock(mutex_);
    if (!pending.empty()) status_.lines.push_back(pending);
    status_.outcome = outcome;
    status_.state = RenderStatus::State::Finished;
}

bool RenderRunner::cancel() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (status_.state != RenderStatus::State::Running || !child_) return false;
    status_.cancelled = true;
    child_->interrupt();
    return true;
}

RenderStatus RenderRunner::status() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return status_;
}

void RenderRunner::stop() {
    cancel();
    if (follower_.joinable()) follower_.join();
}

}  // namespace camdrift
