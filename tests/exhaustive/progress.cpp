// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#include "progress.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>

namespace verify {

double now_seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

Progress::Progress(std::string what, uint64_t total)
    : what_(std::move(what)),
      total_(total),
      terminal_(isatty(STDERR_FILENO) != 0),
      start_seconds_(now_seconds()),
      shower_([this] { show_until_stopped(); }) {}

Progress::~Progress() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stop_requested_.notify_one();
    shower_.join();
    show(true);
}

void Progress::show_until_stopped() {
    std::unique_lock lock(mutex_);
    const auto period = terminal_ ? std::chrono::seconds(1) : std::chrono::milliseconds(200);
    while (!stop_requested_.wait_for(lock, period, [this] { return stopping_; })) show(false);
}

void Progress::show(bool last) {
    const uint64_t done = done_.load(std::memory_order_relaxed);
    const double share =
        total_ == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total_);
    if (!terminal_) {
        const int tenths = static_cast<int>(share * 10.0);
        if (tenths <= tenths_shown_ && !last) return;
        if (tenths <= tenths_shown_ && last && tenths_shown_ == 10) return;
        tenths_shown_ = tenths;
    }
    const double elapsed = now_seconds() - start_seconds_;
    const double rate = elapsed > 0 ? static_cast<double>(done) / elapsed : 0.0;
    const double left = rate > 0 ? static_cast<double>(total_ - done) / rate : 0.0;
    std::fprintf(stderr, "%s%s: %5.1f%% done, %.1f M/s, %.0f s left%s", terminal_ ? "\r" : "",
                 what_.c_str(), 100.0 * share, rate / 1e6, left, terminal_ && !last ? "   " : "\n");
    std::fflush(stderr);
}

}  // namespace verify
