// Connections as objects: a socket stream owns its descriptor, a connection closes its stream
// exactly once, a new control connection starts clean, wrapping keeps the state, and another
// thread's shutdown ends the owner's blocked read without ever reaching a reused descriptor.
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "net/connections.h"
#include "net/worker.h"
#include "net_fixture.h"
#include "platform/stream.h"

namespace varnix::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

bool descriptor_open(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

// Both ends of a local stream socket; the test closes what it did not hand over.
struct Pair {
    Pair() { EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0); }
    ~Pair() {
        for (const int fd : fds) {
            if (fd != -1) ::close(fd);
        }
    }
    int give_client() { return std::exchange(fds[0], -1); }
    int peer() const { return fds[1]; }
    int fds[2] = {-1, -1};
};

// A stream that counts what is done to it (and optionally owns an inner one, as a TLS
// stream owns its socket stream).
class CountingStream final : public Stream {
public:
    CountingStream(std::atomic<int>& closes, std::unique_ptr<Stream> inner = nullptr)
        : closes_(closes), inner_(std::move(inner)) {}
    ~CountingStream() override { (void)close(); }
    ssize_t read(char*, std::size_t, int) override { return 0; }
    ssize_t read_available(char*, std::size_t) override { return 0; }
    bool readable_now() const override { return false; }
    ssize_t write(const char*, std::size_t length, int) override { return static_cast<ssize_t>(length); }
    ssize_t write_urgent(const char*, std::size_t length) override { return static_cast<ssize_t>(length); }
    void shutdown(ShutdownHow) override {}
    void set_abortive_close() override {}
    int descriptor() const override { return open_ ? 100 : -1; }
    int close() override {
        if (!open_) return 0;
        open_ = false;
        ++closes_;
        return inner_ ? inner_->close() : 0;
    }
    Stream* inner() const { return inner_.get(); }

private:
    std::atomic<int>& closes_;
    std::unique_ptr<Stream> inner_;
    bool open_ = true;
};

TEST(SocketStream, OwnsItsDescriptorUntilReleased) {
    Pair a;
    const int fd = a.give_client();
    {
        SocketStream stream(fd);
        SocketStream moved(std::move(stream));  // the moved-from stream closes nothing
        EXPECT_EQ(stream.descriptor(), -1);
        EXPECT_TRUE(descriptor_open(fd));
    }
    EXPECT_FALSE(descriptor_open(fd));

    Pair b;
    const int kept = b.give_client();
    {
        SocketStream stream(kept);
        EXPECT_EQ(stream.release(), kept);
    }
    EXPECT_TRUE(descriptor_open(kept));
    SocketStream closing(kept);
    EXPECT_EQ(closing.close(), 0);
    EXPECT_EQ(closing.descriptor(), -1);
    EXPECT_EQ(closing.close(), 0);  // a second close touches nothing
    EXPECT_FALSE(descriptor_open(kept));
}

TEST(StreamSlot, EachStreamIsClosedExactlyOnce) {
    std::atomic<int> closes{0};
    {
        DataConnection data;
        data.open(std::make_unique<CountingStream>(closes));
        EXPECT_TRUE(data.is_open());
        EXPECT_EQ(data.close(), 0);
        EXPECT_FALSE(data.is_open());
        EXPECT_EQ(data.descriptor(), -1);
        EXPECT_EQ(data.close(), 0);
        data.shutdown_any_thread();  // nothing left to shut down: no crash
        EXPECT_EQ(closes, 1);
        data.open(std::make_unique<CountingStream>(closes));
        data.open(std::make_unique<CountingStream>(closes));  // replaces: the first is closed
        EXPECT_EQ(closes, 2);
    }
    EXPECT_EQ(closes, 3);  // the last one when the connection goes
}

