// The control connection with a worker thread: the GUI's Cancel ends the worker's reply read
// within a second, the GUI thread's command is refused at once instead of waiting for the
// worker, and the busy notification reaches the window on the GUI thread.
#include <atomic>
#include <chrono>
#include <thread>

#include "net/worker.h"
#include "net_fixture.h"

namespace varnix::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class WorkerThread : public ScriptedNetTest {
protected:
    WorkerThread() {
        ctx.set_services(Services{&view, &prompter, &boxes, &timers, &sound, &invoker});
        install_blocking_hook(ctx);
        ctx.session.timeout = 60;  // the time-out must not be what ends the wait
    }
    ~WorkerThread() override {
        if (worker.joinable()) worker.join();
    }

    // Starts a worker that reads one reply, and waits until it is blocked in the read.
    void start_blocked_read() {
        worker = std::thread([this] {
            WorkerScope scope(ctx);
            read_class = read_reply(ctx).class_number();
            read_done = Clock::now();
            finished = true;
        });
        const auto start = Clock::now();
        while (!(ctx.busy_count > 0 && worker_running(ctx)) && Clock::now() - start < 5s) {
            std::this_thread::sleep_for(5ms);
        }
        std::this_thread::sleep_for(100ms);  // well inside the wait
    }

    HeadlessInvoker invoker;
    std::thread worker;
    std::atomic<bool> finished{false};
    std::atomic<int> read_class{-1};
    Clock::time_point read_done;
};

TEST_F(WorkerThread, GuiCancelEndsTheWorkersReplyReadWithinASecond) {
    server.silence_until_closed(20s);
    start_and_connect();
    start_blocked_read();
    ASSERT_FALSE(finished);
    const auto cancelled_at = Clock::now();
    cancel_command(ctx);  // the GUI thread's Cancel
    while (!finished && Clock::now() - cancelled_at < 5s) std::this_thread::sleep_for(5ms);
    ASSERT_TRUE(finished);
    worker.join();
    EXPECT_LT(read_done - cancelled_at, 1s);
    EXPECT_EQ(read_class, 4);
    EXPECT_EQ(ctx.reply.code, 421);
    EXPECT_TRUE(ctx.stop_requested);
    EXPECT_FALSE(worker_running(ctx));
    EXPECT_FALSE(cancel_worker(ctx));  // no worker left to cancel
}

TEST_F(WorkerThread, GuiCommandIsRefusedAtOnceWhileTheWorkerHoldsTheConnection) {
    server.silence_until_closed(20s);
    start_and_connect();
    start_blocked_read();
    const auto start = Clock::now();
    EXPECT_EQ(send_command(ctx, "NOOP").cls, ReplyClass::None);
    EXPECT_LT(Clock::now() - start, 500ms);  // refused, not queued behind the worker
    EXPECT_FALSE(finished);
    (void)cancel_worker(ctx);
    worker.join();
    // Nothing went out: the server got no NOOP while the worker owned the exchange.
    close_control(ctx);
    EXPECT_TRUE(server.wait_done(5s));
    EXPECT_TRUE(server.received_lines().empty());
    (void)invoker.run_pending();
    EXPECT_TRUE(view.contains("[x] cmd in progress, yielding"));
}

TEST_F(WorkerThread, BusyChangesReachTheWindowOnTheGuiThread) {
    server.reply("220 ready");
    start_and_connect();
    std::atomic<int> off_gui{0};
    int changes = 0;
    ctx.events.on_busy_changed = [&] {
        if (!invoker.on_gui_thread()) ++off_gui;
        ++changes;
    };
    worker = std::thread([this] {
        WorkerScope scope(ctx);
        set_transfer_thread_busy(ctx, 1);
        read_class = read_reply(ctx).class_number();
        set_transfer_thread_busy(ctx, 0);
        finished = true;
    });
    const auto start = Clock::now();
    while (!finished && Clock::now() - start < 5s) (void)invoker.run_pending();
    worker.join();
    (void)invoker.run_pending();
    EXPECT_EQ(read_class, 2);
    EXPECT_EQ(off_gui, 0);
    EXPECT_GE(changes, 2);  // busy, then idle
    EXPECT_FALSE(engine_busy(ctx));
}

}  // namespace
}  // namespace varnix::test
