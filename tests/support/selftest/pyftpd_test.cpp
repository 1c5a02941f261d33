// Self-tests of the pyftpdlib fixture: a plain socket client logs on, lists and transfers
// in both data-connection modes; the fixture cleans up its process and folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fstream>

#include "support/pyftpd.h"
#include "support/selftest/plain_client.h"

namespace varnix::test {
namespace {

using testing::HasSubstr;
using testing::StartsWith;

void write_file(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(PyFtpd, LogonListAndTransferBothWays) {
    PyFtpd ftpd;
    ASSERT_TRUE(ftpd.running()) << ftpd.error();
    write_file(ftpd.home() / "hello.txt", "hello\r\nworld\r\n");
    const Fd c = connect_loopback(ftpd.port(), client::bound);
    ASSERT_THAT(client::logon(c.get(), "anna", "secret"), StartsWith("230"));
    ASSERT_THAT(client::command(c.get(), "TYPE I"), StartsWith("200"));

    const auto list = client::passive_transfer(c.get(), "LIST");
    EXPECT_TRUE(list.ok) << list.replies;
    EXPECT_THAT(list.data, HasSubstr("hello.txt"));

    const std::string upload(100000, '\xA5');
    const auto stored = client::passive_transfer(c.get(), "STOR up.bin", upload);
    EXPECT_TRUE(stored.ok) << stored.replies;
    EXPECT_EQ(read_text_file(ftpd.home() / "up.bin"), upload);

    const auto active = client::active_download(c.get(), "RETR hello.txt");
    EXPECT_TRUE(active.ok) << active.replies;
    EXPECT_EQ(active.data, "hello\r\nworld\r\n");
    EXPECT_THAT(client::command(c.get(), "QUIT"), StartsWith("221"));
}

TEST(PyFtpd, WrongPasswordIsRefused) {
    PyFtpd ftpd;
    ASSERT_TRUE(ftpd.running()) << ftpd.error();
    const Fd c = connect_loopback(ftpd.port(), client::bound);
    EXPECT_THAT(client::logon(c.get(), "anna", "wrong"), StartsWith("530"));
}

TEST(PyFtpd, AnonymousUserSubfolderAndPassiveRange) {
    const auto low = free_port();
    ASSERT_TRUE(low);
    PyFtpdOptions options;
    options.users = {{"bert", "pw", "bert"}};
    options.anonymous = true;
    options.passive_low = *low;
    options.passive_high = static_cast<std::uint16_t>(*low + 3);
    PyFtpd ftpd(options);
    ASSERT_TRUE(ftpd.running()) << ftpd.error();
    EXPECT_TRUE(std::filesystem::is_directory(ftpd.home() / "bert"));

    const Fd anon = connect_loopback(ftpd.port(), client::bound);
    ASSERT_THAT(client::logon(anon.get(), "anonymous", "guest@example.org"), StartsWith("230"));
    const auto port = client::pasv_port(client::command(anon.get(), "PASV"));
    ASSERT_TRUE(port);
    EXPECT_GE(*port, options.passive_low);
    EXPECT_LE(*port, options.passive_high);

    const Fd bert = connect_loopback(ftpd.port(), client::bound);
    ASSERT_THAT(client::logon(bert.get(), "bert", "pw"), StartsWith("230"));
    EXPECT_THAT(client::command(bert.get(), "PWD"), StartsWith("257 \"/\""));
}

TEST(PyFtpd, DestructionStopsTheServerAndRemovesItsFolder) {
    pid_t pid = -1;
    std::filesystem::path home;
    {
        PyFtpd ftpd;
        ASSERT_TRUE(ftpd.running()) << ftpd.error();
        pid = ftpd.pid();
        home = ftpd.home();
        ASSERT_EQ(::kill(pid, 0), 0);
    }
    EXPECT_EQ(::kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH);
    EXPECT_FALSE(std::filesystem::exists(home));
}

}  // namespace
}  // namespace varnix::test
