// A fresh TransferContext with headless services and progress display, a private folder that
// is the current local directory for the test (the previous one is restored), and the
// configuration file in it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "net/control_connection.h"
#include "platform/headless.h"
#include "support/temp_dir.h"
#include "transfer/progress.h"
#include "transfer/transfer_context.h"

namespace varnix::test {

class TransferTest : public ::testing::Test {
protected:
    TransferTest() : previous_dir_(std::filesystem::current_path()) {
        ctx.set_services(Services{&view, &prompter, &boxes, &timers, &sound});
        ctx.messages.set_verbose(true);
        install_blocking_hook(ctx);
        ctx.transfer.progress = &progress;
        ctx.config_path = path("VARNIX.INI");
        ctx.ascii_list_path = path("VARNIX.EXT");
        ctx.conversion_table_path = path("VARNIX.CNV");
        ctx.session.name = "work";
        ctx.connected = true;
        std::filesystem::current_path(dir.path());
        ctx.local_dir = dir.path().string();
    }
    ~TransferTest() override {
        close_control(ctx);
        std::error_code ec;
        std::filesystem::current_path(previous_dir_, ec);
    }

    void connect_to(unsigned port) {
        const int fd = connect_host(ctx, "127.0.0.1", port, "tcp");
        ASSERT_NE(fd, -1);
        open_control(ctx, fd);
    }

    [[nodiscard]] std::string path(const std::string& name) const {
        return (dir.path() / name).string();
    }
    static void write_file(const std::string& file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary) << bytes;
    }
    static std::string read_file(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }

    TempDir dir;
    RecordingMessageView view;
    ScriptedPrompter prompter;
    HeadlessMessageBoxes boxes;
    HeadlessTimers timers;
    RecordingSound sound;
    HeadlessProgress progress;
    TransferContext ctx;

private:
    std::filesystem::path previous_dir_;
};

// Bytes that are not text: every byte value, in a pattern that does not repeat every 256.
inline std::string binary_bytes(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t x = 2463534242u;
    for (auto& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<char>(x & 0xFF);
    }
    return bytes;
}

}  // namespace varnix::test
