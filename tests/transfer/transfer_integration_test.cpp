// Transfers against a real FTP server (pyftpdlib on 127.0.0.1), over passive and active data
// connections: byte-exact binary round trips, ASCII line ends, STOU, listings, and the resume
// of an interrupted download.
#include <gmock/gmock.h>

#include <filesystem>
#include <sys/stat.h>
#include <utime.h>
#include <string>

#include "config/config_file.h"
#include "net/logon.h"
#include "platform/ini_file.h"
#include "support/pyftpd.h"
#include "transfer/get_put.h"
#include "transfer/listing_fetch.h"
#include "transfer/restart.h"
#include "transfer/transfer_fixture.h"

namespace varnix::test {
namespace {

using ::testing::HasSubstr;

class RealServer : public TransferTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        ASSERT_TRUE(ftpd.running()) << ftpd.error();
        ctx.session.host = "127.0.0.1";
        ctx.session.port = ftpd.port();
        ctx.session.user = "anna";
        ctx.session.password = "secret";
        ctx.session.passive = GetParam() ? 1 : 0;
        ctx.settings.show_transfer_dialog = 1;
        ctx.connected = false;  // the logon connects for real
        ASSERT_TRUE(logon(ctx)) << ftpd.log_text() << ::testing::PrintToString(view.lines());
        ctx.remote.listing_file = path("listing.txt");
    }
    [[nodiscard]] std::string remote(const std::string& name) const {
        return (ftpd.home() / name).string();
    }
    // The completion reply's class; the whole outcome stays in `last`.
    ReplyClass put(const std::string& local, const std::string& remote_name, TransferMode mode) {
        std::string command = "STOR " + remote_name;
        last = put_file(ctx, command, path(local), mode);
        return last.reply_class;
    }
    ReplyClass get(const std::string& remote_name, const std::string& local, TransferMode mode) {
        std::string command = "RETR " + remote_name;
        last = get_file(ctx, command, path(local), mode);
        return last.reply_class;
    }
    TransferOutcome last;
    [[nodiscard]] bool data_connection_kind_used() const {
        return view.contains(GetParam() ? "connecting to 127.0.0.1:" : "accept from 127.0.0.1");
    }
    PyFtpd ftpd;
};

TEST_P(RealServer, BinaryRoundTripsAreByteExact) {
    for (const std::size_t size : {0u, 1u, 4095u, 4096u, 4097u, 3u * 1024 * 1024}) {
        SCOPED_TRACE(size);
        const std::string name = "b" + std::to_string(size) + ".bin";
        const std::string bytes = binary_bytes(size);
        write_file(path(name), bytes);
        ASSERT_EQ(put(name, name, TransferMode::Binary), ReplyClass::Completed) << ftpd.log_text();
        ASSERT_EQ(read_file(remote(name)), bytes);
        ASSERT_EQ(get(name, "back.bin", TransferMode::Binary), ReplyClass::Completed);
        EXPECT_TRUE(last.complete());
        ASSERT_EQ(read_file(path("back.bin")), bytes);
    }
    EXPECT_TRUE(data_connection_kind_used());
    EXPECT_EQ(ctx.busy_count, 0);
}

TEST_P(RealServer, AsciiLineEndsAreConvertedAtTheLocalFile) {
    write_file(path("lf.txt"), "one\ntwo\n\nthree");
    write_file(path("crlf.txt"), "one\r\ntwo\r\n");
    ASSERT_EQ(put("lf.txt", "lf.txt", TransferMode::Ascii), ReplyClass::Completed);
    ASSERT_EQ(put("crlf.txt", "crlf.txt", TransferMode::Ascii), ReplyClass::Completed);
    // The server keeps its text files with LF, as the client does.
    EXPECT_EQ(read_file(remote("lf.txt")), "one\ntwo\n\nthree");
    EXPECT_EQ(read_file(remote("crlf.txt")), "one\ntwo\n");
    ASSERT_EQ(get("lf.txt", "lf-back.txt", TransferMode::Ascii), ReplyClass::Completed);
    ASSERT_EQ(get("crlf.txt", "crlf-back.txt", TransferMode::Ascii), ReplyClass::Completed);
    EXPECT_EQ(read_file(path("lf-back.txt")), "one\ntwo\n\nthree");
    EXPECT_EQ(read_file(path("crlf-back.txt")), "one\ntwo\n");
    // The same text in binary shows the server's own bytes.
    ASSERT_EQ(get("crlf.txt", "raw.txt", TransferMode::Binary), ReplyClass::Completed);
    EXPECT_EQ(read_file(path("raw.txt")), "one\ntwo\n");
}

TEST_P(RealServer, StouLetsTheServerNameTheFile) {
    ctx.options.send_unique = 1;
    write_file(path("u.bin"), binary_bytes(10000));
    std::string command = "STOR u.bin";
    ASSERT_TRUE(put_file(ctx, command, path("u.bin"), TransferMode::Binary).complete());
    EXPECT_EQ(command, "STOU u.bin");
    int stored = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ftpd.home())) {
        if (entry.path().filename().string().starts_with("u.bin")) {
            ++stored;
            EXPECT_EQ(read_file(entry.path().string()), binary_bytes(10000));
        }
    }
    EXPECT_EQ(stored, 1);
}

