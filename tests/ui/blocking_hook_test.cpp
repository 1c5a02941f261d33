// The GUI thread blocked in a reply read keeps its window live: Qt timers fire during the
// wait, Cancel ends it with "Blocking call cancelled", and the time-out gives up a silent
// server.
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <gtest/gtest.h>

#include "net/control_connection.h"
#include "platform/headless.h"
#include "support/scripted_server.h"
#include "ui/message_area.h"
#include "ui/qt_environment.h"
#include "ui/qt_services.h"

namespace varnix::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const auto* const qt_environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

class GuiBlockingHook : public ::testing::Test {
protected:
    GuiBlockingHook() {
        QObject::connect(&area, &ui::MessageArea::line_appended,
                         [this](const QString& line) { log << line; });
        ctx.set_services(Services{&area, &prompter, &boxes, &timers, &sound});
        ctx.messages.set_verbose(true);
        install_blocking_hook(ctx);
        server.silence_until_closed(20s);
        server.start();
        const int fd = connect_host(ctx, "127.0.0.1", server.port(), "tcp");
        if (fd != -1) open_control(ctx, fd);
    }
    ~GuiBlockingHook() override {
        close_control(ctx);
        install_thread_blocking_hook(nullptr);
    }
    bool shown(const QString& text) const {
        return area.upper_text().contains(text) || area.lower_text().contains(text);
    }

    ui::MessageArea area;
    ui::QtTimers timers;
    ScriptedPrompter prompter;
    HeadlessMessageBoxes boxes;
    RecordingSound sound;
    NetContext ctx;
    ScriptedServer server;
    QStringList log;
};

TEST_F(GuiBlockingHook, EventsArePumpedAndCancelEndsTheWait) {
    ASSERT_TRUE(ctx.control.is_open());
    int fired = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++fired; });
    ticker.start(50);
    QTimer::singleShot(700, [this] { cancel_command(ctx); });
    const auto start = Clock::now();
    EXPECT_EQ(read_reply(ctx).cls, ReplyClass::Transient);
    const auto waited = Clock::now() - start;
    EXPECT_EQ(ctx.reply.code, 421);
    EXPECT_GE(fired, 5);
    EXPECT_GE(waited, 600ms);
    EXPECT_LT(waited, 4s);
    EXPECT_TRUE(shown("receive error: Blocking call cancelled"));
}

TEST_F(GuiBlockingHook, TimeOutGivesUpASilentServer) {
    ASSERT_TRUE(ctx.control.is_open());
    ctx.session.timeout = 5;
    const auto start = Clock::now();
    EXPECT_EQ(read_reply(ctx).cls, ReplyClass::Transient);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, 4500ms);
    EXPECT_LT(waited, 9s);
    EXPECT_TRUE(log.contains("Timer cancelled blocking call"));
    EXPECT_TRUE(log.contains("receive error: Blocking call cancelled"));
}

}  // namespace
}  // namespace varnix::test
