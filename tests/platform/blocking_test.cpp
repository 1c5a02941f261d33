// The wait primitive: the blocking hook runs while a call waits, a cancel ends the call with
// "Blocking call cancelled", nested blocking calls are refused, and another thread can cancel.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "platform/blocking.h"
#include "platform/headless.h"
#include "platform/socket.h"
#include "platform/socket_errors.h"
#include "platform/stream.h"

namespace varnix {
namespace {

struct SocketPair {
    SocketPair() {
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
        client = SocketStream(fds[0]);
    }
    ~SocketPair() { ::close(fds[1]); }
    int fds[2] = {-1, -1};
    SocketStream client{-1};  // owns fds[0]
};

TEST(Blocking, HookRunsDuringTheWaitAndCanCancelIt) {
    SocketPair pair;
    int hook_calls = 0;
    bool was_blocking = false;
    install_thread_blocking_hook([&] {
        ++hook_calls;
        was_blocking = is_blocking();
        if (hook_calls == 5) {
            EXPECT_TRUE(cancel_blocking_call());
        }
        return false;
    });
    char byte;
    EXPECT_EQ(pair.client.read(&byte, 1), -1);
    EXPECT_EQ(last_socket_error(), wsa::cancelled);
    EXPECT_EQ(hook_calls, 5);
    EXPECT_TRUE(was_blocking);
    EXPECT_FALSE(is_blocking());
    EXPECT_FALSE(cancel_blocking_call());  // nothing to cancel now
    install_thread_blocking_hook(nullptr);
}

TEST(Blocking, NestedBlockingCallFromTheHookIsRefused) {
    SocketPair pair;
    ssize_t nested = 0;
    int nested_error = 0;
    install_thread_blocking_hook([&] {
        char byte;
        nested = pair.client.read(&byte, 1);
        nested_error = last_socket_error();
        EXPECT_EQ(::write(pair.fds[1], "x", 1), 1);
        install_thread_blocking_hook(nullptr);
        return false;
    });
    char byte = 0;
    EXPECT_EQ(pair.client.read(&byte, 1), 1);
    EXPECT_EQ(byte, 'x');
    EXPECT_EQ(nested, -1);
    EXPECT_EQ(nested_error, wsa::in_progress);
}

TEST(Blocking, AnotherThreadCanCancelTheCall) {
    SocketPair pair;
    auto state = this_thread_blocking_state();
    std::thread canceller([state] {
        for (int i = 0; i < 500 && !state->cancel(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    char byte;
    EXPECT_EQ(pair.client.read(&byte, 1), -1);
    EXPECT_EQ(last_socket_error(), wsa::cancelled);
    canceller.join();
}

TEST(Blocking, WaitWithALimitTimesOut) {
    SocketPair pair;
    EXPECT_EQ(wait_socket(pair.fds[0], POLLIN, 50), WaitResult::TimedOut);
}

TEST(HeadlessTimers, FireWhenDueAndStopWhenKilled) {
    long long now = 0;
    HeadlessTimers timers([&] { return now; });
    int fired = 0;
    timers.start_timer(20, 5000, [&] { ++fired; });
    EXPECT_FALSE(timers.process_events());
    now = 4999;
    EXPECT_FALSE(timers.process_events());
    now = 5000;
    EXPECT_TRUE(timers.process_events());
    now = 10000;
    EXPECT_TRUE(timers.process_events());
    timers.stop_timer(20);
    now = 50000;
    EXPECT_FALSE(timers.process_events());
    EXPECT_EQ(fired, 2);
}

}  // namespace
}  // namespace varnix
