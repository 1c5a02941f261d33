// Stands in for the window's thread in tests and benchmarks without a window: calls from other
// threads queue up and wait until the owning thread pumps them; calls on the owner run at once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace varnix::test {

class OwnerThread {
public:
    // A call onto the owning thread that waits until it has run.
    std::function<void(const std::function<void()>&)> invoker() {
        return [this](const std::function<void()>& f) { call(f); };
    }
    void call(const std::function<void()>& f) {
        if (is_owner()) {
            f();
            return;
        }
        std::unique_lock lock(mutex_);
        bool done = false;
        queue_.push_back([&] {
            f();
            std::lock_guard inner(mutex_);
            done = true;
            cv_.notify_all();
        });
        cv_.notify_all();
        cv_.wait(lock, [&] { return done; });
    }
    // Owner: runs what is queued.
    void pump() {
        for (;;) {
            std::function<void()> f;
            {
                std::lock_guard lock(mutex_);
                if (queue_.empty()) return;
                f = std::move(queue_.front());
                queue_.pop_front();
            }
            f();
        }
    }
    // Owner: waits at most `bound` for a call to arrive (an event loop wakes at once too),
    // then runs what is queued.
    void pump_for(std::chrono::milliseconds bound) {
        {
            std::unique_lock lock(mutex_);
            cv_.wait_for(lock, bound, [&] { return !queue_.empty(); });
        }
        pump();
    }
    [[nodiscard]] bool is_owner() const { return std::this_thread::get_id() == owner_; }

private:
    std::thread::id owner_ = std::this_thread::get_id();
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace varnix::test
