// A child process started with posix_spawn for the server fixtures: optional stdout pipe,
// output to a log file, and a bounded stop of that one process by its own pid.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

#include "support/loopback_socket.h"

namespace varnix::test {

class ChildProcess {
public:
    ChildProcess() = default;
    // Starts argv[0] (looked up in PATH). stderr, and stdout unless captured, are appended
    // to `log`. Check running() for success.
    ChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& log,
                 bool capture_stdout);
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    [[nodiscard]] pid_t pid() const { return pid_; }
    // Started and not yet reaped.
    [[nodiscard]] bool running();
    // One line of the child's stdout without its LF, or nothing on EOF or time-out.
    [[nodiscard]] std::optional<std::string> read_line(Millis bound);
    // The wait status once the child has exited within the bound.
    [[nodiscard]] std::optional<int> wait_exit(Millis bound);
    // SIGTERM, up to `grace` for it to exit, then SIGKILL; always reaps the child.
    void stop(Millis grace = Millis{3000});

private:
    pid_t pid_ = -1;
    Fd out_;
    std::string buffered_;
};

// Runs a command to its end (bounded; killed after the bound). Returns its stdout when it
// exited with status 0.
[[nodiscard]] std::optional<std::string> run_command(const std::vector<std::string>& argv,
                                                     const std::filesystem::path& log,
                                                     Millis bound);

}  // namespace varnix::test
