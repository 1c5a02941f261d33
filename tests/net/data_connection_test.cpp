// Data connections against the scripted server: the PASV reply forms and hostile replies,
// XPSV, the PORT line, the accept time-out and the bytes of the transfer abort.
#include <gmock/gmock.h>

#include <arpa/inet.h>
#include <charconv>
#include <string>
#include <sys/socket.h>
#include <vector>

#include "net/control_connection.h"
#include "net/data_connection.h"
#include "net/net_fixture.h"
#include "platform/clock.h"
#include "platform/socket.h"
#include "platform/stream.h"
#include "support/scripted_server.h"

namespace varnix::test {
namespace {

using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// Reads what the server sends on the data connection until it closes (bounded by the server).
std::string read_all(NetContext& ctx) {
    std::string text;
    char buffer[256];
    for (;;) {
        const ssize_t n = ctx.data.stream().read(buffer, sizeof buffer);
        if (n <= 0) return text;
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

// The numbers of a "PORT h1,h2,h3,h4,p1,p2" line.
std::vector<unsigned> port_numbers(std::string_view line) {
    std::vector<unsigned> numbers;
    line.remove_prefix(5);
    while (!line.empty()) {
        unsigned n = 0;
        const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), n);
        if (ec != std::errc()) break;
        numbers.push_back(n);
        line.remove_prefix(static_cast<std::size_t>(end - line.data()));
        if (!line.empty() && line.front() == ',') line.remove_prefix(1);
    }
    return numbers;
}

using DataConnectionTest = ScriptedNetTest;

TEST(PasvReply, TheThreeFormsGiveAddressAndPort) {
    for (const char* text : {"227 Entering Passive Mode (192,168,1,20,19,137)",
                             "227 =192,168,1,20,19,137", "227 Entering Passive Mode 192,168,1,20,19,137."}) {
        const PassiveParse parse = parse_pasv_reply(text);
        ASSERT_TRUE(parse.address) << text;
        EXPECT_THAT(parse.address->address, ElementsAre(192, 168, 1, 20)) << text;
        EXPECT_EQ(parse.address->port, 5001u) << text;
    }
    const PassiveParse blanks = parse_pasv_reply("227 ok ( 64, 12, 0, 1, 4, 1)");
    ASSERT_TRUE(blanks.address);
    EXPECT_EQ(blanks.address->port, 1025u);
}

TEST(PasvReply, BadNumbersAreNoAddress) {
    for (const char* text : {"227 ok (1,2,3)", "227 ok (256,0,0,1,4,1)", "227 ok (1,2,3,4,5,300)",
                             "227 ok (1,2,3,4,5,99999999999999999999999)", "227 ok (1,2,3,4,5,-1)",
                             "227 ok (1;2;3;4;5;6)", "227 ok ()", "227 ok (1,2,3,4,5,"}) {
        const PassiveParse parse = parse_pasv_reply(text);
        EXPECT_TRUE(parse.found_start) << text;
        EXPECT_FALSE(parse.address) << text;
    }
    EXPECT_EQ(parse_pasv_reply("227 ok (1,2,3)").from_start, "1,2,3");
    for (const char* text : {"227 Entering Passive Mode", "227", "", "2279"}) {
        EXPECT_FALSE(parse_pasv_reply(text).found_start) << text;
    }
}

TEST_F(DataConnectionTest, EachReplyFormConnectsToTheAnnouncedPort) {
    server.expect("PASV").passive_reply("227 Entering Passive Mode (127,0,0,1,{p1},{p2})")
          .data_send("one")
          .expect("PASV").passive_reply("227 ={p1}")  // too few numbers: nothing to accept
          .expect("PASV").passive_reply("227 =127,0,0,1,{p1},{p2}")
          .data_send("two")
          .expect("PASV").passive_reply("227 Entering Passive Mode 127,0,0,1,{p1},{p2}")
          .data_send("three");
    start_and_connect();
    ASSERT_TRUE(passive_connect(ctx));
    EXPECT_EQ(read_all(ctx), "one");
    close_data(ctx);
    EXPECT_FALSE(passive_connect(ctx));
    EXPECT_FALSE(ctx.data.is_open());
    EXPECT_TRUE(view.contains("bad address in "));
    for (const char* expected : {"two", "three"}) {
        ASSERT_TRUE(passive_connect(ctx));
        EXPECT_EQ(read_all(ctx), expected);
        close_data(ctx);
    }
    EXPECT_FALSE(view.contains("[I]"));
    EXPECT_TRUE(view.contains("connecting to 127.0.0.1:"));
    finish();
}

TEST_F(DataConnectionTest, ForeignAddressIsReplacedByTheControlPeer) {
    server.expect("PASV").passive_reply("227 Entering Passive Mode (10,9,8,7,{p1},{p2})")
          .data_send("here");
    start_and_connect();
    ASSERT_TRUE(passive_connect(ctx));
    EXPECT_EQ(read_all(ctx), "here");
    close_data(ctx);
    EXPECT_TRUE(view.contains("[I] PASV named 10.9.8.7, connecting to 127.0.0.1 instead"));
    EXPECT_FALSE(view.contains("10.9.8.7:"));
    finish();
}

TEST_F(DataConnectionTest, MalformedRepliesFailAndLeaveTheConnectionUsable) {
    server.expect("PASV").reply("227 ok (1,2,3)")
          .expect("PASV").reply("227 Entering Passive Mode (127,0,0,1,300,1)")
          .expect("PASV").reply("227 Entering Passive Mode")
          .expect("PASV").reply("425 no passive today")
          .expect("NOOP").reply("200 still here");
    start_and_connect();
    EXPECT_FALSE(passive_connect(ctx));
    EXPECT_TRUE(view.contains("bad address in 1,2,3"));
    EXPECT_FALSE(passive_connect(ctx));
    EXPECT_TRUE(view.contains("bad address in 127,0,0,1,300,1"));
    EXPECT_FALSE(passive_connect(ctx));
    EXPECT_TRUE(view.contains("unable to parse info 227 Entering Passive Mode"));
    view.clear();
    EXPECT_FALSE(passive_connect(ctx));
    EXPECT_FALSE(view.contains("connecting to"));
    expect_usable();
    finish();
}

TEST_F(DataConnectionTest, XpsvOnlyAfterNotUnderstood) {
    server.expect("PASV").reply("500 PASV not understood")
          .expect("XPSV").passive_reply()
          .data_send("x")
          .expect("PASV").reply("502 not implemented")
          .expect("NOOP").reply("200 still here");
    start_and_connect();
    ASSERT_TRUE(passive_connect(ctx));
    EXPECT_EQ(read_all(ctx), "x");
    close_data(ctx);
    EXPECT_EQ(send_pasv(ctx).cls, ReplyClass::Permanent);
    EXPECT_EQ(ctx.reply.code, 502);
    expect_usable();
    finish();
    EXPECT_THAT(server.received_lines(), ElementsAre("PASV", "XPSV", "PASV", "NOOP"));
}

TEST_F(DataConnectionTest, PortNamesTheControlAddressAndTheListenerAccepts) {
    server.expect_port().data_send("active data");
    start_and_connect();
    ASSERT_TRUE(open_listener(ctx));
    const auto bound = sock_local_address(ctx.data.listener.descriptor());
    ASSERT_TRUE(bound);
    const unsigned port = ntohs(bound->sin_port);
    const auto lines = server.received_lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "PORT 127,0,0,1," + std::to_string(port >> 8) + "," +
                            std::to_string(port & 0xFF));
    EXPECT_TRUE(view.contains("listener 0.0.0.0 port " + std::to_string(port)));
    ASSERT_TRUE(accept_data_connection(ctx));
    EXPECT_FALSE(ctx.data.listener.is_open());
    EXPECT_TRUE(view.contains("accept from 127.0.0.1 port "));
    EXPECT_EQ(read_all(ctx), "active data");
    close_data(ctx);
    finish();
}

// The matching case of the PASV hardening: a third host that finds the announced port gets
// nothing; the server's own connection is the one used.
TEST_F(DataConnectionTest, ActiveModeAcceptsOnlyTheServer) {
    server.expect_port().delay(400ms).data_send("server data");
    start_and_connect();
    ASSERT_TRUE(open_listener(ctx));
    const auto bound = sock_local_address(ctx.data.listener.descriptor());
    ASSERT_TRUE(bound);
    // Another loopback address stands for another host.
    UniqueSocket intruder(sock_create_stream());
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(0x7F000002);
    ASSERT_EQ(::bind(intruder.get(), reinterpret_cast<const sockaddr*>(&from), sizeof from), 0);
    sockaddr_in to = *bound;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(sock_connect(intruder.get(), to), 0);

    ASSERT_TRUE(accept_data_connection(ctx));
    EXPECT_TRUE(view.contains("[I] data connection from 127.0.0.2 refused: not the server 127.0.0.1"));
    EXPECT_EQ(read_all(ctx), "server data");
    close_data(ctx);
    finish();
}

TEST_F(DataConnectionTest, RefusedPortLeavesNoListener) {
    server.expect_port("500 PORT refused").expect("NOOP").reply("200 still here");
    start_and_connect();
    EXPECT_FALSE(open_listener(ctx));
    EXPECT_FALSE(ctx.data.listener.is_open());
    EXPECT_TRUE(view.contains("port cmd failed."));
    expect_usable();
    finish();
    const auto numbers = port_numbers(server.received_lines().at(0));
    ASSERT_EQ(numbers.size(), 6u);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(numbers[4] * 256 + numbers[5]));
    UniqueSocket probe(sock_create_stream());
    EXPECT_EQ(sock_connect(probe.get(), addr), -1) << "the announced port still listens";
}

