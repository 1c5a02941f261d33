// get, put and the restarted get against the scripted server: TYPE bookkeeping, STOU, the
// quoted retry, fallbacks, REST, and servers that misbehave on the data connection. After
// each, the control connection still answers.
#include <gmock/gmock.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "dirlex/dirlex.h"
#include "net/control_connection.h"
#include "net/net_fixture.h"
#include "platform/clock.h"
#include "support/scripted_server.h"
#include "transfer/get_put.h"
#include "transfer/listing_fetch.h"
#include "transfer/restart.h"
#include "transfer/transfer_fixture.h"

namespace varnix::test {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class GetPut : public WithScriptedServer<TransferTest> {
protected:
    GetPut() {
        ctx.settings.show_transfer_dialog = 1;
        ctx.session.passive = 1;
        ctx.options.mode = 'I';
        ctx.current_remote_dir = "/pub";
    }
    // The completion reply's class; the whole outcome stays in `last`.
    ReplyClass get(const std::string& remote, const std::string& local, TransferMode mode) {
        std::string command = "RETR " + remote;
        last = get_file(ctx, command, path(local), mode);
        return last.reply_class;
    }
    [[nodiscard]] bool record_present() const {
        return read_restart_record(ctx, ctx.session.name).present();
    }
    TransferOutcome last;
};

TEST_F(GetPut, TypeIsSentOnlyWhenItChanges) {
    server.expect("TYPE I").reply("200 binary")
          .expect("PASV").passive_reply().expect("RETR a.bin").reply("150 go").data_send("A")
          .reply("226 done")
          .expect("PASV").passive_reply().expect("RETR b.bin").reply("150 go").data_send("B")
          .reply("226 done")
          .expect("TYPE A").reply("200 ascii")
          .expect("PASV").passive_reply().expect("LIST").reply("150 list").data_send("x\r\n")
          .reply("226 done")
          .expect("TYPE I").reply("200 binary")
          .expect("PASV").passive_reply().expect("RETR c.bin").reply("150 go").data_send("C")
          .reply("226 done")
          .expect("TYPE L 8").reply("200 local")
          .expect("PASV").passive_reply().expect("RETR d.bin").reply("150 go").data_send("D")
          .reply("226 done");
    ctx.remote.listing_file = path("listing.txt");
    start_and_connect();
    EXPECT_EQ(get("a.bin", "a.bin", TransferMode::Binary), ReplyClass::Completed);
    EXPECT_EQ(get("b.bin", "b.bin", TransferMode::Binary), ReplyClass::Completed);
    EXPECT_TRUE(fetch_listing(ctx, "LIST").complete());
    EXPECT_EQ(get("c.bin", "c.bin", TransferMode::Binary), ReplyClass::Completed);
    EXPECT_EQ(get("d.bin", "d.bin", TransferMode::Local8), ReplyClass::Completed);
    finish();
    EXPECT_EQ(read_file(path("c.bin")), "C");
    EXPECT_EQ(read_file(ctx.remote.listing_file), "x\n");
    EXPECT_TRUE(last.complete());
}

TEST_F(GetPut, AutomaticModeChoosesByExtension) {
    ctx.options.auto_mode = 1;
    int mode_changes = 0;
    ctx.events.on_mode_changed = [&] { ++mode_changes; };
    server.expect("PASV").passive_reply().expect("RETR readme.txt").reply("150 go")
          .data_send("hi\r\n").reply("226 done")
          .expect("TYPE I").reply("200 binary")
          .expect("PASV").passive_reply().expect("RETR a.zip").reply("150 go").data_send("Z")
          .reply("226 done");
    start_and_connect();
    EXPECT_EQ(get("readme.txt", "readme.txt", TransferMode::Binary), ReplyClass::Completed);  // the current type is already A
    EXPECT_EQ(ctx.options.mode, 'A');
    EXPECT_EQ(read_file(path("readme.txt")), "hi\n");
    EXPECT_EQ(get("a.zip", "a.zip", chosen_mode(ctx)), ReplyClass::Completed);
    EXPECT_EQ(ctx.options.mode, 'I');
    EXPECT_EQ(mode_changes, 2);
    finish();
}

TEST_F(GetPut, StouRefusedIsSentAgainAsStor) {
    ctx.options.send_unique = 1;
    const std::string bytes = binary_bytes(3000);
    write_file(path("up.bin"), bytes);
    server.expect("TYPE I").reply("200 binary")
          .expect("PASV").passive_reply()
          .expect("STOU up.bin").reply("500 STOU not understood")
          .expect("STOR up.bin").reply("150 send it").data_receive().reply("226 stored")
          .expect("NOOP").reply("200 still here");
    start_and_connect();
    std::string command = "STOR up.bin";
    EXPECT_TRUE(put_file(ctx, command, path("up.bin"), TransferMode::Binary).complete());
    EXPECT_EQ(command, "STOR up.bin");
    expect_usable();
    finish();
    EXPECT_THAT(server.data_received(), ElementsAre(bytes));
}

TEST_F(GetPut, QuotedRetryOnlyOnActiveConnections) {
    ctx.session.host_type = dirlex::host::mvs;
    ctx.session.passive = 0;
    server.expect_port().expect("RETR USER.DATA").reply("550 not found")
          .expect("RETR 'USER.DATA'").reply("150 go").data_send("data").reply("250 done")
          .expect("PASV").passive_reply().expect("RETR USER.DATA").reply("550 not found")
          .expect("NOOP").reply("200 still here");
    start_and_connect();
    ctx.control.state().current_type = 'I';  // TYPE I already sent on this connection
    EXPECT_EQ(get("USER.DATA", "user.data", TransferMode::Binary), ReplyClass::Completed);
    EXPECT_EQ(read_file(path("user.data")), "data");
    EXPECT_TRUE(view.contains("looking for completion line"));
    ctx.session.passive = 1;
    EXPECT_EQ(get("USER.DATA", "user2.data", TransferMode::Binary), ReplyClass::None);
    expect_usable();
    finish();
}

TEST_F(GetPut, PassiveFailureFallsBackToActive) {
    server.expect("PASV").reply("500 what?").expect("XPSV").reply("502 no")
          .expect_port().expect("RETR f").reply("150 go").data_send("active").reply("226 done")
          .expect("PASV").reply("227 Entering Passive Mode")
          .expect_port().expect("RETR g").reply("150 go").data_send("again").reply("226 done")
          .expect("NOOP").reply("200 still here");
    start_and_connect();
    ctx.control.state().current_type = 'I';  // TYPE I already sent on this connection
    EXPECT_EQ(get("f", "f", TransferMode::Binary), ReplyClass::Completed);
    EXPECT_EQ(read_file(path("f")), "active");
    EXPECT_EQ(get("g", "g", TransferMode::Binary), ReplyClass::Completed);
    EXPECT_TRUE(view.contains("unable to parse info 227 Entering Passive Mode"));
    EXPECT_EQ(read_file(path("g")), "again");
    expect_usable();
    finish();
}

TEST_F(GetPut, RestartAtTheOffsetOrFromTheStartWhenRestIsRefused) {
    const std::string remote = binary_bytes(5000);
    write_file(path("r.bin"), remote.substr(0, 1500) + "garbage");
    server.expect("TYPE I").reply("200 binary")
          .expect("PASV").passive_reply().expect("REST 1024").reply("350 restarting")
          .expect("RETR /pub/r.bin").reply("150 go").data_send(remote.substr(1024))
          .reply("226 done")
          .expect("PASV").passive_reply().expect("REST 1024").reply("500 REST not understood")
          .expect("RETR /pub/r.bin").reply("150 go").data_send(remote).reply("226 done");
    start_and_connect();
    const int file = ::open(path("r.bin").c_str(), O_WRONLY);
    ASSERT_GE(file, 0);
    ASSERT_EQ(::lseek(file, 1024, SEEK_SET), 1024);
    const TransferOutcome resumed = restart_get(ctx, file, "/pub", "r.bin", 1024);
    EXPECT_TRUE(resumed.complete());
    EXPECT_EQ(resumed.bytes, static_cast<std::int64_t>(remote.size()) - 1024);
    EXPECT_EQ(read_file(path("r.bin")), remote);
    write_file(path("r.bin"), "stale");
    ASSERT_EQ(::lseek(file, 1024, SEEK_SET), 1024);
    EXPECT_TRUE(restart_get(ctx, file, "/pub", "r.bin", 1024).complete());
    ::close(file);
    EXPECT_TRUE(view.contains("Cannot restart at requested location, starting over."));
    EXPECT_EQ(read_file(path("r.bin")), remote);
    EXPECT_EQ(ctx.options.mode, 'I');
    finish();
}

TEST_F(GetPut, MoreDataThanAnnouncedIsKept) {
    const std::string bytes = binary_bytes(30000);
    server.expect("TYPE I").reply("200 binary")
          .expect("PASV").passive_reply()
          .expect("RETR small").reply("150 Opening BINARY mode data connection (5 bytes)")
          .data_send(bytes).reply("226 done")
          .expect("NOOP").reply("200 still here");
    start_and_connect();
    EXPECT_EQ(get("small", "small", TransferMode::Binary), ReplyClass::Completed);
    EXPECT_EQ(read_file(path("small")), bytes);
    EXPECT_EQ(progress.caption(), "150 Opening BINARY mode data connection (5 bytes)");
    expect_usable();
    finish();
}

TEST_F(GetPut, ServerClosingEarlyKeepsTheRestartRecord) {
    server.expect("TYPE I").reply("200 binary")
          .expect("PASV").passive_reply().expect("RETR big.bin").reply("150 go")
          .data_close_early(binary_bytes(8000), 3000).reply("426 connection lost")
          .expect("NOOP").reply("200 still here");
    start_and_connect();
    prompter.push_answer("big.bin");
    EXPECT_EQ(download_one(ctx, "big.bin", 1, 1, true), 4);
    EXPECT_TRUE(view.contains("Saved restart info for work - big.bin"));
    EXPECT_TRUE(view.contains("recv: "));
    EXPECT_TRUE(record_present());
    EXPECT_EQ(read_restart_record(ctx, "work").local_file, "big.bin");
    EXPECT_EQ(read_file(path("big.bin")), binary_bytes(8000).substr(0, 3000));
    expect_usable();
    finish();
}

TEST_F(GetPut, ServerThatNeverSendsIsCutByTheTimeOut) {
    ctx.session.timeout = 5;
    server.expect("TYPE I").reply("200 binary")
          .expect("PASV").passive_reply().expect("RETR never").reply("150 go")
          .data_swallow().reply("426 no data after all")
          .expect("NOOP", 15s).reply("200 still here");
    start_and_connect();
    const auto started = tick_count();
    EXPECT_EQ(get("never", "never", TransferMode::Binary), ReplyClass::Transient);
    EXPECT_LT(tick_count() - started, 9000);
    EXPECT_EQ(last.status, TransferStatus::Cancelled);  // by the time-out
    EXPECT_EQ(last.bytes, 0);
    EXPECT_TRUE(view.contains("Timer cancelled blocking call"));
    expect_usable();
    finish();
}

TEST_F(GetPut, HostileNamesAreRefusedBeforeAnythingIsSent) {
    write_file(path("local.bin"), "x");
    server.expect("NOOP").reply("200 still here");
    start_and_connect();
    prompter.push_answer("safe.bin");
    EXPECT_EQ(download_one(ctx, "a\r\nDELE b", 1, 1, true), 0);
    std::string put_command = "STOR b\nDELE c";
    EXPECT_EQ(put_file(ctx, put_command, path("local.bin"), TransferMode::Binary).status,
              TransferStatus::ServerRefused);
    std::string nul_command("RETR a\0b", 8);
    EXPECT_EQ(get_file(ctx, nul_command, path("n"), TransferMode::Binary).reply_class, ReplyClass::None);
    EXPECT_EQ(restart_get(ctx, -1, "/pub", "x\ry", 0).status,
              TransferStatus::ServerRefused);
    EXPECT_TRUE(view.contains("Command not sent: it holds a line break or NUL"));
    EXPECT_FALSE(record_present());
    expect_usable();
    finish();
    EXPECT_THAT(server.received_lines(), ElementsAre("NOOP"));
}

TEST_F(GetPut, EmptyFileConfirmedCompleteClearsTheRecordAndIsLogged) {
    server.expect("TYPE I").reply("200 binary")
          .expect("PASV").passive_reply().expect("RETR empty.bin").reply("150 go").data_send("")
          .reply("226 done");
    start_and_connect();
    prompter.push_answer("empty.bin");
    EXPECT_EQ(download_one(ctx, "empty.bin", 1, 1, true), 2);
    finish();
    EXPECT_TRUE(view.contains("Saved restart info for work - empty.bin"));
    EXPECT_FALSE(record_present());
    EXPECT_TRUE(std::filesystem::exists(path("empty.bin")));
    EXPECT_EQ(std::filesystem::file_size(path("empty.bin")), 0u);
    EXPECT_THAT(read_file(path("VARNIX.LOG")), HasSubstr(" <-- work /pub empty.bin\n"));
}

// A download into a full disk: the first write fails and the download aborts; the server
// answers the ABOR with `abort_answers` (each its own send).
class DiskFull : public GetPut {
protected:
    // False where the machine has no /dev/full.
    bool script(std::initializer_list<std::string_view> abort_answers) {
        std::error_code ec;
        std::filesystem::create_symlink("/dev/full", path("full.bin"), ec);
        if (ec) return false;
        Pacing until_abort;
        until_abort.chunk = 4096;
        until_abort.stop_on_command = true;
        server.expect("TYPE I").reply("200 binary")
              .expect("PASV").passive_reply().expect("RETR full.bin").reply("150 go")
              .data_send(binary_bytes(256 * 1024), until_abort)
              .expect("ABOR");
        for (std::string_view answer : abort_answers) server.reply(answer);
        server.expect("NOOP").reply("200 still here");
        return true;
    }
};

TEST_F(DiskFull, AbortsAndKeepsTheRecord) {
    if (!script({"426 transfer aborted", "226 abort done"})) GTEST_SKIP() << "no /dev/full here";
    start_and_connect();
    prompter.push_answer("full.bin");
    // The abort's "226" is no success: a file not written whole stops a multi-file run.
    EXPECT_EQ(download_one(ctx, "full.bin", 1, 1, true), 0);
    EXPECT_TRUE(view.contains("File error on WRITE! Aborted"));
    EXPECT_TRUE(view.contains("You MAY have to press Cancel and/or Close this connection."));
    EXPECT_TRUE(record_present());
    EXPECT_FALSE(std::filesystem::exists(path("VARNIX.LOG")));
    expect_usable();
    finish();
    EXPECT_EQ(server.urgent_bytes(), "\xFF");
}

// A server whose data connection had already ended answers the ABOR alone: the download
// must not wait for a completion reply that never comes (the server waits for our next
// command, so a wait here would end only at the server's own bound, as a failure).
TEST_F(DiskFull, AnAbortAnsweredOnceLeavesNoReplyAwaited) {
    if (!script({"225 No transfer to abort."})) GTEST_SKIP() << "no /dev/full here";
    start_and_connect();
    prompter.push_answer("full.bin");
    EXPECT_EQ(download_one(ctx, "full.bin", 1, 1, true), 0);
    EXPECT_TRUE(record_present());
    expect_usable();
    finish();
}

// An upload stopped before the end of its file (here by Cancel after some chunks) must not
// close the data connection normally: the server would store the part and confirm it.
TEST_F(GetPut, AnUploadCancelledMidwayIsNoSuccessAndTheServerSeesAFailure) {
    ctx.settings.send_chunk_bytes = 80;
    write_file(path("big.bin"), binary_bytes(200000));
    server.expect("TYPE I").reply("200 binary")
          .expect("PASV").passive_reply().expect("STOR big.bin").reply("150 go").data_receive()
          .reply("226 stored").expect("NOOP").reply("200 still here");
    start_and_connect();
    int hook_calls = 0;
    install_thread_blocking_hook([&] {
        if (++hook_calls == 40) cancel_command(ctx);  // the Cancel button, between chunks
        return false;
    });
    EXPECT_NE(upload_one(ctx, "big.bin", 1, 1, false), 2);
    install_blocking_hook(ctx);
    EXPECT_TRUE(view.contains("upload not whole: data connection reset"));
    EXPECT_TRUE(view.contains("transfer failed"));
    EXPECT_FALSE(std::filesystem::exists(path("VARNIX.LOG")));  // no "-->" success line
    expect_usable();
    EXPECT_TRUE(server.wait_done(5s));
    const auto failures = server.failures();
    ASSERT_EQ(failures.size(), 1u);  // the server's read ended in a reset, not an end of file
    EXPECT_THAT(failures[0], HasSubstr("data receive failed"));
    ASSERT_EQ(server.data_received().size(), 1u);
    EXPECT_LT(server.data_received()[0].size(), 200000u);
}

TEST_F(GetPut, AnUploadWhoseLocalFileCannotBeReadIsALocalError) {
    std::filesystem::create_directory(path("folder"));  // opens, but every read fails
    server.expect("TYPE I").reply("200 binary")
          .expect("PASV").passive_reply().expect("STOR folder").reply("150 go").data_receive()
          .reply("226 stored").expect("NOOP").reply("200 still here");
    start_and_connect();
    std::string command = "STOR folder";
    const TransferOutcome outcome = put_file(ctx, command, path("folder"), TransferMode::Binary);
    EXPECT_EQ(outcome.status, TransferStatus::LocalError);
    EXPECT_EQ(transfer_result(outcome), 0);
    EXPECT_TRUE(view.contains("File error on READ! Aborted"));
    expect_usable();
    EXPECT_TRUE(server.wait_done(5s));
}

// Host type 6024 retries a refused RETR with the name in apostrophes; a resumed get must
// send its REST again before the retry, or the file comes from its start.
TEST_F(GetPut, TheQuotedRetryOfAResumedGetRepeatsRest) {
    ctx.session.passive = 0;
    ctx.session.host_type = dirlex::host::mvs;
    const std::string remote = binary_bytes(3000);
    write_file(path("r.bin"), remote.substr(0, 1024));
    server.expect_port().expect("REST 1024").reply("350 restarting")
          .expect("RETR /pub/USER.DATA").reply("550 not found")
          .expect("REST 1024").reply("350 restarting")
          .expect("RETR '/pub/USER.DATA'").reply("150 go").data_send(remote.substr(1024))
          .reply("226 done");
    start_and_connect();
    ctx.control.state().current_type = 'I';  // TYPE I already sent on this connection
    const int file = ::open(path("r.bin").c_str(), O_WRONLY);
    ASSERT_GE(file, 0);
    ASSERT_EQ(::lseek(file, 1024, SEEK_SET), 1024);
    EXPECT_TRUE(restart_get(ctx, file, "/pub", "USER.DATA", 1024).complete());
    ::close(file);
    finish();
    EXPECT_EQ(read_file(path("r.bin")), remote);
}

// A failed active-mode accept leaves the server's answer to it on the control connection:
// it must be read then, or every later command gets the answer of the one before.
TEST_F(GetPut, AFailedAcceptReadsTheServersAnswerSoTheConnectionStaysInStep) {
    ctx.session.passive = 0;
    ctx.session.timeout = 5;
    server.expect_port().expect("RETR never").reply("150 go").data_swallow()
          .reply("425 can't open data connection")
          .expect("NOOP", 15s).reply("200 still here");
    start_and_connect();
    ctx.control.state().current_type = 'I';  // TYPE I already sent on this connection
    EXPECT_EQ(get("never", "never", TransferMode::Binary), ReplyClass::Transient);
    EXPECT_FALSE(last.complete());
    EXPECT_EQ(ctx.reply.code, 425);
    expect_usable();
    finish();
}

TEST_F(GetPut, RefusedCommandsAndBusyStartNothing) {
    server.expect("PASV").passive_reply().expect("RETR missing").reply("550 no such file")
          .expect("NOOP").reply("200 still here");
    start_and_connect();
    ctx.control.state().current_type = 'I';  // TYPE I already sent on this connection
    EXPECT_EQ(get("missing", "missing", TransferMode::Binary), ReplyClass::None);
    EXPECT_EQ(ctx.reply.code, 550);
    EXPECT_FALSE(std::filesystem::exists(path("missing")));
    ++ctx.busy_count;
    EXPECT_EQ(get("other", "other", TransferMode::Binary), ReplyClass::None);
    EXPECT_TRUE(view.contains("command in process, ignored"));
    --ctx.busy_count;
    expect_usable();
    finish();
    close_control(ctx);
    std::string command = "RETR x";
    EXPECT_EQ(get_file(ctx, command, path("x"), TransferMode::Binary).status, TransferStatus::ServerRefused);
    EXPECT_TRUE(view.contains("no ctrl_skt, ignored"));
}

TEST(QuoteArgument, WrapsEverythingAfterTheCommandWord) {
    std::string command = "RETR USER.DATA";
    quote_argument(command);
    EXPECT_EQ(command, "RETR 'USER.DATA'");
    command = "RETR   A B";
    quote_argument(command);
    EXPECT_EQ(command, "RETR   'A B'");
}

}  // namespace
}  // namespace varnix::test
