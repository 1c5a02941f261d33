// The idle NOOP goes out only when it is switched on, the connection has been quiet long
// enough, and nothing else is talking on it: not while busy, not from inside another wait.
#include <gmock/gmock.h>

#include "net/idle_noop.h"
#include "net/net_fixture.h"
#include "platform/blocking.h"
#include "platform/clock.h"

namespace varnix::test {
namespace {

using IdleNoop = ScriptedNetTest;

TEST_F(IdleNoop, SentOnlyWhenOnQuietAndNothingElseTalks) {
    server.expect("NOOP").reply("200 still here");
    start_and_connect();
    ctx.connected = true;
    const std::int64_t now = tick_count();
    ctx.last_command_tick = now - 200'000;

    ctx.settings.idle_noop = 0;
    EXPECT_FALSE(send_idle_noop(ctx, now)) << "switched off";
    ctx.settings.idle_noop = 300;
    EXPECT_FALSE(send_idle_noop(ctx, now)) << "not quiet for long enough";
    ctx.settings.idle_noop = 60;
    ctx.busy_count = 1;
    EXPECT_FALSE(send_idle_noop(ctx, now)) << "a command in progress";
    ctx.busy_count = 0;
    bool from_inside = true;
    (void)wait_until([&] {
        from_inside = send_idle_noop(ctx, now);
        return true;
    }, 1000);
    EXPECT_FALSE(from_inside) << "called from inside another wait";
    EXPECT_TRUE(send_idle_noop(ctx, now));
    finish();
    EXPECT_THAT(server.received_lines(), ::testing::ElementsAre("NOOP"));
}

}  // namespace
}  // namespace varnix::test
