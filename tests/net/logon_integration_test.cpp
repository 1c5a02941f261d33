// The logon against real servers: pyftpdlib directly (saved profile, anonymous, refused
// password, initial commands) and through ProFTPD's mod_proxy for firewall types 1, 2 and 5.
#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "config/config_file.h"
#include "config/profiles.h"
#include "config/scramble.h"
#include "net/commands.h"
#include "net/logon.h"
#include "net/net_fixture.h"
#include "support/ftp_proxy.h"
#include "support/pyftpd.h"
#include "support/temp_dir.h"

namespace varnix::test {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* mail_prompt = "Enter your e-mail address:";

// pyftpdlib writes its log line just after the reply, so the line may lag a little behind
// the reply the client has read: look again in short slices, within a bound.
::testing::AssertionResult server_logged(const PyFtpd& ftpd, const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::string log = ftpd.log_text();
    while (log.find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline) {
            return ::testing::AssertionFailure() << "no \"" << text << "\" in:\n" << log;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        log = ftpd.log_text();
    }
    return ::testing::AssertionSuccess();
}

class LogonIntegration : public NetTest {
protected:
    LogonIntegration() { ctx.config_path = (dir.path() / "VARNIX.INI").string(); }

    // Saves a profile for the backend the way the profile dialog does, then makes it current
    // from the file alone.
    void save_and_load(Session profile) {
        save_profile(ctx, profile);
        ctx.session = Session{};
        new_current_profile(ctx, profile.name);
    }
    std::string ini_text() const { return read_text_file(ctx.config_path); }
    std::vector<std::string> history() const { return ctx.messages.history(); }
    // The lines of the history from the first one equal to `first` on.
    std::vector<std::string> history_from(const std::string& first) const {
        const auto lines = history();
        const auto at = std::find(lines.begin(), lines.end(), first);
        return {at, lines.end()};
    }