TEST_P(RealServer, ListingsGoIntoTheListingFile) {
    write_file(remote("alpha.c"), "a");
    write_file(remote("beta.h"), "b");
    std::string command = "LIST";
    ASSERT_TRUE(get_file(ctx, command, path("list.txt"), TransferMode::Ascii).complete());
    const std::string list = read_file(path("list.txt"));
    EXPECT_THAT(list, HasSubstr("alpha.c\n"));
    EXPECT_THAT(list, HasSubstr("beta.h\n"));
    EXPECT_EQ(list.find('\r'), std::string::npos);
    // pyftpdlib does not expand patterns: a plain NLST.
    ASSERT_EQ(raw_command(ctx, "NLST"), 2) << ::testing::PrintToString(view.lines());
    const std::string names = read_file(ctx.remote.listing_file);
    EXPECT_THAT(names, HasSubstr("alpha.c\n"));
    EXPECT_THAT(names, HasSubstr("beta.h\n"));
    // After the listing in ASCII, a binary download sends its TYPE again.
    ASSERT_EQ(get("beta.h", "beta.h", TransferMode::Binary), ReplyClass::Completed);
    EXPECT_EQ(ctx.control.state().current_type, 'I');
    EXPECT_EQ(read_file(path("beta.h")), "b");
}

TEST_P(RealServer, InterruptedDownloadResumesToTheSameBytes) {
    const std::string bytes = binary_bytes(3 * 1024 * 1024 + 123);
    write_file(remote("big.bin"), bytes);
    const auto when = static_cast<time_t>(1104537600);  // 2005-01-01 00:00:00 UTC
    const utimbuf times{when, when};
    ASSERT_EQ(::utime(remote("big.bin").c_str(), &times), 0);
    // What an interrupted download leaves: a partial file (with a torn last block) and the
    // restart record.
    // The partial file lies in another folder than the pane shows now: the pane follows it,
    // the process's own directory does not move.
    ASSERT_EQ(::mkdir(path("kept").c_str(), 0700), 0);
    write_file(path("kept/big.bin"), bytes.substr(0, 1000000) + "torn");
    ctx.local_dir = dir.path().string();
    save_restart_record(ctx, "work", "/", "big.bin", "big.bin");
    (void)update_config_file(ctx, [&](IniFile& ini) {
        return ini.put("work", "REGETLDIR", path("kept"));
    });
    const std::string cwd_before = std::filesystem::current_path().string();
    boxes.push_answer(mb::id_yes);
    offer_resume(ctx, "work");
    ASSERT_FALSE(boxes.shown().empty());
    EXPECT_THAT(boxes.shown()[0].text, HasSubstr("of:\n  /big.bin\nto:\n  " + path("kept/big.bin")));
    EXPECT_TRUE(view.contains("REST " + std::to_string(1000004 / 1024 * 1024)));
    EXPECT_FALSE(view.contains("Reget failed"));
    EXPECT_TRUE(read_file(path("kept/big.bin")).size() == bytes.size());
    EXPECT_TRUE(read_file(path("kept/big.bin")) == bytes) << "resumed file differs";
    EXPECT_FALSE(read_restart_record(ctx, "work").present());
    EXPECT_EQ(ctx.local_dir, std::filesystem::canonical(path("kept")).string());
    EXPECT_EQ(std::filesystem::current_path().string(), cwd_before);
    EXPECT_THAT(read_file(path("VARNIX.LOG")), HasSubstr(" <-- work / big.bin\n"));
    struct stat st {};
    ASSERT_EQ(::stat(path("kept/big.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, when) << "a resumed file takes the server's time like any download";
}

TEST_P(RealServer, MissingRemoteFileLeavesTheSessionUsable) {
    EXPECT_EQ(get("nothing.bin", "nothing.bin", TransferMode::Binary), ReplyClass::None);
    EXPECT_EQ(ctx.reply.code, 550);
    write_file(path("x.bin"), "x");
    EXPECT_EQ(put("x.bin", "x.bin", TransferMode::Binary), ReplyClass::Completed);
    EXPECT_EQ(read_file(remote("x.bin")), "x");
}

// A backslash is part of a name on this system: the file goes up under its whole name, and a
// full path goes up under its last part.
TEST_P(RealServer, UploadKeepsABackslashInTheName) {
    write_file(path("a\\b.txt"), "back");
    EXPECT_EQ(upload_one(ctx, "a\\b.txt", 1, 1, false), 2);
    EXPECT_EQ(read_file(remote("a\\b.txt")), "back");
    EXPECT_FALSE(std::filesystem::exists(remote("b.txt")));
    write_file(path("full.txt"), "full");
    EXPECT_EQ(upload_one(ctx, path("full.txt"), 1, 1, false), 2);
    EXPECT_EQ(read_file(remote("full.txt")), "full");
}

INSTANTIATE_TEST_SUITE_P(DataConnection, RealServer, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Passive" : "Active"; });

}  // namespace
}  // namespace varnix::test
