// The control connection against the scripted server: reply reading, command echo, closing,
// time-outs and hostile replies.
#include <gmock/gmock.h>

#include <atomic>
#include <string>

#include "net/control_connection.h"
#include "net/net_fixture.h"
#include "platform/socket_errors.h"
#include "support/scripted_server.h"

namespace varnix::test {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

using ControlConnectionTest = ScriptedNetTest;

TEST_F(ControlConnectionTest, MultiLineReplyWithForeignCodesEndsAtItsOwnCode) {
    server.reply("220-Welcome\n220-more\n   text\n230 not the end\n220 ready");
    start_and_connect();
    const CommandReply reply = read_reply(ctx);
    EXPECT_EQ(reply.cls, ReplyClass::Completed);
    EXPECT_EQ(reply.code, 220);
    EXPECT_EQ(reply.text, "220 ready");
    EXPECT_EQ(ctx.reply.code, 220);
    EXPECT_EQ(ctx.reply.text, "220 ready");
    EXPECT_THAT(view.lines(), ElementsAre("220-Welcome", "220-more", "   text", "230 not the end",
                                          "220 ready"));
    EXPECT_EQ(ctx.busy_count, 0);
    finish();
}

// The reply a command returns is the one it got, not the one before it: a refusal keeps its
// code and words, and a command that never went out has no reply at all.
TEST_F(ControlConnectionTest, EachCommandReturnsItsOwnReply) {
    server.reply("220 ready").expect("SIZE a").reply("213 42").expect("RETR a")
          .reply("550 a: no such file");
    start_and_connect();
    ASSERT_TRUE(read_reply(ctx).completed());
    const CommandReply size = send_command(ctx, "SIZE %s", "a");
    const CommandReply retr = send_command(ctx, "RETR %s", "a");
    EXPECT_EQ(size.code, 213);
    EXPECT_EQ(size.text, "213 42");
    EXPECT_TRUE(size.completed());
    EXPECT_EQ(retr.code, 550);
    EXPECT_EQ(retr.cls, ReplyClass::Permanent);
    EXPECT_EQ(retr.class_number(), 5);
    EXPECT_EQ(retr.text, "550 a: no such file");
    EXPECT_FALSE(retr.not_understood());
    close_control(ctx);
    const CommandReply unsent = send_command(ctx, "NOOP");
    EXPECT_EQ(unsent.code, 0);
    EXPECT_EQ(unsent.cls, ReplyClass::None);
    EXPECT_EQ(unsent.class_number(), 0);
    finish();
}

TEST_F(ControlConnectionTest, ServiceNotAvailableIsClassFour) {
    server.reply("421 Service not available");
    start_and_connect();
    EXPECT_EQ(read_reply(ctx).cls, ReplyClass::Transient);
    EXPECT_EQ(ctx.reply.code, 421);
    finish();
}

TEST_F(ControlConnectionTest, TwoRepliesInOneSegmentAreReadOneAfterTheOther) {
    server.send_raw("200 first\r\n201 second\r\n").silence_until_closed(10s);
    start_and_connect();
    EXPECT_EQ(read_reply(ctx).cls, ReplyClass::Completed);
    EXPECT_EQ(ctx.reply.text, "200 first");
    EXPECT_EQ(ctx.control.state().remainder, "201 second\r\n");
    EXPECT_EQ(read_reply(ctx).cls, ReplyClass::Completed);
    EXPECT_EQ(ctx.reply.code, 201);
    EXPECT_EQ(ctx.reply.text, "201 second");
    EXPECT_TRUE(ctx.control.state().remainder.empty());
    close_control(ctx);
    finish();
}

TEST_F(ControlConnectionTest, AReplyReadStartsWithNoCodeSoACodelessFirstLineEnds) {
    ctx.session.timeout = 5;
    server.reply("Welcome to the archive\n220 ready").silence_until_closed(10s);
    start_and_connect();
    ctx.reply.code = 226;  // left over from an earlier exchange
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(read_reply(ctx).cls, ReplyClass::Completed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);  // not the whole time-out
    EXPECT_EQ(ctx.reply.code, 220);
    EXPECT_EQ(ctx.reply.text, "220 ready");
    close_control(ctx);
    finish();
}

TEST_F(ControlConnectionTest, ClosingForgetsTheUnreadRemainderAndTheType) {
    server.send_raw("200 first\r\n226 late\r\n").silence_until_closed(10s);
    start_and_connect();
    ctx.control.state().current_type = 'I';
    EXPECT_EQ(read_reply(ctx).cls, ReplyClass::Completed);
    EXPECT_EQ(ctx.control.state().remainder, "226 late\r\n");
    close_control(ctx);
    EXPECT_TRUE(ctx.control.state().remainder.empty());
    EXPECT_EQ(ctx.control.state().current_type, 'A');
    EXPECT_EQ(ctx.reply.code, 0);
    finish();
}

TEST_F(ControlConnectionTest, ReplySplitAcrossSegmentsIsJoined) {
    server.send_split("331-User name okay,\r\n331 need password\r\n", {3, 10, 1, 20});
    start_and_connect();
    EXPECT_EQ(read_reply(ctx).cls, ReplyClass::Intermediate);
    EXPECT_EQ(ctx.reply.text, "331 need password");
    EXPECT_THAT(view.lines(), ElementsAre("331-User name okay,", "331 need password"));
    finish();
}

TEST_F(ControlConnectionTest, OverlongLineComesInPiecesAndLosesNothing) {
    const std::string body = "250 " + std::string(2500, 'x');
    server.send_raw(body + "\r\n").silence_until_closed(10s);
    start_and_connect();
    std::string joined;
    int pieces = 0;
    while (joined.size() < body.size() && pieces < 10) {
        (void)read_reply_line(ctx);
        const std::string piece = ctx.reply.text;
        ++pieces;
        if (joined.size() + piece.size() < body.size()) {
            EXPECT_GE(piece.size(), max_reply_line);
            EXPECT_LT(piece.size(), max_reply_line + reply_recv_chunk);
        }
        joined += piece;
    }
    EXPECT_EQ(joined, body);
    EXPECT_GE(pieces, 3);
    close_control(ctx);
    finish();
}

TEST_F(ControlConnectionTest, OrderlyCloseIsClassFourWithoutErrorText) {
    server.close();
    start_and_connect();
    EXPECT_EQ(read_reply(ctx).cls, ReplyClass::Transient);
    EXPECT_EQ(ctx.reply.code, 421);
    EXPECT_TRUE(ctx.cancel_requested);
    EXPECT_FALSE(view.contains("receive error"));
    finish();
}

TEST_F(ControlConnectionTest, ResetIsClassFourWithReceiveError) {
    // The reset comes only after the connection certainly stands on both sides.
    server.expect("NOOP").reset();
    start_and_connect();
    std::string noop = "NOOP";
    ASSERT_EQ(send_line(ctx, noop), 6);
    EXPECT_EQ(read_reply(ctx).cls, ReplyClass::Transient);
    EXPECT_TRUE(ctx.cancel_requested);
    EXPECT_TRUE(view.contains("receive error: connection reset"));
    finish();
}

TEST_F(ControlConnectionTest, PasswordsAndAccountsAreHiddenInTheEcho) {
    server.expect("PASS secret").reply("230 ok")
          .expect("ACCT acct1").reply("202 ok")
          .expect("pass lower").reply("500 what");
    start_and_connect();
    EXPECT_EQ(send_command(ctx, "PASS %s", "secret").cls, ReplyClass::Completed);
    EXPECT_EQ(send_command(ctx, "ACCT %s", "acct1").cls, ReplyClass::Completed);
    EXPECT_EQ(send_command(ctx, "pass %s", "lower").cls, ReplyClass::Permanent);
    EXPECT_THAT(view.lines(), ElementsAre("PASS (hidden)", "230 ok", "ACCT (hidden)", "202 ok",
                                          "pass lower", "500 what"));
    finish();
}

TEST_F(ControlConnectionTest, ReadyMadeLinesAreSentAsTheyStand) {
    server.expect("SITE 100% done").reply("200 ok").expect("NOOP").reply("200 ok");
    start_and_connect();
    EXPECT_EQ(send_command_text(ctx, "SITE 100% done").cls, ReplyClass::Completed);
    std::string noop = "NOOP \t\r\n";
    EXPECT_EQ(send_line(ctx, noop), 6);
    EXPECT_EQ(noop, "NOOP");  // stripped in place
    EXPECT_EQ(read_reply(ctx).cls, ReplyClass::Completed);
    finish();
}

TEST_F(ControlConnectionTest, LinesThatWouldSplitIntoTwoCommandsAreRefused) {
    server.expect("NOOP").reply("200 ok");
    start_and_connect();
    EXPECT_EQ(send_command(ctx, "RETR %s", "a\r\nDELE b").cls, ReplyClass::None);
    EXPECT_EQ(send_command_text(ctx, std::string_view("RETR a\0b", 8)).cls, ReplyClass::None);
    std::string with_lf = "STOR x\ny";
    EXPECT_EQ(send_line(ctx, with_lf), -1);
    EXPECT_EQ(send_command(ctx, "NOOP").cls, ReplyClass::Completed);
    EXPECT_THAT(server.received_lines(), ElementsAre("NOOP"));
    EXPECT_TRUE(view.contains("Command not sent"));
    finish();
}

TEST_F(ControlConnectionTest, OverlongCommandLineIsRefusedNotTruncated) {
    server.expect("NOOP").reply("200 ok");
    start_and_connect();
    const std::string name(300, 'n');
    EXPECT_EQ(send_command(ctx, "RETR %s", name.c_str()).cls, ReplyClass::None);
    EXPECT_EQ(ctx.reply.code, 0);
    EXPECT_EQ(send_command(ctx, "NOOP").cls, ReplyClass::Completed);
    EXPECT_THAT(server.received_lines(), ElementsAre("NOOP"));
    finish();
}

TEST_F(ControlConnectionTest, NotConnectedSendsNothing) {
    EXPECT_EQ(send_command(ctx, "NOOP").cls, ReplyClass::None);
    EXPECT_TRUE(view.contains("Not connected"));
    EXPECT_EQ(read_reply(ctx).cls, ReplyClass::None);
    EXPECT_EQ(read_reply_line(ctx), 0);
    std::string line = "NOOP";
    EXPECT_EQ(send_line(ctx, line), -1);
}

TEST_F(ControlConnectionTest, OddCodesNulBytesAndGarbageNeverConfuseTheReader) {
    server.send_raw(std::string("999 odd\r\nno code at all\r\n200 o\0k\r\n", 34))
          .send_raw("  2x\r\n")
          .silence_until_closed(10s);
    start_and_connect();
    EXPECT_EQ(read_reply(ctx).cls, ReplyClass::Completed);
    EXPECT_EQ(ctx.reply.code, 200);
    EXPECT_EQ(ctx.reply.text, "200 o");  // a NUL ends the line
    EXPECT_EQ(read_reply_line(ctx), 0);  // the rest after the NUL
    EXPECT_EQ(read_reply_line(ctx), 2);
    close_control(ctx);
    finish();
}

TEST_F(ControlConnectionTest, EndlessMultiLineReplyIsGivenUp) {
    std::string lines;
    for (int i = 0; i <= max_reply_lines; ++i) lines += "200-more\r\n";
    ctx.messages.set_verbose(false);
    server.send_raw(lines).silence_until_closed(20s);
    start_and_connect();
    EXPECT_EQ(read_reply(ctx).cls, ReplyClass::Transient);
    EXPECT_TRUE(view.contains("receive error: reply too long"));
    close_control(ctx);
    finish();
}

TEST_F(ControlConnectionTest, AReplyOfTooManyBytesIsGivenUp) {
    const std::string line = "200-" + std::string(900, 'x') + "\r\n";
    std::string lines;
    while (lines.size() <= max_reply_bytes + max_reply_bytes / 4) lines += line;
    ctx.messages.set_verbose(false);
    ctx.session.timeout = 5;  // a reply that is not given up fails in seconds, not minutes
    server.send_raw(lines).silence_until_closed(20s);
    start_and_connect();
    EXPECT_EQ(read_reply(ctx).cls, ReplyClass::Transient);
    EXPECT_TRUE(view.contains("receive error: reply too long"));
    close_control(ctx);
    finish();
}

TEST_F(ControlConnectionTest, ClosingNoSocketPrintsNothing) {
    close_control(ctx);
    close_data(ctx);
    close_data_plain(ctx);
    close_listener(ctx);
    EXPECT_TRUE(view.lines().empty());
}

TEST_F(ControlConnectionTest, ClosingReportsTheSocketAndStoresMinusOne) {
    server.silence_until_closed(10s);
    start_and_connect();
    const int fd = ctx.control.descriptor();
    close_control(ctx);
    EXPECT_FALSE(ctx.control.is_open());
    EXPECT_TRUE(view.contains("[" + std::to_string(fd) + "] Socket closed."));
    finish();
}

TEST_F(ControlConnectionTest, DiagnosticsOnlyInVerboseMode) {
    ctx.messages.set_verbose(false);
    server.silence_until_closed(10s);
    start_and_connect();
    close_control(ctx);
    EXPECT_TRUE(view.lines().empty());
    finish();
}

TEST_F(ControlConnectionTest, ConnectFailuresAreReported) {
    EXPECT_EQ(connect_host(ctx, "127.0.0.1", 1, "tcp"), -1);
    EXPECT_TRUE(view.contains("can't connect to 127.0.0.1 - connection refused"));
    EXPECT_EQ(connect_host(ctx, "127.0.0.1", 21, "carrier-pigeon"), -1);
    EXPECT_TRUE(view.contains("can't get \"carrier-pigeon\" protocol entry"));
    EXPECT_EQ(connect_host(ctx, "127.0.0.1", 65536 + 21, "tcp"), -1);
    EXPECT_TRUE(view.contains("can't connect to 127.0.0.1 - address not available"));
    EXPECT_EQ(connect_host(ctx, "1.x", 21, "tcp"), -1);
    EXPECT_TRUE(view.contains("can't get \"1.x\" host entry"));
}

TEST_F(ControlConnectionTest, ConnectPrintsWhereItGoes) {
    server.silence_until_closed(10s);
    server.start();
    view.clear();
    connect_to(server.port());
    EXPECT_THAT(view.lines(), ElementsAre("- -", "connecting to 127.0.0.1 ...",
                                          "Connected to 127.0.0.1 port " +
                                              std::to_string(server.port())));
    close_control(ctx);
    finish();
}

TEST(SocketErrorText, KnownAndUnknownCodes) {
    EXPECT_EQ(socket_error_text(10004), "Blocking call cancelled");
    EXPECT_EQ(socket_error_text(10054), "connection reset");
    EXPECT_EQ(socket_error_text(11002), "Host not found or server failure");
    EXPECT_EQ(socket_error_text(10062), "error 10062");
    EXPECT_EQ(socket_error_text(wsa_error_from_errno(ECONNREFUSED)), "connection refused");
}

// The time-out timer, run on a clock that moves 5 seconds per look so that a minute of
// server silence passes in a moment.
class TimeOut : public ControlConnectionTest {
protected:
    void fast_clock() {
        timers.set_clock([this] { return fake_now += 5000; });
    }
    std::atomic<long long> fake_now{0};
};

TEST_F(TimeOut, SilentServerIsGivenUpAfterTheSessionTimeOut) {
    fast_clock();
    ctx.session.timeout = 65;
    server.silence_until_closed(10s);
    start_and_connect();
    const long before = timers.ticks_fired();
    EXPECT_EQ(read_reply(ctx).cls, ReplyClass::Transient);
    EXPECT_EQ(timers.ticks_fired() - before, 13);
    EXPECT_EQ(ctx.reply.code, 421);
    EXPECT_TRUE(view.contains("Timer cancelled blocking call"));
    EXPECT_TRUE(view.contains("receive error: Blocking call cancelled"));
    close_control(ctx);
    finish();
}

TEST_F(TimeOut, BelowFiveSecondsTheTimeOutIsOff) {
    fast_clock();
    ctx.session.timeout = 3;
    server.delay(1500ms).reply("220 late but fine");
    start_and_connect();
    EXPECT_EQ(read_reply(ctx).cls, ReplyClass::Completed);
    EXPECT_EQ(ctx.reply.text, "220 late but fine");
    EXPECT_FALSE(view.contains("Timer cancelled blocking call"));
    finish();
}

TEST_F(TimeOut, TimeOutCountsAfreshForEveryReceive) {
    ctx.session.timeout = 5;  // one tick of five seconds, on the real clock
    server.reply("220-first").delay(3s).reply("220-second").delay(3s).reply("220 third");
    start_and_connect();
    EXPECT_EQ(read_reply(ctx).cls, ReplyClass::Completed);
    EXPECT_EQ(ctx.reply.text, "220 third");
    EXPECT_FALSE(timers.is_running(timeout_timer_id));
    finish();
}

TEST_F(TimeOut, EndlessBytesWithoutLineEndAreGivenUp) {
    ctx.session.timeout = 5;  // real clock: about five seconds
    std::vector<std::size_t> pieces(400, 100);
    server.send_split(std::string(40000, 'z'), pieces, 30ms);
    start_and_connect();
    EXPECT_EQ(read_reply(ctx).cls, ReplyClass::Transient);
    EXPECT_TRUE(view.contains("no line end from server"));
    close_control(ctx);
}

}  // namespace
}  // namespace varnix::test
