// A fresh network context with headless services, for tests that talk to a scripted server.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "net/control_connection.h"
#include "platform/headless.h"

namespace varnix::test {

class NetTest : public ::testing::Test {
protected:
    NetTest() {
        ctx.set_services(Services{&view, &prompter, &boxes, &timers, &sound});
        ctx.messages.set_verbose(true);
        install_blocking_hook(ctx);
    }
    ~NetTest() override { ctx.control_socket = close_socket(ctx, ctx.control_socket); }

    // Connects the control socket to a local server.
    void connect_to(unsigned port) {
        ctx.control_socket = connect_host(ctx, "127.0.0.1", port, "tcp");
        ASSERT_NE(ctx.control_socket, -1);
    }

    RecordingMessageView view;
    ScriptedPrompter prompter;
    HeadlessMessageBoxes boxes;
    HeadlessTimers timers;
    RecordingSound sound;
    NetContext ctx;
};

}  // namespace varnix::test
