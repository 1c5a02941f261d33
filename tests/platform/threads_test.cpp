// Two threads over the window interface: a cancel from the other thread reaches a wait even
// between two waits, the worker reads a pane through the invoker while the GUI thread is busy,
// a cancelled call never runs, printing from both threads at once cannot deadlock, prompts
// from the worker are asked on the GUI thread, and a host look-up ends on Cancel.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/blocking.h"
#include "platform/headless.h"
#include "platform/list_box.h"
#include "platform/messages.h"
#include "platform/socket.h"
#include "platform/socket_errors.h"
#include "platform/window_interface.h"

namespace varnix {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Ends the test program when a two-thread test hangs, so a deadlock fails instead of
// stalling the whole run.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds bound)
        : thread_([this, bound] {
              std::unique_lock lock(mutex_);
              if (!done_cv_.wait_for(lock, bound, [this] { return done_; })) {
                  ADD_FAILURE() << "deadlock: the threads did not finish";
                  std::_Exit(3);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        done_cv_.notify_all();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable done_cv_;
    bool done_ = false;
    std::thread thread_;
};

// The GUI thread's side of a test: pumps the invoker's queue while it waits for `done`.
void pump_until(HeadlessInvoker& invoker, const std::atomic<bool>& done) {
    install_thread_blocking_hook([&invoker] { return invoker.run_pending(); });
    const WaitResult waited = wait_until([&] { return done.load(); }, 20000);
    install_thread_blocking_hook(nullptr);
    EXPECT_EQ(waited, WaitResult::Ready);
}

TEST(CrossThreadCancel, ACancelBetweenTwoWaitsEndsTheNextWait) {
    auto state = this_thread_blocking_state();
    WakeEvent never;
    state->request_cancel();  // no wait in progress: it must not be lost
    const auto start = Clock::now();
    EXPECT_EQ(never.wait(5000), WaitResult::Cancelled);
    EXPECT_LT(Clock::now() - start, 1s);
    EXPECT_EQ(last_socket_error(), wsa::cancelled);
    // One cancel ends one wait: the next starts clean.
    EXPECT_EQ(never.wait(30), WaitResult::TimedOut);
}

TEST(CrossThreadCancel, AnotherThreadEndsAWaitWithinASlice) {
    WakeEvent never;
    auto state = this_thread_blocking_state();
    std::thread gui([state] {
        std::this_thread::sleep_for(100ms);
        state->request_cancel();
    });
    const auto start = Clock::now();
    EXPECT_EQ(never.wait(10000), WaitResult::Cancelled);
    EXPECT_LT(Clock::now() - start, 1s);
    gui.join();
}

// A list that remembers which threads touched it.
class ThreadCheckedList : public MemoryListBox {
public:
    [[nodiscard]] ListSnapshot snapshot() const override {
        touched_by_ = std::this_thread::get_id();
        return MemoryListBox::snapshot();
    }
    mutable std::thread::id touched_by_;
};

TEST(UiInvoker, WorkerReadsAPaneWhileTheGuiThreadIsBusy) {
    Watchdog watchdog(30s);
    HeadlessInvoker invoker;
    ThreadCheckedList files;
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) (void)files.add_item(name);
    ASSERT_TRUE(files.set_selected(0, true));
    ASSERT_TRUE(files.set_selected(2, true));

    std::atomic<bool> done{false};
    std::optional<ListSnapshot> seen;
    std::thread worker([&] {
        seen = take_snapshot(&invoker, files);
        done = true;
    });
    // The GUI thread is busy in a blocking wait of its own; its hook serves the worker.
    pump_until(invoker, done);
    worker.join();

    ASSERT_TRUE(seen.has_value());
    ASSERT_EQ(seen->items.size(), 3u);
    EXPECT_EQ(seen->selected_texts(), (std::vector<std::string>{"a.txt", "c.txt"}));
    EXPECT_EQ(files.touched_by_, std::this_thread::get_id());  // read on the GUI thread
    EXPECT_EQ(invoker.calls_run(), 1);                          // in one crossing
}

TEST(UiInvoker, ACallCancelledBeforeItRanNeverRuns) {
    HeadlessInvoker invoker;
    std::atomic<bool> ran{false};
    std::atomic<bool> returned{false};
    bool answer = true;
    std::shared_ptr<BlockingState> worker_state;
    std::atomic<bool> registered{false};
    std::thread worker([&] {
        worker_state = this_thread_blocking_state();
        registered = true;
        answer = invoker.call([&] { ran = true; });
        returned = true;
    });
    while (!registered) std::this_thread::yield();
    std::this_thread::sleep_for(50ms);
    worker_state->request_cancel();  // the GUI thread has not pumped yet
    const auto start = Clock::now();
    while (!returned && Clock::now() - start < 5s) std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(returned);
    worker.join();
    EXPECT_FALSE(answer);
    (void)invoker.run_pending();  // the abandoned call is skipped
    EXPECT_FALSE(ran);
}

// A view that, like a real window's, must only be used on the GUI thread: off it, it waits
// for the GUI thread (as a naive widget wrapper would), which deadlocked while the message
// history's lock was held.
class GuiOnlyView : public MessageView {
public:
    explicit GuiOnlyView(UiInvoker& invoker) : invoker_(invoker) {}
    void show_message_lines(std::string_view, std::string_view lower) override {
        if (!invoker_.on_gui_thread()) {
            ++off_thread_;
            (void)invoker_.call([] {});
        }
        last_ = lower;
        ++shown_;
    }
    void log_window_append(std::string_view) override {}
    std::atomic<int> off_thread_{0};
    int shown_ = 0;
    std::string last_;

private:
    UiInvoker& invoker_;
};

TEST(MessageOutputThreads, PrintingFromBothThreadsAtOnceDoesNotDeadlock) {
    Watchdog watchdog(60s);
    HeadlessInvoker invoker;
    GuiOnlyView view(invoker);
    MessageOutput messages(&view);
    messages.set_invoker(&invoker);
    constexpr int lines = 500;
    std::atomic<bool> worker_done{false};
    std::thread worker([&] {
        for (int i = 0; i < lines; ++i) messages.print_message("worker %d", i);
        worker_done = true;
    });
    for (int i = 0; i < lines; ++i) {
        messages.print_message("gui %d", i);
        (void)invoker.run_pending();
    }
    pump_until(invoker, worker_done);
    worker.join();
    (void)invoker.run_pending();
    EXPECT_EQ(view.off_thread_, 0);
    EXPECT_EQ(view.shown_, 2 * lines);
    EXPECT_EQ(messages.history().size(), static_cast<std::size_t>(MessageOutput::history_slots));
}

class GuiThreadPrompter : public ScriptedPrompter {
public:
    std::optional<std::string> ask(const PromptRequest& request) override {
        asked_on_ = std::this_thread::get_id();
        return ScriptedPrompter::ask(request);
    }
    std::thread::id asked_on_;
};

TEST(PromptThreads, AWorkersPromptIsAskedOnTheGuiThread) {
    Watchdog watchdog(30s);
    HeadlessInvoker invoker;
    GuiThreadPrompter prompter;
    prompter.push_answer("renamed.txt");
    Prompts prompts(&prompter);
    prompts.set_invoker(&invoker);
    std::atomic<bool> done{false};
    std::string name = "a.txt";
    int ok = 0;
    std::thread worker([&] {
        ok = prompts.ask_text(&name, "Enter local file name for %s:", "a.txt");
        done = true;
    });
    pump_until(invoker, done);
    worker.join();
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(name, "renamed.txt");
    EXPECT_EQ(prompts.answer(), "renamed.txt");
    EXPECT_EQ(prompter.asked_on_, std::this_thread::get_id());
}

TEST(HostLookup, RunsWhileTheHookPumpsAndEndsOnCancel) {
    int hook_calls = 0;
    install_thread_blocking_hook([&] {
        ++hook_calls;
        return false;
    });
    const auto local = resolve_ipv4("localhost");
    ASSERT_TRUE(local.has_value());
    EXPECT_EQ(dotted(*local).rfind("127.", 0), 0u);
    EXPECT_GE(hook_calls, 1);  // the look-up waited through the wait primitive

    this_thread_blocking_state()->request_cancel();
    EXPECT_FALSE(resolve_ipv4("localhost").has_value());
    EXPECT_EQ(last_socket_error(), wsa::cancelled);
    install_thread_blocking_hook(nullptr);
}

}  // namespace
}  // namespace varnix
