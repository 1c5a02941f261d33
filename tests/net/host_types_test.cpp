// Host-type detection by SYST and HELP, and the remote commands each type offers.
#include <gmock/gmock.h>

#include "net/host_types.h"
#include "net/net_fixture.h"
#include "support/scripted_server.h"

namespace varnix::test {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class HostProbe : public NetTest {
protected:
    HostProbe() { ctx.events.on_capabilities_changed = [this] { ++updates; }; }
    void run() {
        server.start();
        connect_to(server.port());
        probe_host_type(ctx);
    }
    void finish() {
        EXPECT_TRUE(server.wait_done(5s));
        EXPECT_THAT(server.failures(), IsEmpty());
    }
    std::vector<int> flags() const {
        return {ctx.host.can_make_dir, ctx.host.can_remove_dir, ctx.host.can_rename, ctx.host.can_delete};
    }
    ScriptedServer server;
    int updates = 0;
};

TEST_F(HostProbe, UnknownSystThenHelpNamesTheCommands) {
    server.expect("SYST").reply("215 Strange OS of our own")
          .expect("HELP")
          .reply("214-The following commands are recognized\n   USER PASS MKD\n   DELE RETR\n"
                 "214 Direct comments to the administrator");
    run();
    EXPECT_EQ(ctx.session.host_type, dirlex::host::unix_generic);
    EXPECT_THAT(flags(), ElementsAre(1, 0, 0, 1));
    EXPECT_EQ(ctx.host.host_type_probed, 1);
    EXPECT_EQ(updates, 1);
    EXPECT_TRUE(view.contains("Host type (3): "));
    finish();
}

TEST_F(HostProbe, AHelpReplyThatNeverEndsIsGivenUp) {
    std::string endless = "214-The following commands are recognized\n";
    for (int i = 0; i <= max_reply_lines; ++i) endless += "214-MKD RMD\n";
    endless += "214 end";
    ctx.messages.set_verbose(false);
    server.expect("SYST").reply("215 Strange OS of our own").expect("HELP").reply(endless)
          .silence_until_closed(20s);
    run();
    EXPECT_TRUE(view.contains("receive error: reply too long"));
    EXPECT_TRUE(ctx.cancel_requested);  // the connection is out of step: given up as lost
    EXPECT_EQ(ctx.host.host_type_probed, 1);
    close_control(ctx);
    finish();
}

TEST_F(HostProbe, HelpFirstLineNamesThePcServer) {
    server.expect("SYST").reply("500 unknown")
          .expect("HELP").reply("214-PC FTP server help\n214 end");
    run();
    EXPECT_EQ(ctx.session.host_type, dirlex::host::qvt);
    EXPECT_TRUE(view.contains("Host type (I): "));
    finish();
}

TEST_F(HostProbe, KnownTypeSendsNothingAndOffersOnlyDelete) {
    ctx.session.host_type = dirlex::host::delete_only;
    server.silence_until_closed(10s);
    run();
    EXPECT_THAT(flags(), ElementsAre(0, 0, 0, 1));
    EXPECT_TRUE(view.contains("Host type (I): "));
    close_control(ctx);
    finish();
    EXPECT_TRUE(server.received_lines().empty());
}

TEST_F(HostProbe, NoCdupForTheTypesThatLackIt) {
    ctx.session.host_type = dirlex::host::ka9q;
    server.silence_until_closed(10s);
    run();
    EXPECT_THAT(flags(), ElementsAre(1, 1, 0, 1));
    EXPECT_EQ(ctx.host.cdup_allowed, 0);
    close_control(ctx);
    finish();
}

TEST_F(HostProbe, SystAnswerSetsTheType) {
    server.expect("SYST").reply("215 UNIX Type: L8");
    run();
    EXPECT_NE(ctx.session.host_type, host_type_automatic);
    EXPECT_TRUE(view.contains("Host type (S): "));
    EXPECT_THAT(flags(), ElementsAre(1, 1, 1, 1));
    finish();
}

TEST_F(HostProbe, LostConnectionDuringHelpKeepsWhatWasGathered) {
    server.expect("SYST").reply("502 no")
          .expect("HELP").reply("214-Commands:\n   MKD RMD").close();
    run();
    EXPECT_THAT(flags(), ElementsAre(1, 1, 0, 0));
    EXPECT_EQ(ctx.host.host_type_probed, 1);
    finish();
}

}  // namespace
}  // namespace varnix::test
