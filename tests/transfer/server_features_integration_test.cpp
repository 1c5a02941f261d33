// What today's servers offer, against pyftpdlib: FEAT and OPTS UTF8 at logon, MLSD listings
// with awkward names, UTF-8 and Latin-1 names fetched by their own bytes, and the server's
// modification time on a downloaded file.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <utime.h>

#include "listing/list_entries.h"
#include "platform/socket.h"
#include "transfer/get_put.h"
#include "transfer/server_fixture.h"

namespace varnix::test {
namespace {

using ::testing::Contains;
using ::testing::IsSupersetOf;

class ServerFeaturesTest : public LoggedOnTest {
protected:
    // A file in the server's home under exactly these name bytes.
    void make_remote(const std::string& name, const std::string& bytes) {
        std::ofstream(ftpd.home() / std::filesystem::path(name), std::ios::binary) << bytes;
    }
    std::vector<std::string> names(ListBox& list) {
        std::vector<std::string> out;
        for (int i = 0; i < list.count(); ++i) out.push_back(get_entry_name(ctx, list, i));
        return out;
    }
    std::int64_t size_of(ListBox& list, const std::string& name) {
        for (int i = 0; i < list.count(); ++i) {
            if (get_entry_name(ctx, list, i) == name) return list.item_data(i).value_or(-1);
        }
        return -1;
    }
};

TEST_F(ServerFeaturesTest, LogonAsksFeatAndSwitchesUtf8On) {
    EXPECT_TRUE(ctx.control.state().features.answered);
    EXPECT_TRUE(ctx.control.state().features.offers("MLST"));
    EXPECT_TRUE(ctx.control.state().features.offers("MDTM"));
    EXPECT_THAT(ctx.control.state().features.mlst_facts, IsSupersetOf({"type", "size", "modify"}));
    EXPECT_TRUE(view.contains("OPTS UTF8 ON"));
}

TEST_F(ServerFeaturesTest, MlsdListsNamesWithBlanksAndSemicolonsExactly) {
    const std::string big(70000, 'x');
    make_remote("two  blanks.txt", "12345");
    make_remote("semi;colon; =x.txt", big);
    make_remote(" leading blank", "1");
    std::filesystem::create_directory(ftpd.home() / "a dir; too");
    list_remote_fresh(ctx);
    EXPECT_TRUE(view.contains("MLSD"));
    EXPECT_THAT(names(*ctx.panes.remote_files), IsSupersetOf({"two  blanks.txt", "semi;colon; =x.txt", " leading blank"}));
    EXPECT_THAT(names(*ctx.panes.remote_dirs), Contains("a dir; too"));
    EXPECT_EQ(size_of(*ctx.panes.remote_files, "semi;colon; =x.txt"), 70000);
    // And the names as listed fetch the files.
    EXPECT_EQ(download_one(ctx, "semi;colon; =x.txt", 1, 1, false), 2);
    EXPECT_EQ(read_file(path("semi;colon; =x.txt")), big);
}

TEST_F(ServerFeaturesTest, Utf8AndLatin1NamesTravelAsTheirOwnBytes) {
    const std::string utf8 = "gr\xC3\xBC\xC3\x9F" "e.txt";  // "grüße.txt"
    const std::string latin1 = "caf\xE9.txt";                 // "café.txt" in Latin-1: no UTF-8
    make_remote(utf8, "utf-8 name");
    make_remote(latin1, "latin-1 name");
    list_remote_fresh(ctx);
    const auto listed = names(*ctx.panes.remote_files);
    ASSERT_THAT(listed, IsSupersetOf({utf8, latin1}));
    for (const std::string& name : {utf8, latin1}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(download_one(ctx, name, 1, 1, false), 2);
        EXPECT_EQ(read_file(path(name)), name == utf8 ? "utf-8 name" : "latin-1 name");
    }
    // Uploaded back under another name holding the same byte: the server keeps the bytes.
    write_file(path("up\xE9.bin"), "up");
    EXPECT_EQ(upload_one(ctx, "up\xE9.bin", 1, 1, false), 2);
    EXPECT_EQ(read_file((ftpd.home() / "up\xE9.bin").string()), "up");
}

TEST_F(ServerFeaturesTest, DownloadTakesTheServersModificationTime) {
    make_remote("old.txt", "old");
    const auto when = static_cast<time_t>(1104537600);  // 2005-01-01 00:00:00 UTC
    const utimbuf times{when, when};
    ASSERT_EQ(::utime((ftpd.home() / "old.txt").c_str(), &times), 0);
    ASSERT_EQ(download_one(ctx, "old.txt", 1, 1, false), 2);
    struct stat st {};
    ASSERT_EQ(::stat(path("old.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, when);

    // With the option off the file keeps the time it was written at.
    ctx.settings.keep_remote_times = 0;
    ASSERT_EQ(download_one(ctx, "old.txt", 1, 1, false), 2);
    ASSERT_EQ(::stat(path("old.txt").c_str(), &st), 0);
    EXPECT_GT(st.st_mtime, when + 86400);
}

bool has_ipv6_loopback() {
    const auto any = parse_numeric_address("::1");
    UniqueSocket probe(sock_create_stream(AF_INET6));
    return probe.valid() && any && sock_bind_listen(probe.get(), *any, 1) == 0;
}

// The control connection over IPv6: "::1" and "[::1]" as the profile's host.
class Ipv6Logon : public TransferTest {
protected:
    Ipv6Logon() : ftpd(PyFtpdOptions{.address = "::1"}) {}
    PyFtpd ftpd;
};

TEST_F(Ipv6Logon, LiteralsWithAndWithoutBracketsLogOn) {
    if (!has_ipv6_loopback()) GTEST_SKIP() << "this machine has no IPv6 loopback (::1)";
    ASSERT_TRUE(ftpd.running()) << ftpd.error();
    for (const char* host : {"::1", "[::1]"}) {
        SCOPED_TRACE(host);
        ctx.connected = false;
        ctx.session.host = host;
        ctx.session.port = ftpd.port();
        ctx.session.user = "anna";
        ctx.session.password = "secret";
        ASSERT_TRUE(logon(ctx)) << ftpd.log_text();
        EXPECT_TRUE(view.contains("Connected to ::1 port " + std::to_string(ftpd.port())));
        EXPECT_TRUE(ctx.control.state().features.offers("EPSV"));
        const auto peer = sock_peer_storage(ctx.control.descriptor());
        ASSERT_TRUE(peer);
        EXPECT_EQ(peer->ss_family, AF_INET6);
        close_control(ctx);
        ctx.connected = false;
    }
}

// Transfers over IPv6: EPSV in passive mode, EPRT in active mode, byte-exact both ways, and
// an MLSD listing over the EPSV data connection.
class Ipv6Transfers : public TransferTest, public ::testing::WithParamInterface<bool> {
protected:
    Ipv6Transfers() : ftpd(PyFtpdOptions{.address = "::1"}) {}
    PyFtpd ftpd;
};

TEST_P(Ipv6Transfers, ByteExactBothWaysAndAListing) {
    if (!has_ipv6_loopback()) GTEST_SKIP() << "this machine has no IPv6 loopback (::1)";
    ASSERT_TRUE(ftpd.running()) << ftpd.error();
    ctx.connected = false;
    ctx.session.host = "::1";
    ctx.session.port = ftpd.port();
    ctx.session.user = "anna";
    ctx.session.password = "secret";
    ctx.session.passive = GetParam() ? 1 : 0;
    ctx.options.mode = 'I';
    ASSERT_TRUE(logon(ctx)) << ftpd.log_text();
    std::string bytes;
    for (int i = 0; i < 300000; ++i) bytes += static_cast<char>((i * 7 + i / 251) & 0xFF);
    std::ofstream(ftpd.home() / "down.bin", std::ios::binary) << bytes;
    ASSERT_EQ(download_one(ctx, "down.bin", 1, 1, false), 2);
    EXPECT_EQ(read_file(path("down.bin")), bytes);
    write_file(path("up.bin"), bytes.substr(1000));
    ASSERT_EQ(upload_one(ctx, "up.bin", 1, 1, false), 2);
    EXPECT_EQ(read_file((ftpd.home() / "up.bin").string()), bytes.substr(1000));
    EXPECT_TRUE(view.contains(GetParam() ? "EPSV" : "EPRT |2|::1|"));
    EXPECT_FALSE(view.contains("PASV"));
    EXPECT_FALSE(view.contains("PORT "));
    list_remote_fresh(ctx);
    EXPECT_EQ(get_entry_name(ctx, *ctx.panes.remote_files, 0), "down.bin");
    clear_listing_cache(ctx);
}

INSTANTIATE_TEST_SUITE_P(PassiveAndActive, Ipv6Transfers, ::testing::Bool());

}  // namespace
}  // namespace varnix::test
