// Batch transfers against pyftpdlib: single files and wildcards both ways, batch files,
// a directory source, failed logons and the profile lookup by host name.
#include <gmock/gmock.h>

#include <chrono>

#include "batch/batch.h"
#include "batch/batch_fixture.h"
#include "batch/command_line.h"
#include "net/logon.h"
#include "config/scramble.h"
#include "listing/list_entries.h"
#include "support/pyftpd.h"
#include "support/scripted_server.h"

namespace varnix::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;

class Batch : public BatchTest {
protected:
    explicit Batch(PyFtpdOptions options = {}) : ftpd(std::move(options)) {
        ctx.session.passive = 1;
    }
    void SetUp() override { ASSERT_TRUE(ftpd.running()) << ftpd.error(); }
    [[nodiscard]] std::string url(const std::string& path) const {
        return "ftp://127.0.0.1:" + std::to_string(ftpd.port()) + path;
    }
    // Logon values for the host without a profile, as a -m line's -u and -w give them.
    void log_on_as_anna() {
        ctx.batch.user = "anna";
        ctx.batch.password = "secret";
    }
    [[nodiscard]] std::string failure_box_text() const {
        return boxes.shown().empty() ? std::string() : boxes.shown().back().text;
    }

    PyFtpd ftpd;
};

TEST_F(Batch, SingleFileDownloadAndUploadAreByteIdentical) {
    ctx.messages.set_batch(true);
    const std::string down = binary_payload(300000, 1);
    write_bytes(ftpd.home() / "pub" / "data.bin", down);
    log_on_as_anna();
    const fs::path target = work() / "in" / "data.bin";
    fs::create_directories(target.parent_path());
    EXPECT_EQ(run_batch_transfer(ctx, url("/pub/data.bin"), "local:" + target.string()), BatchResult::Succeeded)
        << failure_box_text() << ftpd.log_text();
    EXPECT_EQ(read_bytes(target), down);
    EXPECT_TRUE(view.contains("receiving /pub/data.bin from 127.0.0.1 as " + target.string()));
    EXPECT_TRUE(view.contains("successful transfer"));

    const std::string up = binary_payload(200000, 2);
    const fs::path source = work() / "out" / "up.bin";
    write_bytes(source, up);
    fs::create_directories(ftpd.home() / "incoming");
    EXPECT_EQ(run_batch_transfer(ctx, "local:" + source.string(), url("/incoming/")), BatchResult::Succeeded)
        << failure_box_text();
    EXPECT_EQ(read_bytes(ftpd.home() / "incoming" / "up.bin"), up);
    EXPECT_TRUE(view.contains("sending " + source.string() + " to 127.0.0.1 as /incoming/"));

    EXPECT_EQ(ctx.batch_failures, 0);
    EXPECT_THAT(boxes.shown(), IsEmpty());
    EXPECT_FALSE(ctx.connected);
    EXPECT_FALSE(ctx.control.is_open());
    // Batch mode keeps its messages in the current directory.
    EXPECT_THAT(read_bytes(local() / "xferlog.txt"), HasSubstr("successful transfer"));
}

TEST_F(Batch, LocalFilesThatCannotBeWrittenOrReadFailTheRun) {
    write_bytes(ftpd.home() / "pub" / "a.bin", "abc");
    fs::create_directories(ftpd.home() / "incoming");
    log_on_as_anna();
    // The server confirms the download (226), but nothing reached the disk.
    const fs::path nowhere = work() / "missing" / "a.bin";
    EXPECT_EQ(run_batch_transfer(ctx, url("/pub/a.bin"), "local:" + nowhere.string()), BatchResult::Failed);
    EXPECT_FALSE(fs::exists(nowhere));
    EXPECT_THAT(failure_box_text(), HasSubstr("Transfer failed for /pub/a.bin from 127.0.0.1"));
    EXPECT_FALSE(view.contains("successful transfer"));
    EXPECT_EQ(run_batch_transfer(ctx, "local:" + (work() / "none.bin").string(), url("/incoming/")), BatchResult::Failed);
    EXPECT_FALSE(view.contains("successful transfer"));
    EXPECT_EQ(ctx.batch_failures, 2);
}

