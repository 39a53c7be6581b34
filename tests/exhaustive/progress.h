// SPDX-License-Identifier: Apache-2.0 WITH LLVM-exception
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace verify {

// Shows how far a long run has come on standard error: the done share, the
// rate and the time left, redrawn each second on a terminal, or one line at
// each tenth otherwise.
class Progress {
  public:
    Progress(std::string what, uint64_t total);
    ~Progress();  // stops showing, with a last line
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void add(uint64_t done) { done_.fetch_add(done, std::memory_order_relaxed); }

  private:
    void show_until_stopped();
    void show(bool last);

    std::string what_;
    uint64_t total_;
    std::atomic<uint64_t> done_{0};
    bool terminal_;
    int tenths_shown_ = 0;
    double start_seconds_;
    std::mutex mutex_;
    std::condition_variable stop_requested_;
    bool stopping_ = false;
    std::thread shower_;
};

// Seconds on a steady clock.
double now_seconds();

}  // namespace verify
