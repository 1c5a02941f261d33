// The logon against the scripted server: greeting, USER/PASS/ACCT, the firewall exchanges
// and the initial commands, as transcripts.
#include <gmock/gmock.h>

#include <fstream>

#include "net/logon.h"
#include "net/net_fixture.h"
#include "support/scripted_server.h"
#include "support/temp_dir.h"

namespace varnix::test {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class Logon : public NetTest {
protected:
    Logon() {
        ctx.config_path = (dir.path() / "VARNIX.INI").string();
        ctx.session.host = "127.0.0.1";
        ctx.session.user = "anna";
        ctx.events.on_title_changed = [this](const std::string& title) { titles.push_back(title); };
    }
    // The firewall of [FIREWALL] is the scripted server itself.
    void use_firewall(int type, const std::string& user = "fw", const std::string& extra = "") {
        std::ofstream(ctx.config_path) << "[FIREWALL]\nHOST=127.0.0.1\nUID=" << user
                                       << "\nPORT=" << server.port() << "\nFIRETYPE=" << type
                                       << "\n" << extra;
        ctx.session.use_firewall = 1;
        ctx.session.host = "final.example";
        ctx.session.port = 1;  // must be replaced by the firewall's port
    }
    bool run() {
        server.start();
        if (!ctx.session.use_firewall) ctx.session.port = server.port();
        return logon(ctx);
    }
    void finish() {
        EXPECT_TRUE(server.wait_done(5s));
        EXPECT_THAT(server.failures(), IsEmpty());
    }

