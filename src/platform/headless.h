// Implementations of the user-facing services without a display: for batch runs (messages
// and message boxes on standard error) and for tests (recorded output, scripted answers).
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

#include "platform/services.h"
#include "platform/ui_invoker.h"

namespace varnix {

// Records what reaches the message area; can also echo each new line to a stream.
class RecordingMessageView : public MessageView {
public:
    explicit RecordingMessageView(std::ostream* echo = nullptr) : echo_(echo) {}
    void show_message_lines(std::string_view upper, std::string_view lower) override;
    void log_window_append(std::string_view text) override;
    [[nodiscard]] std::vector<std::string> lines() const;  // the lower line of every redraw
    [[nodiscard]] std::string upper() const;
    [[nodiscard]] std::string lower() const;
    // Whether some shown line contains `text`.
    [[nodiscard]] bool contains(std::string_view text) const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::ostream* echo_;
    std::vector<std::string> lines_;
    std::string upper_, lower_;
};

// Answers prompts from a queue (nullopt = Cancel) and records every request.
class ScriptedPrompter : public Prompter {
public:
    void push_answer(std::optional<std::string> answer) { answers_.push_back(std::move(answer)); }
    std::optional<std::string> ask(const PromptRequest& request) override;
    [[nodiscard]] const std::vector<PromptRequest>& requests() const { return requests_; }

private:
    std::deque<std::optional<std::string>> answers_;
    std::vector<PromptRequest> requests_;
};

// Answers certificate questions from a queue (Refuse when empty) and records each question.
class ScriptedCertificateAsker : public CertificateAsker {
public:
    void push_answer(CertificateAnswer answer) { answers_.push_back(answer); }
    CertificateAnswer ask(const CertificateQuestion& question) override {
        questions_.push_back(question);
        if (answers_.empty()) return CertificateAnswer::Refuse;
        const CertificateAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    [[nodiscard]] const std::vector<CertificateQuestion>& questions() const { return questions_; }

private:
    std::deque<CertificateAnswer> answers_;
    std::vector<CertificateQuestion> questions_;
};

// Writes each box to a stream and answers from a queue, else with a default answer.
class HeadlessMessageBoxes : public MessageBoxes {
public:
    explicit HeadlessMessageBoxes(std::ostream* out = nullptr, int default_answer = mb::id_ok)
        : out_(out), default_answer_(default_answer) {}
    int show(std::string_view text, std::string_view caption, int style) override;
    void push_answer(int id) { answers_.push_back(id); }
    struct Shown {
        std::string text, caption;
        int style;
    };
    [[nodiscard]] const std::vector<Shown>& shown() const { return shown_; }

private:
    std::ostream* out_;
    int default_answer_;
    std::deque<int> answers_;
    std::vector<Shown> shown_;
};

// Timers that fire when process_events() finds them due. The clock is replaceable so tests
// can run many 5-second ticks without waiting for them.
class HeadlessTimers : public TimerService {
public:
    using Clock = std::function<std::int64_t()>;
    HeadlessTimers();
    explicit HeadlessTimers(Clock clock) : clock_(std::move(clock)) {}
    void set_clock(Clock clock);
    void start_timer(int id, int period_ms, std::function<void()> on_tick) override;
    void stop_timer(int id) override;
    bool process_events() override;
    [[nodiscard]] bool is_running(int id) const;
    // How many ticks have been delivered so far.
    [[nodiscard]] long ticks_fired() const { return fired_.load(); }

private:
    struct Timer {
        int period_ms;
        std::int64_t due;
        std::function<void()> on_tick;
    };
    Clock clock_;
    mutable std::mutex mutex_;
    std::map<int, Timer> timers_;
    std::atomic<long> fired_{0};
};

// The invoker of batch runs and tests: the thread that made it is the GUI thread, and calls
// posted from other threads run when that thread calls run_pending() (its blocking hook does).
class HeadlessInvoker : public UiInvoker {
public:
    HeadlessInvoker() : gui_thread_(std::this_thread::get_id()) {}
    [[nodiscard]] bool on_gui_thread() const override {
        return std::this_thread::get_id() == gui_thread_;
    }
    void post(std::function<void()> fn) override;
    bool run_pending() override;
    // How many posted calls have run.
    [[nodiscard]] long calls_run() const { return run_.load(); }

private:
    std::thread::id gui_thread_;
    std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
    std::atomic<long> run_{0};
};

// Records what would have been played.
class RecordingSound : public SoundService {
public:
    bool play_wave(const std::string& path) override;
    void beep() override { ++beeps_; }
    void message_beep(BeepKind kind) override {
        beep_kinds_.push_back(kind);
        beep();
    }
    [[nodiscard]] const std::vector<std::string>& played() const { return played_; }
    [[nodiscard]] int beeps() const { return beeps_; }
    // The kinds asked for through message_beep, in order.
    [[nodiscard]] const std::vector<BeepKind>& beep_kinds() const { return beep_kinds_; }
    void set_playable(bool playable) { playable_ = playable; }

private:
    std::vector<std::string> played_;
    std::vector<BeepKind> beep_kinds_;
    int beeps_ = 0;
    bool playable_ = true;
};

}  // namespace varnix