TEST_F(Batch, DownloadWithoutDestinationLandsInTheCurrentDirectory) {
    write_bytes(ftpd.home() / "pub" / "a.zip", "zip bytes\r\n");
    ctx.messages.set_batch(true);
    // Without -u and -w the logon is anonymous, and this server has no anonymous account.
    ASSERT_TRUE(parse_options(ctx, ""));
    EXPECT_EQ(run_batch(ctx, url("/pub/a.zip") + " -quiet"), BatchResult::Failed);
    EXPECT_TRUE(view.contains("Connect failed to 127.0.0.1"));
    EXPECT_THAT(boxes.shown(), IsEmpty());

    // The command line's own -u and -w serve a host without a profile.
    const auto rest = parse_options(ctx, "-u anna -w secret " + url("/pub/a.zip"));
    ASSERT_TRUE(rest);
    EXPECT_EQ(run_batch(ctx, *rest), BatchResult::Succeeded) << failure_box_text();
    EXPECT_EQ(read_bytes(local() / "a.zip"), "zip bytes\r\n");
}

TEST_F(Batch, WildcardDownloadFetchesEveryMatch) {
    write_bytes(ftpd.home() / "pub" / "one.txt", "1\r\n");
    write_bytes(ftpd.home() / "pub" / "TWO.TXT", binary_payload(70000, 3));
    write_bytes(ftpd.home() / "pub" / "three.bin", "3");
    write_bytes(ftpd.home() / "other.txt", "no");
    log_on_as_anna();
    const fs::path in = work() / "in";
    fs::create_directories(in);
    EXPECT_EQ(run_batch_transfer(ctx, url("/pub/*.txt"), "local:" + in.string() + "/"), BatchResult::Succeeded)
        << failure_box_text();
    EXPECT_EQ(read_bytes(in / "one.txt"), "1\r\n");
    EXPECT_EQ(read_bytes(in / "TWO.TXT"), binary_payload(70000, 3));
    EXPECT_FALSE(fs::exists(in / "three.bin"));
    EXPECT_FALSE(fs::exists(in / "other.txt"));
    // A pattern nothing matches is no failure: the CWD succeeded.
    EXPECT_EQ(run_batch_transfer(ctx, url("/pub/*.none"), "local:" + in.string() + "/"), BatchResult::Succeeded);
    // Without a destination the matches land in the current folder.
    EXPECT_EQ(run_batch_transfer(ctx, url("/pub/*.txt"), ""), BatchResult::Succeeded) << failure_box_text();
    EXPECT_EQ(read_bytes(local() / "one.txt"), "1\r\n");
    EXPECT_EQ(read_bytes(local() / "TWO.TXT"), binary_payload(70000, 3));
}

TEST_F(Batch, ReceiveUniqueNumbersNamesTakenInTheDestinationFolder) {
    write_bytes(ftpd.home() / "pub" / "a.bin", "new");
    write_bytes(ftpd.home() / "pub" / "b.txt", "new b");
    const fs::path in = work() / "in";
    write_bytes(in / "a.bin", "old");
    write_bytes(in / "b.txt", "old b");
    ctx.options.receive_unique = 1;
    log_on_as_anna();
    EXPECT_EQ(run_batch_transfer(ctx, url("/pub/a.bin"), "local:" + in.string() + "/"), BatchResult::Succeeded) << failure_box_text();
    EXPECT_EQ(run_batch_transfer(ctx, url("/pub/*.txt"), "local:" + in.string() + "/"), BatchResult::Succeeded) << failure_box_text();
    EXPECT_EQ(read_bytes(in / "a.bin"), "old");
    EXPECT_EQ(read_bytes(in / "a.bin.000"), "new");
    EXPECT_EQ(read_bytes(in / "b.txt"), "old b");
    EXPECT_EQ(read_bytes(in / "b.txt.000"), "new b");
    EXPECT_FALSE(fs::exists(local() / "a.bin"));
}

TEST_F(Batch, WildcardUploadSendsEveryMatchingFile) {
    const fs::path out = work() / "out";
    write_bytes(out / "x.zip", binary_payload(50000, 4));
    write_bytes(out / "Y.ZIP", "y");
    write_bytes(out / "z.txt", "z");
    fs::create_directories(out / "folder.zip");
    fs::create_directories(ftpd.home() / "incoming");
    log_on_as_anna();
    EXPECT_EQ(run_batch_transfer(ctx, "local:" + out.string() + "/*.zip", url("/incoming/")), BatchResult::Succeeded)
        << failure_box_text();
    EXPECT_EQ(read_bytes(ftpd.home() / "incoming" / "x.zip"), binary_payload(50000, 4));
    EXPECT_EQ(read_bytes(ftpd.home() / "incoming" / "Y.ZIP"), "y");
    EXPECT_FALSE(fs::exists(ftpd.home() / "incoming" / "z.txt"));
    EXPECT_FALSE(fs::exists(ftpd.home() / "incoming" / "folder.zip"));

    // Nothing matching is a failed transfer.
    EXPECT_EQ(run_batch_transfer(ctx, "local:" + out.string() + "/*.none", url("/incoming/")), BatchResult::Failed);
    EXPECT_THAT(failure_box_text(), HasSubstr("\nTransfer failed for " + out.string() + "/*.none from 127.0.0.1"));
    EXPECT_EQ(ctx.batch_failures, 1);
}

