// Headless services for batch runs and tests.
#include "platform/headless.h"

#include "platform/clock.h"

namespace varnix {

void RecordingMessageView::show_message_lines(std::string_view upper, std::string_view lower) {
    std::lock_guard lock(mutex_);
    upper_ = upper;
    lower_ = lower;
    lines_.emplace_back(lower);
    if (echo_) *echo_ << lower << '\n' << std::flush;
}

void RecordingMessageView::log_window_append(std::string_view) {}

std::vector<std::string> RecordingMessageView::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::string RecordingMessageView::upper() const {
    std::lock_guard lock(mutex_);
    return upper_;
}

std::string RecordingMessageView::lower() const {
    std::lock_guard lock(mutex_);
    return lower_;
}

bool RecordingMessageView::contains(std::string_view text) const {
    std::lock_guard lock(mutex_);
    for (const auto& line : lines_) {
        if (line.find(text) != std::string::npos) return true;
    }
    return false;
}

void RecordingMessageView::clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

std::optional<std::string> ScriptedPrompter::ask(const PromptRequest& request) {
    requests_.push_back(request);
    if (answers_.empty()) return std::nullopt;
    auto answer = std::move(answers_.front());
    answers_.pop_front();
    return answer;
}

int HeadlessMessageBoxes::show(std::string_view text, std::string_view caption, int style) {
    shown_.push_back({std::string(text), std::string(caption), style});
    if (out_) *out_ << caption << ": " << text << '\n' << std::flush;
    if (answers_.empty()) return default_answer_;
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

HeadlessTimers::HeadlessTimers() : clock_([] { return tick_count(); }) {}

void HeadlessTimers::set_clock(Clock clock) {
    std::lock_guard lock(mutex_);
    clock_ = std::move(clock);
}

void HeadlessTimers::start_timer(int id, int period_ms, std::function<void()> on_tick) {
    std::lock_guard lock(mutex_);
    timers_[id] = Timer{period_ms, clock_() + period_ms, std::move(on_tick)};
}

void HeadlessTimers::stop_timer(int id) {
    std::lock_guard lock(mutex_);
    timers_.erase(id);
}

bool HeadlessTimers::is_running(int id) const {
    std::lock_guard lock(mutex_);
    return timers_.count(id) != 0;
}

bool HeadlessTimers::process_events() {
    // Fire one due timer per call, outside the lock: its tick may stop or restart timers.
    std::function<void()> tick;
    {
        std::lock_guard lock(mutex_);
        if (timers_.empty()) return false;
        const std::int64_t now = clock_();
        for (auto& [id, timer] : timers_) {
            if (timer.due <= now) {
                timer.due = now + timer.period_ms;
                tick = timer.on_tick;
                break;
            }
        }
    }
    if (!tick) return false;
    ++fired_;
    tick();
    return true;
}

void HeadlessInvoker::post(std::function<void()> fn) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(fn));
}

bool HeadlessInvoker::run_pending() {
    if (!on_gui_thread()) return false;
    bool ran = false;
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) return ran;
            fn = std::move(queue_.front());
            queue_.pop_front();
        }
        fn();  // outside the lock: it may post again
        ++run_;
        ran = true;
    }
}

bool RecordingSound::play_wave(const std::string& path) {
    played_.push_back(path);
    return playable_;
}

}  // namespace varnix
