#include "video/read_deadline.h"

namespace camdrift {

void ReadDeadline::arm(std::chrono::milliseconds limit) {
    start_ = std::chrono::steady_clock::now();
    limit_ = limit;
}

AVIOInterruptCB ReadDeadline::callback() { return AVIOInterruptCB{&ReadDeadline::check, this}; }

int ReadDeadline::check(void* self) {
    auto* d = static_cast<ReadDeadline*>(self);
    if (d->limit_.count() == 0) {
        return 0;
    }
    d->expired_ = std::chrono::steady_clock::now() - d->start_ > d->limit_;
    return d->expired_ ? -1 : 0;
}

}  // namespace camdrift
