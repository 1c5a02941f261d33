// Self-test of the FTP proxy fixture: a plain socket client logs on through each forward
// method to a pyftpdlib backend and lists a file there.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "support/ftp_proxy.h"
#include "support/pyftpd.h"
#include "support/selftest/plain_client.h"

namespace varnix::test {
namespace {

using testing::HasSubstr;
using testing::StartsWith;

struct Exchange {
    std::string command;
    std::string reply_code;
};

struct MethodCase {
    ProxyMethod method;
    const char* name;
    std::vector<Exchange> logon;  // "@" in a command stands for the backend, 127.0.0.1:PORT
};

std::string with_target(std::string command, const FtpProxy& proxy) {
    const std::size_t at = command.find("@@");
    return at == std::string::npos ? command : command.replace(at + 1, 1, proxy.target());
}

TEST(FtpProxy, EveryForwardMethodReachesTheBackend) {
    if (!FtpProxy::installed()) {
        GTEST_SKIP() << FtpProxy::missing_message;
    }
    PyFtpd backend;
    ASSERT_TRUE(backend.running()) << backend.error();
    std::ofstream(backend.home() / "behind-the-proxy.txt") << "x";
    FtpProxy proxy(backend.port());
    ASSERT_TRUE(proxy.running()) << proxy.error();

    const std::vector<MethodCase> cases{
        {ProxyMethod::UserAtHost, "user@host",
         {{"USER anna@@", "331"}, {"PASS secret", "230"}}},
        {ProxyMethod::ProxyUserCommaUserAtHost, "proxyuser,user@host",
         {{"USER proxy", "331"}, {"PASS proxy", "230"}, {"USER anna@@", "331"},
          {"PASS secret", "230"}}},
        {ProxyMethod::ProxyUserAtHostCommaUser, "proxyuser@host,user",
         {{"USER proxy@@", "331"}, {"PASS proxy", "230"}, {"USER anna", "331"},
          {"PASS secret", "230"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Fd control = connect_loopback(proxy.port(c.method), client::bound);
        ASSERT_THAT(client::read_reply(control.get()), StartsWith("220"));
        for (const auto& step : c.logon) {
            const std::string command = with_target(step.command, proxy);
            ASSERT_THAT(client::command(control.get(), command), StartsWith(step.reply_code))
                << command << "\n" << proxy.log_text();
        }
        const auto list = client::passive_transfer(control.get(), "LIST");
        EXPECT_TRUE(list.ok) << list.replies;
        EXPECT_THAT(list.data, HasSubstr("behind-the-proxy.txt"));
        EXPECT_THAT(client::command(control.get(), "QUIT"), StartsWith("221"));
    }
}

TEST(FtpProxy, RefusesAnotherBackendAndStopsByPid) {
    if (!FtpProxy::installed()) {
        GTEST_SKIP() << FtpProxy::missing_message;
    }
    const auto elsewhere = free_port();
    ASSERT_TRUE(elsewhere);
    pid_t pid = -1;
    {
        PyFtpd backend;
        ASSERT_TRUE(backend.running()) << backend.error();
        FtpProxy proxy(backend.port());
        ASSERT_TRUE(proxy.running()) << proxy.error();
        pid = proxy.pid();
        const Fd control = connect_loopback(proxy.port(ProxyMethod::UserAtHost), client::bound);
        ASSERT_THAT(client::read_reply(control.get()), StartsWith("220"));
        const std::string reply = client::command(
            control.get(), "USER anna@127.0.0.1:" + std::to_string(*elsewhere));
        EXPECT_THAT(reply, testing::Not(StartsWith("331"))) << reply;
    }
    EXPECT_EQ(::kill(pid, 0), -1);
}

}  // namespace
}  // namespace varnix::test