TEST_F(Batch, BatchFileRunsEachJobWithItsOwnLogon) {
    write_bytes(ftpd.home() / "pub" / "a.bin", binary_payload(40000, 5));
    write_bytes(local() / "send.bin", binary_payload(30000, 6));
    fs::create_directories(ftpd.home() / "incoming");
    const fs::path jobs = work() / "jobs.txt";
    write_bytes(jobs, "-u anna -w secret " + url("/pub/a.bin") + " local:" + (work() / "got.bin").string() +
                          "\r\n\n   \n"
                          "-b -u anna -w secret -s local:send.bin -d " + url("/incoming/sent.bin") + "\n"
                          "-z nonsense\n"
                          "\t\n"
                          "-u anna -w wrong " + url("/pub/a.bin") + "\n");
    ASSERT_TRUE(parse_options(ctx, "-m " + jobs.string()));
    EXPECT_EQ(run_batch(ctx, ""), BatchResult::Failed);
    EXPECT_EQ(read_bytes(work() / "got.bin"), binary_payload(40000, 5));
    EXPECT_EQ(read_bytes(ftpd.home() / "incoming" / "sent.bin"), binary_payload(30000, 6));
    ASSERT_THAT(boxes.shown(), SizeIs(2));
    EXPECT_EQ(boxes.shown()[0].text, "Unknown arguments -z nonsense");
    EXPECT_THAT(boxes.shown()[1].text, HasSubstr("Connect failed to 127.0.0.1"));
    EXPECT_EQ(ctx.batch_failures, 2);
    const auto lines = view.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.starts_with("receiving"); }),
              2);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.starts_with("sending"); }),
              1);
}