TEST_F(DataConnectionTest, AcceptGivesUpAtTheTimeOut) {
    ctx.session.timeout = 5;
    // The NOOP comes only after the client's 5 s wait.
    server.expect_port().data_swallow().expect("NOOP", 10s).reply("200 still here");
    start_and_connect();
    ASSERT_TRUE(open_listener(ctx));
    const auto started = tick_count();
    EXPECT_FALSE(accept_data_connection(ctx));
    const auto waited = tick_count() - started;
    EXPECT_GE(waited, 4900);
    EXPECT_LT(waited, 8000);
    EXPECT_FALSE(ctx.data.listener.is_open());
    EXPECT_FALSE(ctx.data.is_open());
    EXPECT_TRUE(view.contains("Timer cancelled blocking call"));
    EXPECT_TRUE(view.contains("accept: "));
    expect_usable();
    finish();
}

// A server that cannot reach the client's port says so at once and waits for the next
// command: the wait ends with that reply instead of at the time-out, and the connection stays
// in step. A preliminary reply in between does not end it.
TEST_F(DataConnectionTest, ARefusalOnTheControlConnectionEndsTheWaitForTheServer) {
    ctx.session.timeout = 30;
    server.expect_port().reply("425 Can't open data connection.").expect("NOOP").reply("200 still here");
    server.expect_port().reply("125 still trying").delay(300ms).data_send("late but fine");
    start_and_connect();
    ASSERT_TRUE(open_listener(ctx));
    const auto started = tick_count();
    const DataAccept refused = accept_data_connection(ctx);
    EXPECT_LT(tick_count() - started, 5000);
    EXPECT_FALSE(refused.connected);
    EXPECT_EQ(refused.answer.code, 425);
    EXPECT_TRUE(refused.answer.transient());
    EXPECT_FALSE(ctx.data.listener.is_open());
    EXPECT_TRUE(view.contains("the server answered instead of connecting"));
    EXPECT_FALSE(view.contains("Timer cancelled blocking call"));
    EXPECT_TRUE(send_command(ctx, "NOOP").completed());

    ASSERT_TRUE(open_listener(ctx));
    const DataAccept accepted = accept_data_connection(ctx);
    ASSERT_TRUE(accepted);
    EXPECT_EQ(ctx.reply.code, 125);
    EXPECT_EQ(read_all(ctx), "late but fine");
    close_data(ctx);
    finish();
}