TEST(StreamSlot, WrappingReplacesTheStreamAndKeepsTheState) {
    std::atomic<int> closes{0};
    ControlConnection control;
    control.open(std::make_unique<CountingStream>(closes));
    Stream* plain = &control.stream();
    control.state().remainder = "234 rest";
    control.state().current_type = 'I';
    Stream* handed = nullptr;
    EXPECT_TRUE(control.wrap_stream([&](std::unique_ptr<Stream> old) -> std::unique_ptr<Stream> {
        handed = old.get();
        EXPECT_FALSE(control.is_open());  // out of reach of another thread's shutdown meanwhile
        return std::make_unique<CountingStream>(closes, std::move(old));
    }));
    EXPECT_EQ(handed, plain);
    EXPECT_EQ(closes, 0);  // the plain stream lives on inside the new one
    ASSERT_TRUE(control.is_open());
    EXPECT_EQ(static_cast<CountingStream&>(control.stream()).inner(), plain);
    EXPECT_EQ(control.state().remainder, "234 rest");
    EXPECT_EQ(control.state().current_type, 'I');

    // A wrapper that fails leaves the connection closed, and the state with it.
    EXPECT_FALSE(control.wrap_stream([](std::unique_ptr<Stream>) { return nullptr; }));
    EXPECT_FALSE(control.is_open());
    EXPECT_EQ(closes, 2);  // the wrapper and the plain stream inside it, once each
    EXPECT_EQ(control.close(), 0);
    EXPECT_TRUE(control.state().remainder.empty());
}

TEST_F(NetTest, ANewControlConnectionNeverSeesTheOldOnesBytes) {
    Pair first;
    const int old_fd = first.give_client();
    open_control(ctx, old_fd);
    const std::string both = "200 ok\r\n226 late\r\n";  // one segment: the second line waits
    ASSERT_EQ(::write(first.peer(), both.data(), both.size()), static_cast<ssize_t>(both.size()));
    ASSERT_EQ(read_reply(ctx).cls, ReplyClass::Completed);
    ASSERT_EQ(ctx.control.state().remainder, "226 late\r\n");
    ctx.control.state().current_type = 'I';

    Pair second;
    const std::string greeting = "220 hello\r\n";
    ASSERT_EQ(::write(second.peer(), greeting.data(), greeting.size()),
              static_cast<ssize_t>(greeting.size()));
    open_control(ctx, second.give_client());  // over the old one, without closing it first
    EXPECT_FALSE(descriptor_open(old_fd));
    EXPECT_EQ(ctx.reply.code, 0);
    EXPECT_EQ(ctx.control.state().current_type, 'A');
    EXPECT_EQ(read_reply(ctx).cls, ReplyClass::Completed);
    EXPECT_EQ(ctx.reply.text, "220 hello");
    char byte;
    EXPECT_EQ(::read(first.peer(), &byte, 1), 0);  // the old connection was closed
    close_control(ctx);
}

// The window's forced abort: the GUI thread shuts the data connection down while the worker
// is blocked reading it; the worker's read ends at once, not at a time-out.
TEST_F(NetTest, ShutdownFromTheGuiThreadEndsTheWorkersDataReadPromptly) {
    Pair pair;
    ctx.data.open(std::make_unique<SocketStream>(pair.give_client()));
    std::atomic<bool> reading{false};
    std::atomic<ssize_t> result{-2};
    Clock::time_point ended;
    std::thread worker([&] {
        WorkerScope scope(ctx);
        char buffer[64];
        reading = true;
        result = ctx.data.stream().read(buffer, sizeof buffer, 20000);
        ended = Clock::now();
        (void)ctx.data.close();
    });
    const auto start = Clock::now();
    while (!reading && Clock::now() - start < 5s) std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(100ms);  // well inside the read
    const auto shut_at = Clock::now();
    ctx.data.shutdown_any_thread();
    worker.join();
    EXPECT_EQ(result, 0);  // an end of stream, as the peer's close would give
    EXPECT_LT(ended - shut_at, 1s);
    EXPECT_FALSE(ctx.data.is_open());
}

// The worker opens and closes data connections while the GUI thread keeps shutting the data
// connection down. A closed stream's descriptor number goes straight to the next socket made;
// a shutdown that reached it through a stale number would cut a connection it does not own.
TEST(StreamSlot, ShutdownFromAnotherThreadNeverReachesAReusedDescriptor) {
    DataConnection data;
    std::atomic<bool> done{false};
    std::atomic<int> cut{0};
    std::thread worker([&] {
        for (int i = 0; i < 1000; ++i) {
            Pair pair;
            data.open(std::make_unique<SocketStream>(pair.give_client()));
            (void)data.close();
            Pair bystander;  // most likely gets the number just freed
            if (::send(bystander.fds[0], "x", 1, MSG_NOSIGNAL | MSG_DONTWAIT) != 1) ++cut;
        }
        done = true;
    });
    while (!done) data.shutdown_any_thread();
    worker.join();
    EXPECT_EQ(cut, 0);
}

}  // namespace
}  // namespace varnix::test