TEST_F(Batch, HugeBatchFileOfBlankAndOverlongLinesRunsNoTransfer) {
    const fs::path jobs = work() / "junk.txt";
    {
        std::ofstream out(jobs, std::ios::binary);
        for (int i = 0; i < 10000; ++i) {
            switch (i % 4) {
                case 0: out << "\n"; break;
                case 1: out << "   \t \r\n"; break;
                case 2: out << std::string(600 + i % 50, 'x') << "\n"; break;
                default: out << std::string(2000, '-') << "\n"; break;
            }
        }
        out << std::string(100000, 'y');  // no final line end
    }
    ctx.batch.quiet = true;
    ctx.batch.batch_file = jobs.string();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(run_batch(ctx, ""), BatchResult::Failed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
    // Each non-blank line is one job that failed on its own: 2500 local-only addresses,
    // 2500 unknown options and the last, unended line.
    EXPECT_EQ(ctx.batch_failures, 5001);
    ASSERT_THAT(boxes.shown(), SizeIs(2500));
    for (const auto& box : boxes.shown()) {
        EXPECT_EQ(box.text, "Unknown arguments " + std::string(2000, '-'));
    }
    EXPECT_FALSE(view.contains("receiving"));
}

TEST_F(Batch, DirectorySourceStaysConnectedWithTheListing) {
    write_bytes(ftpd.home() / "pub" / "a.txt", "a");
    write_bytes(ftpd.home() / "pub" / "b.bin", "bb");
    fs::create_directories(ftpd.home() / "pub" / "sub");
    log_on_as_anna();
    bool interactive = false;
    ctx.on_interactive = [&] { interactive = true; };
    EXPECT_EQ(run_batch_transfer(ctx, url("/pub/"), ""), BatchResult::Interactive) << failure_box_text();
    EXPECT_TRUE(interactive);
    EXPECT_TRUE(ctx.connected);
    EXPECT_TRUE(ctx.control.is_open());
    EXPECT_EQ(ctx.current_remote_dir, "/pub");
    std::vector<std::string> dirs, files;
    for (int i = 0; i < ctx.panes.remote_dirs->count(); ++i) dirs.push_back(get_entry_name(ctx, *ctx.panes.remote_dirs, i));
    for (int i = 0; i < ctx.panes.remote_files->count(); ++i) files.push_back(get_entry_name(ctx, *ctx.panes.remote_files, i));
    EXPECT_THAT(dirs, ElementsAre("..", "sub"));
    EXPECT_THAT(files, ElementsAre("a.txt", "b.bin"));
    EXPECT_EQ(ctx.batch_failures, 0);
}

TEST_F(Batch, WrongPasswordShowsTheServerReplyAndTheFailure) {
    ctx.batch.user = "anna";
    ctx.batch.password = "wrong";
    EXPECT_EQ(run_batch_transfer(ctx, url("/pub/a.zip"), ""), BatchResult::Failed);
    EXPECT_EQ(ctx.batch_failures, 1);
    ASSERT_THAT(boxes.shown(), SizeIs(1));
    const auto& box = boxes.shown()[0];
    EXPECT_EQ(box.caption, program_title);
    // The server's last reply, then the program's own line.
    EXPECT_THAT(box.text, ::testing::MatchesRegex("530 [^\n]*\nConnect failed to 127.0.0.1"));
    EXPECT_TRUE(view.contains("Connect failed to 127.0.0.1"));
    EXPECT_THAT(sound.played().size() + static_cast<std::size_t>(sound.beeps()), ::testing::Gt(0u));
    EXPECT_FALSE(ctx.connected);
}

TEST_F(Batch, QuietRunShowsNoBoxButPrintsTheText) {
    ctx.batch.user = "anna";
    ctx.batch.password = "wrong";
    bool shown_window = false;
    ctx.on_show_window = [&] { shown_window = true; };
    EXPECT_EQ(run_batch(ctx, "-quiet " + url("/pub/a.zip")), BatchResult::Failed);
    EXPECT_TRUE(ctx.batch.quiet);
    EXPECT_THAT(boxes.shown(), IsEmpty());
    EXPECT_TRUE(view.contains("Connect failed to 127.0.0.1"));
    EXPECT_TRUE(shown_window);
    EXPECT_EQ(ctx.batch_failures, 1);
}

TEST_F(Batch, InvalidAddressPairIsAnUnknownBatchCommand) {
    EXPECT_EQ(run_batch(ctx, "local:/a local:/b"), BatchResult::Failed);
    ASSERT_THAT(boxes.shown(), SizeIs(1));
    EXPECT_EQ(boxes.shown()[0].caption, "Unknown batch command!");
    EXPECT_EQ(boxes.shown()[0].text, "SRC(1): local:/a\nDST(1): local:/b");
    EXPECT_FALSE(view.contains("receiving"));
}

TEST_F(Batch, ProfileNamedLikeTheHostSuppliesLogonAndLocalDirectory) {
    write_bytes(ftpd.home() / "pub" / "p.bin", binary_payload(10000, 7));
    const fs::path drop = work() / "drop";
    fs::create_directories(drop);
    write_config("[myftp]\nHOST=127.0.0.1\nUID=anna\nPWD=" + scramble_secret("anna", "secret") +
                 "\nPORT=" + std::to_string(ftpd.port()) + "\nLOCDIR=" + drop.string() + "\n");
    EXPECT_EQ(run_batch(ctx, "myftp:/pub/p.bin"), BatchResult::Succeeded) << failure_box_text();
    EXPECT_EQ(read_bytes(drop / "p.bin"), binary_payload(10000, 7));
    EXPECT_EQ(ctx.session.user, "anna");
    EXPECT_EQ(ctx.session.port, ftpd.port());
}

// Starts the script and connects to it as a logged-on passive session.
bool start_passive_session(BatchContext& ctx, ScriptedServer& server) {
    server.start();
    ctx.session.passive = 1;
    const int fd = connect_host(ctx, "127.0.0.1", server.port(), "tcp");
    if (fd == -1) return false;
    open_control(ctx, fd);
    ctx.connected = true;
    return true;
}

// Names from a hostile name list never leave the destination folder.
TEST_F(BatchTest, WildcardNamesFromTheServerStayInTheDestination) {
    ScriptedServer server;
    server.expect("CWD /pub/").reply("250 ok")
          .expect("PASV").passive_reply().expect("NLST *.txt").reply("150 names")
          .data_send("../up.txt\r\n/etc/x.txt\r\nsub/../../deep.txt\r\n")
          .reply("226 done");
    for (const char* name : {"../up.txt", "/etc/x.txt", "sub/../../deep.txt"}) {
        server.expect("PASV").passive_reply().expect(std::string("RETR ") + name).reply("150 data")
              .data_send(name).reply("226 done");
    }
    ASSERT_TRUE(start_passive_session(ctx, server));
    const fs::path in = work() / "in" / "box";
    fs::create_directories(in);
    EXPECT_EQ(transfer_matching(ctx, "/pub/*.txt", in.string() + "/",
                                BatchDirection::Download, TransferMode::Ascii),
              BatchStep::Done);
    EXPECT_TRUE(server.wait_done(5s));
    EXPECT_THAT(server.failures(), IsEmpty());
    EXPECT_EQ(read_bytes(in / "up.txt"), "../up.txt");
    EXPECT_EQ(read_bytes(in / "x.txt"), "/etc/x.txt");
    EXPECT_EQ(read_bytes(in / "deep.txt"), "sub/../../deep.txt");
    EXPECT_FALSE(fs::exists(work() / "in" / "up.txt"));
    EXPECT_FALSE(fs::exists(work() / "deep.txt"));
}

// A folder without names is a success, as servers say it ("450 No files found"); a name list
// whose data connection never came is a failure, not "successful transfer" with nothing done.
TEST_F(BatchTest, WildcardDownloadFailsOnlyWhenTheNameListItselfBroke) {
    ScriptedServer server;
    server.expect("CWD /empty/").reply("250 ok")
          .expect("PASV").passive_reply().expect("NLST *.zip").reply("450 No files found")
          .expect("PASV").passive_reply().expect("NLST").reply("450 No files found");
    server.expect("CWD /pub/").reply("250 ok")
          .expect("PASV").passive_reply().expect("NLST *.zip").reply("550 not here")
          .expect("PASV").passive_reply().expect("NLST").reply("150 names").data_close_early("a.zip\r\nb.z", 5)
          .reply("426 connection lost");
    // Active: the server says it will send, then cannot connect.
    server.expect("CWD /far/").reply("250 ok")
          .expect_port().expect("NLST *.zip").reply("150 names").reply("425 Can't open data connection")
          .expect_port().expect("NLST").reply("150 names").reply("550 lost it");
    ASSERT_TRUE(start_passive_session(ctx, server));
    const fs::path in = work() / "in";
    fs::create_directories(in);
    EXPECT_EQ(transfer_matching(ctx, "/empty/*.zip", in.string() + "/", BatchDirection::Download, TransferMode::Binary),
              BatchStep::Done);
    EXPECT_TRUE(view.contains("No files match *.zip"));
    EXPECT_EQ(transfer_matching(ctx, "/pub/*.zip", in.string() + "/", BatchDirection::Download, TransferMode::Binary),
              BatchStep::Failed);
    EXPECT_TRUE(view.contains("The name list of /pub/ could not be read"));
    ctx.session.passive = 0;
    EXPECT_EQ(transfer_matching(ctx, "/far/*.zip", in.string() + "/", BatchDirection::Download, TransferMode::Binary),
              BatchStep::Failed);
    EXPECT_TRUE(view.contains("The name list of /far/ could not be read"));
    EXPECT_TRUE(server.wait_done(5s));
    EXPECT_THAT(server.failures(), IsEmpty());
    EXPECT_TRUE(fs::is_empty(in));
}

TEST_F(BatchTest, TransferByAddressPreconditions) {
    // No file name: the caller turns to the directory (6); a wildcard without a directory
    // part or with a named destination file is refused (5) before anything is sent.
    EXPECT_EQ(transfer_by_address(ctx, "/pub/", "", BatchDirection::Download, TransferMode::Binary), BatchStep::NotAFile);
    EXPECT_EQ(transfer_by_address(ctx, "*.txt", "in/", BatchDirection::Download, TransferMode::Binary), BatchStep::Failed);
    EXPECT_EQ(transfer_by_address(ctx, "/pub/*.txt", "in/name", BatchDirection::Download, TransferMode::Binary), BatchStep::Failed);
    EXPECT_EQ(transfer_by_address(ctx, "/none/here/*.zip", "/in/", BatchDirection::Upload, TransferMode::Binary), BatchStep::Failed);
}

}  // namespace
}  // namespace varnix::test