    TempDir dir;
    ScriptedServer server;
    std::vector<std::string> titles;
};

// A batch job closes without QUIT and logs on again: a late "226" of the old connection,
// already received, must not be taken for the new server's greeting (the logon then sent
// USER to the greeting, took "220" for USER's answer and never sent PASS).
TEST_F(Logon, BytesLeftByTheLastConnectionAreNotTheNextGreeting) {
    ScriptedServer old_server;
    old_server.send_raw("200 ok\r\n226 late\r\n").silence_until_closed(10s);
    old_server.start();
    {
        const int fd = connect_host(ctx, "127.0.0.1", old_server.port(), "tcp");
        ASSERT_NE(fd, -1);
        open_control(ctx, fd);
    }
    ASSERT_EQ(read_reply(ctx).cls, ReplyClass::Completed);
    close_control(ctx);                               // a connection closed but its bytes kept
    ctx.control.state().remainder = "226 late\r\n";  // as a reader that kept them would have
    EXPECT_TRUE(old_server.wait_done(5s));

    ctx.session.password = "secret";
    server.reply("220 ready").expect("USER anna").reply("331 password please")
          .expect("PASS secret").reply("230 logged in");
    EXPECT_TRUE(run());
    finish();
    EXPECT_FALSE(view.contains("226 late"));
}

TEST_F(Logon, DirectLogonWithPasswordFromTheSession) {
    ctx.session.password = "secret";
    server.reply("220 ready").expect("USER anna").reply("331 password please")
          .expect("PASS secret").reply("230 logged in");
    EXPECT_TRUE(run());
    EXPECT_TRUE(ctx.connected);
    EXPECT_THAT(titles, ElementsAre("VARNIX32 Pro 127.0.0.1"));
    EXPECT_EQ(ctx.host.host_type_probed, 0);
    EXPECT_TRUE(view.contains("PASS (hidden)"));
    EXPECT_FALSE(view.contains("secret"));
    EXPECT_EQ(ctx.busy_count, 0);
    finish();
}

TEST_F(Logon, PreliminaryGreetingIsWaitedFor) {
    server.reply("120 ready in 2 minutes").delay(300ms).reply("220 ready")
          .expect("USER anna").reply("230 no password needed");
    EXPECT_TRUE(run());
    EXPECT_TRUE(ctx.connected);
    finish();
}

TEST_F(Logon, RefusedOrOddGreetingsFail) {
    server.reply("421 too many users");
    EXPECT_FALSE(run());
    EXPECT_TRUE(view.contains("connection failed"));
    EXPECT_FALSE(ctx.connected);
    finish();
}

TEST_F(Logon, UnknownGreetingClassIsReported) {
    server.reply("331 what?");
    EXPECT_FALSE(run());
    EXPECT_TRUE(view.contains("Unknown open msg \"331 what?\" 331"));
    finish();
}

TEST_F(Logon, AlreadyConnectedChangesNothing) {
    ctx.connected = true;
    EXPECT_FALSE(logon(ctx));
    EXPECT_TRUE(view.contains("Already connected!"));
}

TEST_F(Logon, PasswordPromptRepeatsWhileEmptyThenAccountIsAsked) {
    prompter.push_answer(std::string());  // confirmed empty: asked again
    prompter.push_answer(std::string("typed"));
    prompter.push_answer(std::string("acct9"));
    server.reply("220 ready").expect("USER anna").reply("331 password please")
          .expect("PASS typed").reply("332 account please")
          .expect("ACCT acct9").reply("230 in");
    EXPECT_TRUE(run());
    ASSERT_EQ(prompter.requests().size(), 3u);
    EXPECT_EQ(prompter.requests()[0].prompt, "Password required for anna on 127.0.0.1:");
    EXPECT_EQ(prompter.requests()[0].help_context, help_user_password);
    EXPECT_EQ(prompter.requests()[2].prompt, "Account required for anna on 127.0.0.1:");
    EXPECT_EQ(prompter.requests()[2].help_context, help_account);
    EXPECT_EQ(ctx.session.password, "typed");
    EXPECT_TRUE(ctx.prompts.answer().empty());  // secrets do not linger in the answer buffer
    finish();
}

TEST_F(Logon, CancelledPasswordPromptFailsTheLogon) {
    prompter.push_answer(std::nullopt);
    server.reply("220 ready").expect("USER anna").reply("331 password please");
    EXPECT_FALSE(run());
    EXPECT_TRUE(view.contains("logon failure, so quitting"));
    EXPECT_FALSE(ctx.connected);
    finish();
}

TEST_F(Logon, AccountInAClassTwoPassReplyIsSentAndItsAnswerIgnored) {
    ctx.session.password = "pw";
    ctx.session.account = "dept";
    server.reply("220 ready").expect("USER anna").reply("331 password please")
          .expect("PASS pw").reply("230 logged in, ACCOUNT optional")
          .expect("ACCT dept").reply("500 no thanks");
    EXPECT_TRUE(run());
    EXPECT_TRUE(ctx.connected);
    finish();
}

TEST_F(Logon, WrongPasswordQuits) {
    ctx.session.password = "wrong";
    server.reply("220 ready").expect("USER anna").reply("331 password please")
          .expect("PASS wrong").reply("530 Login incorrect.");
    EXPECT_FALSE(run());
    EXPECT_TRUE(view.contains("logon failure, so quitting"));
    finish();
}

TEST_F(Logon, InitialCommandsAreSentPieceByPieceAndPercentIsSafe) {
    ctx.session.password = "pw";
    ctx.session.init_cmd = "SITE IDLE 7200;;SITE 100%s";
    server.reply("220 ready").expect("USER anna").reply("331 p").expect("PASS pw").reply("230 in")
          .expect("SITE IDLE 7200").reply("200 ok")
          .expect("").reply("500 empty")
          .expect("SITE 100%s").reply("200 ok");
    EXPECT_TRUE(run());
    finish();
    // FEAT comes first (this server answers it 502), so an initial command may override
    // what the client chose from it.
    EXPECT_THAT(server.received_lines(),
                ElementsAre("USER anna", "PASS pw", "FEAT", "SITE IDLE 7200", "", "SITE 100%s"));
}

TEST_F(Logon, TrailingEmptyInitialCommandIsNotSent) {
    ctx.session.password = "pw";
    ctx.session.init_cmd = "SITE IDLE 7200;;";
    server.reply("220 ready").expect("USER anna").reply("331 p").expect("PASS pw").reply("230 in")
          .expect("SITE IDLE 7200").reply("200 ok").expect("").reply("500 empty")
          .expect("NOOP").reply("200 ok");
    EXPECT_TRUE(run());
    EXPECT_EQ(send_command(ctx, "NOOP").cls, ReplyClass::Completed);
    finish();
}

TEST_F(Logon, GreetingRevealsTheHostTypeWhileAutomatic) {
    server.reply("220 Microsoft FTP Service").expect("USER anna").reply("230 in");
    EXPECT_TRUE(run());
    EXPECT_NE(ctx.session.host_type, host_type_automatic);
    EXPECT_TRUE(view.contains("Host type (1): "));
    finish();
}

TEST_F(Logon, TypeZeroSiteRefusedFailsTheDestination) {
    use_firewall(0);
    prompter.push_answer(std::string("fwpass"));
    server.reply("220 firewall").expect("USER fw").reply("331 password")
          .expect("PASS fwpass").reply("230 firewall ok")
          .expect("SITE final.example").reply("530 not allowed");
    EXPECT_FALSE(run());
    EXPECT_TRUE(view.contains("Connect to final destination failed, so quitting"));
    EXPECT_EQ(prompter.requests().at(0).prompt, "Password required for fw on firewall:");
    EXPECT_EQ(prompter.requests().at(0).help_context, help_firewall_password);
    EXPECT_EQ(ctx.session.port, server.port());
    EXPECT_FALSE(ctx.connected);
    finish();
}

TEST_F(Logon, TypeZeroContinuesWithTheFinalLogon) {
    use_firewall(0);
    ctx.session.password = "pw";
    prompter.push_answer(std::string("fwpass"));
    server.reply("220 firewall").expect("USER fw").reply("331 password")
          .expect("PASS fwpass").reply("230 firewall ok")
          .expect("SITE final.example").reply("220 connected to final")
          .expect("USER anna").reply("331 p").expect("PASS pw").reply("230 in");
    EXPECT_TRUE(run());
    EXPECT_THAT(titles, ElementsAre("VARNIX32 Pro final.example"));
    finish();
}

TEST_F(Logon, FirewallPasswordTypedOnceIsReusedByTheNextLogon) {
    use_firewall(1);
    ctx.session.password = "pw";
    prompter.push_answer(std::string("fwpass"));
    server.reply("220 firewall").expect("USER fw").reply("331 password")
          .expect("PASS fwpass").reply("230 firewall ok")
          .expect("USER anna@final.example").reply("331 p").expect("PASS pw").reply("230 in");
    EXPECT_TRUE(run());
    finish();
    EXPECT_EQ(ctx.firewall_password, "fwpass");
}

TEST_F(Logon, StoredFirewallPasswordIsUsed) {
    use_firewall(6, "fw", "PWD=" + std::string("") + "\n");
    ctx.session.password = "pw";
    ctx.firewall_password = "remembered";
    server.reply("220 transparent").expect("USER fw").reply("331 password")
          .expect("PASS remembered").reply("230 ok")
          .expect("USER anna").reply("331 p").expect("PASS pw").reply("230 in");
    ctx.session.port = 0;
    server.start();
    ctx.session.host = "127.0.0.1";  // type 6 connects to the session's own host and port
    ctx.session.port = server.port();
    EXPECT_TRUE(logon(ctx));
    EXPECT_TRUE(prompter.requests().empty());
    finish();
}

TEST_F(Logon, TypeTwoLogsOnWithoutPasswordWhenTheProxyAccepts) {
    use_firewall(2);
    server.reply("220 proxy").expect("USER anna@final.example").reply("230 welcome");
    EXPECT_TRUE(run());
    EXPECT_THAT(server.received_lines(), ElementsAre("USER anna@final.example", "FEAT"));
    finish();
}

TEST_F(Logon, TypeThreeOpensTheDestination) {
    use_firewall(3);
    ctx.session.password = "pw";
    server.reply("220 proxy").expect("OPEN final.example").reply("220 open")
          .expect("USER anna").reply("331 p").expect("PASS pw").reply("230 in");
    EXPECT_TRUE(run());
    finish();
}

TEST_F(Logon, TypeFourNeedsAccountWantedToSendTheFirewallPassword) {
    use_firewall(4);
    ctx.session.password = "pw";
    server.reply("220 proxy").expect("USER anna@final.example fw").reply("331 p")
          .expect("PASS pw").reply("230 in already");
    EXPECT_FALSE(run());
    EXPECT_TRUE(view.contains("Firewall logon failure, so quitting"));
    finish();
}

TEST_F(Logon, TypeFourSendsTheFirewallPasswordAsAccount) {
    use_firewall(4);
    ctx.session.password = "pw";
    prompter.push_answer(std::string("fwsecret"));
    server.reply("220 proxy").expect("USER anna@final.example fw").reply("331 p")
          .expect("PASS pw").reply("332 account")
          .expect("ACCT fwsecret").reply("230 in");
    EXPECT_TRUE(run());
    EXPECT_EQ(prompter.requests().at(0).prompt, "Password required for fw on firewall:");
    EXPECT_TRUE(view.contains("ACCT (hidden)"));
    finish();
}

TEST_F(Logon, TypeFiveLogsOnAtTheFirewallThenAtTheServer) {
    use_firewall(5);
    ctx.session.password = "pw";
    prompter.push_answer(std::string("fwp"));
    server.reply("220 proxy").expect("USER fw@final.example").reply("331 p")
          .expect("PASS fwp").reply("230 connected")
          .expect("USER anna").reply("331 p").expect("PASS pw").reply("230 in");
    EXPECT_TRUE(run());
    EXPECT_EQ(prompter.requests().at(0).prompt, "Please enter a password for fw on firewall:");
    finish();
}

}  // namespace
}  // namespace varnix::test
