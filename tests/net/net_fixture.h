// A fresh network context with headless services, for tests that talk to a scripted server.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include <string>

#include "net/control_connection.h"
#include "platform/headless.h"
#include "support/scripted_server.h"

namespace varnix::test {

class NetTest : public ::testing::Test {
protected:
    NetTest() {
        ctx.set_services(Services{&view, &prompter, &boxes, &timers, &sound});
        ctx.messages.set_verbose(true);
        install_blocking_hook(ctx);
    }
    ~NetTest() override { close_control(ctx); }

    // Opens the control connection to a local server.
    void connect_to(unsigned port) {
        const int fd = connect_host(ctx, "127.0.0.1", port, "tcp");
        ASSERT_NE(fd, -1);
        open_control(ctx, fd);
    }

    RecordingMessageView view;
    ScriptedPrompter prompter;
    HeadlessMessageBoxes boxes;
    HeadlessTimers timers;
    RecordingSound sound;
    NetContext ctx;
};

// A scripted server and the control connection to it, over any fixture that has ctx, view
// and connect_to.
template <typename Fixture>
class WithScriptedServer : public Fixture {
protected:
    void start_and_connect() {
        server.start();
        this->connect_to(server.port());
        this->view.clear();
    }
    void finish() {
        EXPECT_TRUE(server.wait_done(std::chrono::seconds(5)));
        EXPECT_THAT(server.failures(), ::testing::IsEmpty());
    }
    // The control connection still answers ("200 still here") after whatever went before.
    void expect_usable() {
        EXPECT_EQ(send_command(this->ctx, "NOOP").cls, ReplyClass::Completed);
        EXPECT_EQ(this->ctx.reply.text, "200 still here");
        EXPECT_EQ(this->ctx.busy_count, 0);
    }
    ScriptedServer server;
};

using ScriptedNetTest = WithScriptedServer<NetTest>;

}  // namespace varnix::test
