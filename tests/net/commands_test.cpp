// The command set against the scripted server: X-forms after 500 only, CDUP, the bracketed
// VMS directory form, the account prompt, and names that would split a command line.
#include <gmock/gmock.h>

#include <string>

#include "dirlex/dirlex.h"
#include "net/commands.h"
#include "net/control_connection.h"
#include "net/net_fixture.h"
#include "support/scripted_server.h"

namespace varnix::test {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

using Commands = ScriptedNetTest;

TEST_F(Commands, XFormsFollowOnlyA500) {
    server.expect("PWD").reply("500 PWD not understood")
          .expect("XPWD").reply("257 \"/home/anna\" is current")
          .expect("PWD").reply("502 not implemented")
          .expect("MKD new").reply("500 what?")
          .expect("XMKD new").reply("257 created")
          .expect("RMD old").reply("500 what?")
          .expect("XRMD old").reply("550 not empty")
          .expect("CWD sub").reply("500 what?")
          .expect("XCWD sub").reply("250 ok")
          .expect("DELE f").reply("500 what?")
          .expect("MKD other").reply("550 exists")
          .expect("NOOP").reply("200 end");
    start_and_connect();
    EXPECT_EQ(print_dir(ctx).cls, ReplyClass::Completed);
    EXPECT_EQ(ctx.reply.text, "257 \"/home/anna\" is current");
    EXPECT_EQ(print_dir(ctx).cls, ReplyClass::Permanent);
    EXPECT_EQ(make_dir(ctx, "new").cls, ReplyClass::Completed);
    EXPECT_EQ(remove_dir(ctx, "old").cls, ReplyClass::Permanent);
    EXPECT_EQ(change_dir(ctx, "sub").cls, ReplyClass::Completed);
    EXPECT_EQ(delete_remote_file(ctx, "f").cls, ReplyClass::Permanent);
    EXPECT_EQ(make_dir(ctx, "other").cls, ReplyClass::Permanent);
    EXPECT_EQ(send_command(ctx, "NOOP").cls, ReplyClass::Completed);
    finish();
}

TEST_F(Commands, ParentDirectoryTriesCdupFirst) {
    ctx.host.cdup_allowed = 1;
    server.expect("CDUP").reply("200 ok")
          .expect("CDUP").reply("502 no CDUP here")
          .expect("CWD ..").reply("250 ok");
    start_and_connect();
    EXPECT_EQ(change_dir(ctx, "..").cls, ReplyClass::Completed);
    EXPECT_EQ(change_dir(ctx, "..").cls, ReplyClass::Completed);
    finish();
    ctx.host.cdup_allowed = 0;
}

TEST_F(Commands, ParentDirectoryWithoutCdupIsAPlainCwd) {
    ctx.host.cdup_allowed = 0;
    server.expect("CWD ..").reply("250 ok");
    start_and_connect();
    EXPECT_EQ(change_dir(ctx, "..").cls, ReplyClass::Completed);
    finish();
}

TEST_F(Commands, VmsSubdirectoryUsesTheBracketFormFirst) {
    ctx.session.host_type = dirlex::host::vms;
    server.expect("CWD [.SUBDIR]").reply("250 ok")
          .expect("CWD [.OTHER]").reply("550 no such directory")
          .expect("CWD OTHER").reply("250 ok")
          .expect("CWD [.LOCKED]").reply("450 busy")
          .expect("CWD [USER.TOP]").reply("250 ok");
    start_and_connect();
    EXPECT_EQ(change_dir(ctx, "SUBDIR").cls, ReplyClass::Completed);
    EXPECT_EQ(change_dir(ctx, "OTHER").cls, ReplyClass::Completed);
    EXPECT_EQ(change_dir(ctx, "LOCKED").cls, ReplyClass::Transient);
    EXPECT_EQ(change_dir(ctx, "[USER.TOP]").cls, ReplyClass::Completed);
    finish();
}

TEST_F(Commands, AccountPromptShowsTheSessionAccountAndRepeatsOnEmpty) {
    ctx.session.account = "old";
    prompter.push_answer("");
    prompter.push_answer("acct9");
    server.expect("CWD secret").reply("332 need account")
          .expect("ACCT acct9").reply("250 ok");
    start_and_connect();
    EXPECT_EQ(change_dir(ctx, "secret").cls, ReplyClass::Completed);
    finish();
    ASSERT_EQ(prompter.requests().size(), 2u);
    EXPECT_EQ(prompter.requests()[0].prompt, "Password required:");
    EXPECT_EQ(prompter.requests()[0].initial, "old");
    EXPECT_EQ(prompter.requests()[0].kind, PromptKind::Password);
    EXPECT_EQ(ctx.session.account, "acct9");
    EXPECT_FALSE(view.contains("acct9"));
    EXPECT_TRUE(ctx.prompts.answer().empty());
}

TEST_F(Commands, AccountPromptCancelledWithoutAccountSendsNothing) {
    prompter.push_answer(std::nullopt);
    server.expect("CWD secret").reply("332 need account").expect("NOOP").reply("200 end");
    start_and_connect();
    EXPECT_EQ(change_dir(ctx, "secret").cls, ReplyClass::Intermediate);
    EXPECT_EQ(send_command(ctx, "NOOP").cls, ReplyClass::Completed);
    finish();
}

TEST_F(Commands, EmptyNameSendsNothing) {
    server.expect("NOOP").reply("200 end");
    start_and_connect();
    EXPECT_EQ(change_dir(ctx, "").cls, ReplyClass::Completed);
    EXPECT_EQ(send_command(ctx, "NOOP").cls, ReplyClass::Completed);
    finish();
    EXPECT_THAT(server.received_lines(), ElementsAre("NOOP"));
}

TEST_F(Commands, NamesWithLineBreaksAreNeverSent) {
    server.expect("NOOP").reply("200 end");
    start_and_connect();
    EXPECT_EQ(delete_remote_file(ctx, "a\r\nDELE b").cls, ReplyClass::None);
    EXPECT_EQ(make_dir(ctx, "x\nRMD y").cls, ReplyClass::None);
    EXPECT_EQ(change_dir(ctx, std::string("c\0d", 3)).cls, ReplyClass::None);
    EXPECT_TRUE(view.contains("Command not sent: it holds a line break or NUL"));
    EXPECT_EQ(send_command(ctx, "NOOP").cls, ReplyClass::Completed);
    finish();
    EXPECT_THAT(server.received_lines(), ElementsAre("NOOP"));
}

TEST_F(Commands, WithoutAConnectionNothingIsSent) {
    EXPECT_EQ(print_dir(ctx).cls, ReplyClass::None);
    EXPECT_EQ(change_dir(ctx, "x").cls, ReplyClass::None);
    EXPECT_TRUE(view.contains("Not connected"));
}

TEST_F(Commands, LostConnectionIsClassFour) {
    server.expect("MKD d").close();
    start_and_connect();
    EXPECT_EQ(make_dir(ctx, "d").cls, ReplyClass::Transient);
    finish();
}

}  // namespace
}  // namespace varnix::test
