// Self-tests of the scripted FTP server: a plain socket client checks what each kind of
// step puts on the wire and what the server records.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <charconv>
#include <string>

#include <sys/socket.h>

#include "support/scripted_server.h"
#include "support/selftest/plain_client.h"

namespace varnix::test {
namespace {

using namespace std::chrono_literals;
using testing::ElementsAre;
using testing::IsEmpty;
using testing::SizeIs;

Fd connect_control(const ScriptedServer& server) {
    return connect_loopback(server.port(), client::bound);
}

std::string binary_payload(std::size_t size) {
    std::string payload(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        payload[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    }
    return payload;
}

TEST(ScriptedServer, FollowsTranscriptAndRecordsCommandLines) {
    ScriptedServer server;
    server.reply("220 ready")
        .expect("USER anna")
        .reply("331-first\n331 password please")
        .expect("PASS secret")
        .reply("230 in");
    server.start();
    const Fd c = connect_control(server);
    ASSERT_TRUE(c.valid());

    EXPECT_EQ(client::read_reply(c.get()), "220 ready\r\n");
    ASSERT_TRUE(client::send_text(c.get(), "USER anna\r\n"));
    EXPECT_EQ(client::read_reply(c.get()), "331-first\r\n331 password please\r\n");
    ASSERT_TRUE(client::send_text(c.get(), "PASS secret\n"));  // bare LF ends a line too
    EXPECT_EQ(client::read_reply(c.get()), "230 in\r\n");

    EXPECT_TRUE(server.wait_done(5s));
    EXPECT_THAT(server.failures(), IsEmpty());
    EXPECT_THAT(server.received_lines(), ElementsAre("USER anna", "PASS secret"));
    EXPECT_EQ(server.received_bytes(), "USER anna\r\nPASS secret\n");
}

TEST(ScriptedServer, MismatchIsRecordedAndScriptGoesOn) {
    ScriptedServer server;
    server.expect("USER anna").expect_prefix("PASS ").reply("230 in");
    server.start();
    const Fd c = connect_control(server);
    ASSERT_TRUE(client::send_text(c.get(), "USER bob\r\npass x\r\n"));
    EXPECT_EQ(client::read_reply(c.get()), "230 in\r\n");

    EXPECT_TRUE(server.wait_done(5s));
    const auto failures = server.failures();
    ASSERT_THAT(failures, SizeIs(2));
    EXPECT_THAT(failures[0], testing::HasSubstr("got 'USER bob'"));
    EXPECT_THAT(failures[1], testing::HasSubstr("got 'pass x'"));
}

TEST(ScriptedServer, ExpectTimesOutAndEndsScript) {
    ScriptedServer server;
    server.expect("NOOP", 200ms).reply("200 never sent");
    server.start();
    const Fd c = connect_control(server);
    ASSERT_TRUE(client::send_text(c.get(), "NO"));  // no line end: never a whole line

    EXPECT_FALSE(server.wait_done(5s));
    ASSERT_THAT(server.failures(), SizeIs(1));
    EXPECT_THAT(server.failures()[0], testing::HasSubstr("partial: 'NO'"));
    EXPECT_TRUE(client::read_until(c.get(), "\n", 200ms).timed_out);
}

TEST(ScriptedServer, NoClientIsAFailure) {
    ScriptedServer server;
    server.reply("220 ready");
    server.start(100ms);
    EXPECT_FALSE(server.wait_done(5s));
    EXPECT_THAT(server.failures(), SizeIs(1));
}

TEST(ScriptedServer, RawMergedAndSplitBytesArriveInOrder) {
    ScriptedServer server;
    const auto pause = 100ms;
    server.send_raw("220 one\r\n221 two\r\n").send_split("230-a\r\n230 b\r\n", {3, 5}, pause);
    server.start();
    const Fd c = connect_control(server);
    const auto begin = Clock::now();

    EXPECT_EQ(client::read_reply(c.get()), "220 one\r\n");
    EXPECT_EQ(client::read_reply(c.get()), "221 two\r\n");
    EXPECT_EQ(client::read_reply(c.get()), "230-a\r\n230 b\r\n");
    // The last piece cannot leave before both pauses have passed.
    EXPECT_GE(Clock::now() - begin, 2 * pause);
    EXPECT_TRUE(server.wait_done(5s));
    EXPECT_THAT(server.failures(), IsEmpty());
}

TEST(ScriptedServer, CloseIsSeenAsEndOfStreamAndResetAsConnectionReset) {
    for (const bool reset : {false, true}) {
        SCOPED_TRACE(reset ? "reset" : "close");
        ScriptedServer server;
        server.reply("421 bye");
        reset ? server.reset() : server.close();
        server.start();
        const Fd c = connect_control(server);
        ASSERT_TRUE(server.wait_done(5s));

        const auto result = client::read_to_end(c.get());
        EXPECT_EQ(result.bytes, "421 bye\r\n");  // the bytes before the drop still arrive
        EXPECT_EQ(result.closed, !reset);
        EXPECT_EQ(result.error, reset ? ECONNRESET : 0);
    }
}

TEST(ScriptedServer, DelayHoldsBackTheNextReply) {
    ScriptedServer server;
    server.delay(300ms).reply("220 late");
    server.start();
    const Fd c = connect_control(server);
    const auto begin = Clock::now();
    EXPECT_EQ(client::read_reply(c.get()), "220 late\r\n");
    EXPECT_GE(Clock::now() - begin, 250ms);
}

TEST(ScriptedServer, RecordsUrgentByteAndItsPlaceInTheStream) {
    ScriptedServer server;
    server.expect("ABOR").reply("226 aborted");
    server.start();
    const Fd c = connect_control(server);
    ASSERT_EQ(::send(c.get(), "\xFF\xF4\xFF", 3, MSG_OOB), 3);  // IAC IP IAC, urgent
    ASSERT_TRUE(client::send_text(c.get(), "\xF2" "ABOR\r\n"));  // DM, then the command
    EXPECT_EQ(client::read_reply(c.get()), "226 aborted\r\n");

    EXPECT_TRUE(server.wait_done(5s));
    EXPECT_THAT(server.failures(), IsEmpty());
    // Linux keeps the last byte of the urgent send out of band.
    EXPECT_EQ(server.urgent_bytes(), "\xFF");
    EXPECT_THAT(server.urgent_offsets(), ElementsAre(2u));
    EXPECT_EQ(server.received_bytes(), "\xFF\xF4\xF2" "ABOR\r\n");
    EXPECT_EQ(server.received_with_urgent(), "\xFF\xF4\xFF\xF2" "ABOR\r\n");
}

TEST(ScriptedServer, NoUrgentByteWhenAllIsInBand) {
    ScriptedServer server;
    server.expect("ABOR");
    server.start();
    const Fd c = connect_control(server);
    ASSERT_TRUE(client::send_text(c.get(), "\xFF\xF4\xFF\xF2" "ABOR\r\n"));
    EXPECT_TRUE(server.wait_done(5s));
    EXPECT_THAT(server.failures(), IsEmpty());
    EXPECT_EQ(server.urgent_bytes(), "");
    EXPECT_EQ(server.received_with_urgent(), "\xFF\xF4\xFF\xF2" "ABOR\r\n");
}

TEST(ScriptedServer, SilenceUntilClosedRecordsWhatArrives) {
    ScriptedServer server;
    server.silence_until_closed(5s);
    server.start();
    Fd c = connect_control(server);
    ASSERT_TRUE(client::send_text(c.get(), "NOOP\r\n"));
    c.reset();
    EXPECT_TRUE(server.wait_done(5s));
    EXPECT_THAT(server.failures(), IsEmpty());
    EXPECT_THAT(server.received_lines(), ElementsAre("NOOP"));
}

TEST(ScriptedServer, SilenceUntilClosedFailsWhenClientStays) {
    ScriptedServer server;
    server.silence_until_closed(200ms);
    server.start();
    const Fd c = connect_control(server);
    EXPECT_FALSE(server.wait_done(5s));
    EXPECT_THAT(server.failures(), SizeIs(1));
}

TEST(ScriptedServer, DestructionStopsALongWaitPromptly) {
    const auto begin = Clock::now();
    {
        ScriptedServer server;
        server.expect("NOOP", 60s);
        server.start();
        const Fd c = connect_control(server);
        ASSERT_TRUE(c.valid());
    }
    EXPECT_LT(Clock::now() - begin, 2s);
}

TEST(ScriptedServer, PassiveDownloadAndUpload) {
    const std::string download = binary_payload(1 << 20);
    const std::string upload = binary_payload(4097);
    ScriptedServer server;
    server.expect("PASV").passive_reply()
        .expect("RETR a").reply("150 here").data_send(download, {.chunk = 65536}).reply("226 ok")
        .expect("PASV").passive_reply()
        .expect("STOR b").reply("150 go").data_receive().reply("226 ok");
    server.start();
    const Fd c = connect_control(server);

    ASSERT_TRUE(client::send_text(c.get(), "PASV\r\n"));
    const std::string pasv = client::read_reply(c.get());
    const auto port = client::pasv_port(pasv);
    ASSERT_TRUE(port) << pasv;
    const Fd data_in = connect_loopback(*port, client::bound);
    ASSERT_TRUE(client::send_text(c.get(), "RETR a\r\n"));
    EXPECT_EQ(client::read_reply(c.get()), "150 here\r\n");
    const auto got = client::read_to_end(data_in.get());
    EXPECT_TRUE(got.closed);
    EXPECT_EQ(got.bytes, download);
    EXPECT_EQ(client::read_reply(c.get()), "226 ok\r\n");

    ASSERT_TRUE(client::send_text(c.get(), "PASV\r\n"));
    const auto port2 = client::pasv_port(client::read_reply(c.get()));
    ASSERT_TRUE(port2);
    Fd data_out = connect_loopback(*port2, client::bound);
    ASSERT_TRUE(client::send_text(c.get(), "STOR b\r\n"));
    EXPECT_EQ(client::read_reply(c.get()), "150 go\r\n");
    ASSERT_TRUE(client::send_text(data_out.get(), upload));
    data_out.reset();
    EXPECT_EQ(client::read_reply(c.get()), "226 ok\r\n");

    EXPECT_TRUE(server.wait_done(5s));
    EXPECT_THAT(server.failures(), IsEmpty());
    EXPECT_THAT(server.data_received(), ElementsAre(upload));
}

TEST(ScriptedServer, PassiveReplyTextIsATemplate) {
    ScriptedServer server;
    server.passive_reply("227 =10,0,0,9,{p1},{p2} port {port}");
    server.start();
    const Fd c = connect_control(server);
    const std::string reply = client::read_reply(c.get());
    const std::size_t at = reply.rfind(' ') + 1;
    unsigned port = 0;
    std::from_chars(reply.data() + at, reply.data() + reply.size(), port);
    ASSERT_GT(port, 0u) << reply;
    EXPECT_EQ(reply, "227 =10,0,0,9," + std::to_string(port / 256) + "," +
                         std::to_string(port % 256) + " port " + std::to_string(port) + "\r\n");
}

TEST(ScriptedServer, ActiveDownloadAndUpload) {
    ScriptedServer server;
    server.expect_port()
        .expect("LIST").reply("150 list").data_send("a\r\nb\r\n").reply("226 ok")
        .expect_port("200 fine")
        .expect("STOR x").reply("150 go").data_receive().reply("226 ok");
    server.start();
    const Fd c = connect_control(server);

    const Fd listener = listen_loopback(1);
    ASSERT_TRUE(client::send_text(c.get(), client::port_command(*local_port(listener.get()))));
    EXPECT_EQ(client::read_reply(c.get()), "200 PORT command successful\r\n");
    ASSERT_TRUE(client::send_text(c.get(), "LIST\r\n"));
    EXPECT_EQ(client::read_reply(c.get()), "150 list\r\n");
    const Fd data_in = accept_one(listener.get(), -1, Clock::now() + client::bound);
    ASSERT_TRUE(data_in.valid());
    EXPECT_EQ(client::read_to_end(data_in.get()).bytes, "a\r\nb\r\n");
    EXPECT_EQ(client::read_reply(c.get()), "226 ok\r\n");

    ASSERT_TRUE(client::send_text(c.get(), client::port_command(*local_port(listener.get()))));
    EXPECT_EQ(client::read_reply(c.get()), "200 fine\r\n");
    ASSERT_TRUE(client::send_text(c.get(), "STOR x\r\n"));
    EXPECT_EQ(client::read_reply(c.get()), "150 go\r\n");
    Fd data_out = accept_one(listener.get(), -1, Clock::now() + client::bound);
    ASSERT_TRUE(client::send_text(data_out.get(), "uploaded"));
    data_out.reset();
    EXPECT_EQ(client::read_reply(c.get()), "226 ok\r\n");

    EXPECT_TRUE(server.wait_done(5s));
    EXPECT_THAT(server.failures(), IsEmpty());
    EXPECT_THAT(server.data_received(), ElementsAre("uploaded"));
}

TEST(ScriptedServer, BadPortCommandsAreFailuresAndNeverConnected) {
    for (const std::string line :
         {"PORT 10,0,0,5,4,6", "PORT 127,0,0,1,4", "PORT 127,0,0,1,4,256", "PORT 127,0,0,1,4,6x"}) {
        SCOPED_TRACE(line);
        ScriptedServer server;
        server.expect_port().data_send("never");
        server.start();
        const Fd c = connect_control(server);
        ASSERT_TRUE(client::send_text(c.get(), line + "\r\n"));
        EXPECT_EQ(client::read_reply(c.get()), "200 PORT command successful\r\n");
        EXPECT_TRUE(server.wait_done(5s));
        const auto failures = server.failures();
        ASSERT_THAT(failures, SizeIs(2));
        EXPECT_THAT(failures[1], testing::HasSubstr("no data connection was announced"));
    }
}

TEST(ScriptedServer, DataCloseEarlySendsPrefixThenResets) {
    const std::string payload = binary_payload(10000);
    ScriptedServer server;
    server.passive_reply().data_close_early(payload, 1234);
    server.start();
    const Fd c = connect_control(server);
    const auto port = client::pasv_port(client::read_reply(c.get()));
    ASSERT_TRUE(port);
    const Fd data = connect_loopback(*port, client::bound);
    ASSERT_TRUE(data.valid());
    ASSERT_TRUE(server.wait_done(5s));

    const auto got = client::read_to_end(data.get());
    EXPECT_EQ(got.bytes, payload.substr(0, 1234));
    EXPECT_EQ(got.error, ECONNRESET);
}

TEST(ScriptedServer, SwallowedDataConnectionStaysSilentAndOpen) {
    ScriptedServer server;
    server.passive_reply().data_swallow().reply("150 sending nothing");
    server.start();
    const Fd c = connect_control(server);
    const auto port = client::pasv_port(client::read_reply(c.get()));
    ASSERT_TRUE(port);
    const Fd data = connect_loopback(*port, client::bound);
    ASSERT_TRUE(data.valid());  // the kernel completes the handshake; nobody accepts
    EXPECT_EQ(client::read_reply(c.get()), "150 sending nothing\r\n");
    ASSERT_TRUE(server.wait_done(5s));

    const auto got = client::read_to_end(data.get(), 300ms);
    EXPECT_TRUE(got.timed_out);
    EXPECT_EQ(got.bytes, "");
}

TEST(ScriptedServer, SlowDataSendStopsOnAbort) {
    const std::string payload = binary_payload(1 << 20);
    ScriptedServer server;
    server.passive_reply()
        .data_send(payload, {.chunk = 1024, .pause = 20ms, .stop_on_command = true})
        .expect("ABOR").reply("426 aborted\n226 abort done");
    server.start();
    const Fd c = connect_control(server);
    const auto port = client::pasv_port(client::read_reply(c.get()));
    ASSERT_TRUE(port);
    const Fd data = connect_loopback(*port, client::bound);
    EXPECT_EQ(client::read_count(data.get(), 3000).bytes, payload.substr(0, 3000));
    ASSERT_TRUE(client::send_text(c.get(), "ABOR\r\n"));

    const auto rest = client::read_to_end(data.get());
    EXPECT_TRUE(rest.closed);
    EXPECT_LT(3000 + rest.bytes.size(), payload.size());
    EXPECT_EQ(client::read_reply(c.get()), "426 aborted\r\n");
    EXPECT_EQ(client::read_reply(c.get()), "226 abort done\r\n");
    EXPECT_TRUE(server.wait_done(5s));
    EXPECT_THAT(server.failures(), IsEmpty());
}

}  // namespace
}  // namespace varnix::test