TEST_F(DataConnectionTest, AbortSendsThreeUrgentThenSevenNormalBytes) {
    server.expect("ABOR").reply("426 transfer aborted\n226 abort successful");
    start_and_connect();
    EXPECT_EQ(abort_transfer(ctx).cls, ReplyClass::Completed);
    EXPECT_EQ(ctx.reply.code, 226);
    finish();
    EXPECT_TRUE(view.contains("sent ABOR"));
    EXPECT_EQ(server.received_with_urgent(), std::string("\xFF\xF4\xFF\xF2" "ABOR\r\n"));
    // Linux marks only the last byte of the urgent send as out of band.
    EXPECT_EQ(server.urgent_bytes(), "\xFF");
    EXPECT_THAT(server.urgent_offsets(), ElementsAre(2u));
    EXPECT_EQ(server.received_bytes().size(), 9u);
}

// Servers answer an abort with one, two or three replies, sometimes apart: whatever they
// send, the next command gets its own reply, and nothing waits for a reply that never comes.
TEST_F(DataConnectionTest, AbortReadsTheTransfersReplyThenTheAbortsOwn) {
    server.expect("ABOR").reply("426 transfer aborted").delay(100ms).reply("226 abort done")
          .expect("NOOP").reply("200 still here");
    start_and_connect();
    EXPECT_EQ(abort_transfer(ctx).cls, ReplyClass::Completed);
    EXPECT_EQ(ctx.reply.code, 226);
    expect_usable();
    finish();
}

TEST_F(DataConnectionTest, AbortAfterTheTransferEndedTakesBothPositiveReplies) {
    // The transfer's 226 crossed the ABOR; the ABOR's own answer follows.
    server.expect("ABOR").reply("226 transfer complete").delay(50ms).reply("225 no transfer to abort")
          .expect("NOOP").reply("200 still here");
    start_and_connect();
    EXPECT_EQ(abort_transfer(ctx).cls, ReplyClass::Completed);
    EXPECT_EQ(ctx.reply.code, 225);
    expect_usable();
    finish();
}

TEST_F(DataConnectionTest, AbortWithASingleAnswerDoesNotWaitForAnother) {
    server.expect("ABOR").reply("225 no transfer to abort").expect("NOOP").reply("200 still here");
    start_and_connect();
    EXPECT_EQ(abort_transfer(ctx).cls, ReplyClass::Completed);
    EXPECT_EQ(ctx.reply.code, 225);
    expect_usable();
    finish();
}

TEST_F(DataConnectionTest, AbortOnAClosedConnectionReportsTheInterrupt) {
    server.close();
    start_and_connect();
    ASSERT_TRUE(server.wait_done(5s));
    ctx.control.shutdown_any_thread(ShutdownHow::Write);
    EXPECT_EQ(abort_transfer(ctx).cls, ReplyClass::None);
    EXPECT_TRUE(view.contains("IP not accepted"));
}

}  // namespace
}  // namespace varnix::test