    TempDir dir;
};

Session backend_profile(const std::string& name, std::uint16_t port) {
    Session s;
    s.name = name;
    s.host = "127.0.0.1";
    s.port = port;
    return s;
}

TEST_F(LogonIntegration, SavedProfileWithScrambledPasswordLogsOn) {
    PyFtpd ftpd;
    ASSERT_TRUE(ftpd.running()) << ftpd.error();
    Session profile = backend_profile("Backend", ftpd.port());
    profile.user = "anna";
    profile.password = "secret";
    profile.password_saved = 1;
    save_and_load(profile);

    EXPECT_THAT(ini_text(), Not(HasSubstr("secret")));
    EXPECT_THAT(ini_text(), HasSubstr("PWD=" + scramble_secret("anna", "secret")));
    ASSERT_EQ(ctx.session.password, "secret");
    ASSERT_EQ(ctx.session.port, ftpd.port());

    ASSERT_TRUE(logon(ctx)) << ftpd.log_text();
    EXPECT_TRUE(ctx.connected);
    EXPECT_EQ(ctx.window_title, "VARNIX32 Pro 127.0.0.1");
    EXPECT_TRUE(prompter.requests().empty());
    EXPECT_THAT(history(), Contains("PASS (hidden)"));
    EXPECT_THAT(history(), Not(Contains(HasSubstr("secret"))));
    EXPECT_EQ(print_dir(ctx).cls, ReplyClass::Completed);
    EXPECT_THAT(ctx.reply.text, HasSubstr("\"/\""));
    EXPECT_TRUE(server_logged(ftpd, "USER 'anna' logged in."));
}

TEST_F(LogonIntegration, AnonymousProfileSendsTheMailAddressAsked) {
    PyFtpd ftpd(PyFtpdOptions{.users = {}, .anonymous = true});
    ASSERT_TRUE(ftpd.running()) << ftpd.error();
    ctx.settings.mail_address.clear();  // no MAILADDR yet: the profile must ask
    prompter.push_answer(std::string());  // confirmed empty: asked again
    prompter.push_answer(std::string("joe@example.org"));
    Session profile = backend_profile("Public", ftpd.port());
    profile.user = "anonymous";
    save_and_load(profile);

    ASSERT_EQ(prompter.requests().size(), 2u);
    for (const auto& request : prompter.requests()) {
        EXPECT_EQ(request.prompt, mail_prompt);
        EXPECT_EQ(request.help_context, 270);
    }
    EXPECT_EQ(ctx.session.password, "joe@example.org");
    EXPECT_EQ(config_get_string(ctx, "MAILADDR", "", 126), "joe@example.org");

    ASSERT_TRUE(logon(ctx)) << ftpd.log_text();
    EXPECT_TRUE(ctx.connected);
    EXPECT_EQ(prompter.requests().size(), 2u);  // the logon itself asks nothing
    EXPECT_THAT(history_from("USER anonymous"), Contains("PASS (hidden)"));
    EXPECT_TRUE(server_logged(ftpd, "USER 'anonymous' logged in."));
}

TEST_F(LogonIntegration, StoredMailAddressIsUsedWithoutAsking) {
    PyFtpd ftpd(PyFtpdOptions{.users = {}, .anonymous = true});
    ASSERT_TRUE(ftpd.running()) << ftpd.error();
    std::ofstream(ctx.config_path) << "[_config_]\nMAILADDR=kim@example.org\n";
    load_program_settings(ctx);
    Session profile = backend_profile("Public", ftpd.port());
    profile.user = "anonymous";
    save_and_load(profile);

    EXPECT_TRUE(prompter.requests().empty());
    EXPECT_EQ(ctx.session.password, "kim@example.org");
    ASSERT_TRUE(logon(ctx)) << ftpd.log_text();
    EXPECT_TRUE(server_logged(ftpd, "USER 'anonymous' logged in."));
}

TEST_F(LogonIntegration, WrongPasswordQuitsAndLeavesNothingConnected) {
    PyFtpd ftpd;
    ASSERT_TRUE(ftpd.running()) << ftpd.error();
    Session profile = backend_profile("Backend", ftpd.port());
    profile.user = "anna";
    profile.password = "not-the-password";
    profile.password_saved = 1;
    save_and_load(profile);

    EXPECT_FALSE(logon(ctx));
    EXPECT_FALSE(ctx.connected);
    EXPECT_THAT(history_from("PASS (hidden)"), Contains("logon failure, so quitting"));
    EXPECT_THAT(history(), Contains(HasSubstr("530")));
    EXPECT_EQ(ctx.window_title, "");
    EXPECT_TRUE(prompter.requests().empty());  // a stored password is not asked again
    EXPECT_TRUE(server_logged(ftpd, "USER 'anna' failed login."));
    EXPECT_TRUE(server_logged(ftpd, "FTP session closed"));  // the logon closed its socket
}

TEST_F(LogonIntegration, InitialCommandsAreSentAfterTheLogon) {
    PyFtpd ftpd;
    ASSERT_TRUE(ftpd.running()) << ftpd.error();
    Session profile = backend_profile("Backend", ftpd.port());
    profile.user = "anna";
    profile.password = "secret";
    profile.password_saved = 1;
    profile.init_cmd = "SITE IDLE 7200;;";
    save_and_load(profile);
    ASSERT_EQ(ctx.session.init_cmd, "SITE IDLE 7200;;");

    ASSERT_TRUE(logon(ctx)) << ftpd.log_text();
    EXPECT_TRUE(ctx.connected);
    // Each command echoed, then the server's answer (whatever it is), and nothing for the
    // piece after the last ';'.
    const auto sent = history_from("SITE IDLE 7200");
    ASSERT_EQ(sent.size(), 4u) << ::testing::PrintToString(history());
    EXPECT_THAT(sent[1], ::testing::MatchesRegex("[0-9][0-9][0-9] .*"));
    EXPECT_EQ(sent[2], "");
    EXPECT_THAT(sent[3], ::testing::MatchesRegex("[0-9][0-9][0-9] .*"));
    // The connection is still in step after the replies nobody checked.
    EXPECT_EQ(print_dir(ctx).cls, ReplyClass::Completed);
    EXPECT_THAT(ctx.reply.text, HasSubstr("\"/\""));
}

// Through ProFTPD's mod_proxy in forward mode: the firewall of [FIREWALL] is the proxy,
// the session's HOST names the pyftpdlib behind it.
struct ProxyCase {
    const char* name;
    ProxyMethod method;
    FirewallType type;
    bool store_proxy_password;  // otherwise it is typed at the firewall password prompt
};

void PrintTo(const ProxyCase& c, std::ostream* os) { *os << c.name; }

class ProxyLogon : public LogonIntegration, public ::testing::WithParamInterface<ProxyCase> {};

TEST_P(ProxyLogon, ReachesTheServerBehindTheProxy) {
    if (!FtpProxy::installed()) GTEST_SKIP() << FtpProxy::missing_message;
    const ProxyCase& c = GetParam();
    PyFtpd ftpd;
    ASSERT_TRUE(ftpd.running()) << ftpd.error();
    std::filesystem::create_directory(ftpd.home() / "behind-proxy");
    FtpProxy proxy(ftpd.port());
    ASSERT_TRUE(proxy.running()) << proxy.error() << proxy.log_text();

    const std::string fwuser(FtpProxy::user);
    const std::string fwpass(FtpProxy::password);
    {
        std::ofstream ini(ctx.config_path);
        ini << "[FIREWALL]\nFIRETYPE=" << static_cast<int>(c.type) << "\nHOST=127.0.0.1\nPORT="
            << proxy.port(c.method) << "\nUID=" << fwuser << "\n";
        if (c.store_proxy_password) ini << "PWD=" << scramble_secret(fwuser, fwpass) << "\n";
    }
    if (!c.store_proxy_password) prompter.push_answer(fwpass);
    Session profile = backend_profile("Behind", 1);  // PORT gets the proxy's port
    profile.host = proxy.target();
    profile.user = "anna";
    profile.password = "secret";
    profile.password_saved = 1;
    profile.use_firewall = 1;
    save_and_load(profile);
    ASSERT_EQ(ctx.session.use_firewall, 1);

    ASSERT_TRUE(logon(ctx)) << ::testing::PrintToString(history()) << proxy.log_text()
                                      << ftpd.log_text();
    EXPECT_TRUE(ctx.connected);
    EXPECT_EQ(ctx.session.port, proxy.port(c.method));
    EXPECT_EQ(ctx.window_title, "VARNIX32 Pro " + proxy.target());
    if (c.store_proxy_password) {
        EXPECT_TRUE(prompter.requests().empty());
    } else {
        ASSERT_EQ(prompter.requests().size(), 1u);
        EXPECT_EQ(prompter.requests()[0].help_context, help_firewall_password);
        EXPECT_THAT(prompter.requests()[0].prompt, HasSubstr("proxy on firewall:"));
    }
    // A directory only the backend has: the commands really go through to pyftpdlib.
    EXPECT_EQ(change_dir(ctx, "behind-proxy").cls, ReplyClass::Completed);
    EXPECT_EQ(print_dir(ctx).cls, ReplyClass::Completed);
    EXPECT_THAT(ctx.reply.text, HasSubstr("\"/behind-proxy\""));
    EXPECT_TRUE(server_logged(ftpd, "USER 'anna' logged in."));
}

INSTANTIATE_TEST_SUITE_P(
    FirewallTypes, ProxyLogon,
    ::testing::Values(
        ProxyCase{"UserAfterLogonPasswordTyped", ProxyMethod::ProxyUserCommaUserAtHost,
                  FirewallType::UserAfterLogon, false},
        ProxyCase{"UserWithNoLogon", ProxyMethod::UserAtHost, FirewallType::UserNoLogon, true},
        ProxyCase{"FireIdAtHostPasswordStored", ProxyMethod::ProxyUserAtHostCommaUser,
                  FirewallType::FireIdAtHost, true},
        ProxyCase{"FireIdAtHostPasswordTyped", ProxyMethod::ProxyUserAtHostCommaUser,
                  FirewallType::FireIdAtHost, false},
        ProxyCase{"UserAfterLogonPasswordStored", ProxyMethod::ProxyUserCommaUserAtHost,
                  FirewallType::UserAfterLogon, true}),
    [](const ::testing::TestParamInfo<ProxyCase>& info) { return std::string(info.param.name); });

TEST_F(LogonIntegration, WrongProxyPasswordIsAFirewallLogonFailure) {
    if (!FtpProxy::installed()) GTEST_SKIP() << FtpProxy::missing_message;
    PyFtpd ftpd;
    ASSERT_TRUE(ftpd.running()) << ftpd.error();
    FtpProxy proxy(ftpd.port());
    ASSERT_TRUE(proxy.running()) << proxy.error() << proxy.log_text();
    std::ofstream(ctx.config_path)
        << "[FIREWALL]\nFIRETYPE=1\nHOST=127.0.0.1\nPORT="
        << proxy.port(ProxyMethod::ProxyUserCommaUserAtHost) << "\nUID=proxy\nPWD="
        << scramble_secret("proxy", "wrong") << "\n";
    ctx.session = backend_profile("Behind", 1);
    ctx.session.host = proxy.target();
    ctx.session.user = "anna";
    ctx.session.password = "secret";
    ctx.session.use_firewall = 1;

    EXPECT_FALSE(logon(ctx));
    EXPECT_FALSE(ctx.connected);
    EXPECT_THAT(history(), Contains("Firewall logon failure, so quitting"));
    EXPECT_THAT(ftpd.log_text(), Not(HasSubstr("session opened")));  // never got past the proxy
}

}  // namespace
}  // namespace varnix::test
