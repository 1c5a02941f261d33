// A fresh batch context with headless services, a private configuration file and a private
// current directory (batch mode appends its messages to ./xferlog.txt), restored afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "batch/batch_context.h"
#include "listing/remote_listing.h"
#include "net/control_connection.h"
#include "platform/headless.h"
#include "support/temp_dir.h"
#include "transfer/progress.h"

namespace varnix::test {

// Makes a folder the process's current directory for the owner's lifetime.
class CurrentDirScope {
public:
    explicit CurrentDirScope(const std::filesystem::path& dir) : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~CurrentDirScope() {
        std::error_code ec;
        std::filesystem::current_path(saved_, ec);
    }
    CurrentDirScope(const CurrentDirScope&) = delete;
    CurrentDirScope& operator=(const CurrentDirScope&) = delete;

private:
    std::filesystem::path saved_;
};

inline void write_bytes(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string read_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Bytes that any line-end or text conversion would change.
inline std::string binary_payload(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<char>(x >> 16);
    }
    bytes.replace(0, 4, "\r\n\n\r");
    return bytes;
}

class BatchTest : public ::testing::Test {
protected:
    BatchTest() : local_(dir_.path() / "local"), cwd_(make_dir(local_)) {
        ctx.set_services(Services{&view, &prompter, &boxes, &timers, &sound});
        ctx.transfer.progress = &progress;
        ctx.config_path = (dir_.path() / "VARNIX.INI").string();
        install_blocking_hook(ctx);
    }
    ~BatchTest() override {
        close_control(ctx);
        clear_listing_cache(ctx);
    }

    [[nodiscard]] const std::filesystem::path& work() const { return dir_.path(); }
    // The current directory during the test.
    [[nodiscard]] const std::filesystem::path& local() const { return local_; }

    void write_config(const std::string& text) { std::ofstream(ctx.config_path) << text; }

    RecordingMessageView view;
    ScriptedPrompter prompter;
    HeadlessMessageBoxes boxes;
    HeadlessTimers timers;
    RecordingSound sound;
    HeadlessProgress progress;
    BatchContext ctx;

private:
    static const std::filesystem::path& make_dir(const std::filesystem::path& path) {
        std::filesystem::create_directories(path);
        return path;
    }

    TempDir dir_;
    std::filesystem::path local_;
    CurrentDirScope cwd_;
};

}  // namespace varnix::test
