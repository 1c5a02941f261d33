// A child process started with posix_spawn for the server fixtures: optional stdout pipe,
// output to a log file, and a bounded stop of that one process by its own pid.
#include "support/child_process.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace varnix::test {

namespace {

constexpr int exit_poll_ms = 10;

// posix_spawn file actions as an owning object.
class FileActions {
public:
    FileActions() { ::posix_spawn_file_actions_init(&actions_); }
    ~FileActions() { ::posix_spawn_file_actions_destroy(&actions_); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_{};
};

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& log,
                           bool capture_stdout) {
    if (argv.empty()) {
        return;
    }
    std::array<int, 2> pipe_ends{-1, -1};
    if (capture_stdout && ::pipe2(pipe_ends.data(), O_CLOEXEC) != 0) {
        return;
    }
    Fd read_end(pipe_ends[0]);
    Fd write_end(pipe_ends[1]);

    FileActions actions;
    ::posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, log.c_str(),
                                       O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (capture_stdout) {
        ::posix_spawn_file_actions_adddup2(actions.get(), write_end.get(), STDOUT_FILENO);
    } else {
        ::posix_spawn_file_actions_adddup2(actions.get(), STDERR_FILENO, STDOUT_FILENO);
    }

    std::vector<char*> args;
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawnp(&pid, args[0], actions.get(), nullptr, args.data(), environ) == 0) {
        pid_ = pid;
        out_ = std::move(read_end);
    }
}

ChildProcess::~ChildProcess() {
    stop();
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), out_(std::move(other.out_)),
      buffered_(std::move(other.buffered_)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        stop();
        pid_ = std::exchange(other.pid_, -1);
        out_ = std::move(other.out_);
        buffered_ = std::move(other.buffered_);
    }
    return *this;
}

bool ChildProcess::running() {
    if (pid_ <= 0) {
        return false;
    }
    return !wait_exit(Millis{0}).has_value();
}

std::optional<std::string> ChildProcess::read_line(Millis bound) {
    const auto deadline = Clock::now() + bound;
    for (;;) {
        const std::size_t lf = buffered_.find('\n');
        if (lf != std::string::npos) {
            std::string line = buffered_.substr(0, lf);
            buffered_.erase(0, lf + 1);
            return line;
        }
        if (!out_.valid() || wait_fd(out_.get(), POLLIN, -1, deadline) != WaitResult::Ready) {
            return std::nullopt;
        }
        std::array<char, 512> chunk{};
        const ssize_t n = ::read(out_.get(), chunk.data(), chunk.size());
        if (n <= 0 && !(n < 0 && errno == EINTR)) {
            return std::nullopt;
        }
        if (n > 0) {
            buffered_.append(chunk.data(), static_cast<std::size_t>(n));
        }
    }
}

std::optional<int> ChildProcess::wait_exit(Millis bound) {
    if (pid_ <= 0) {
        return std::nullopt;
    }
    const auto deadline = Clock::now() + bound;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_ || (r < 0 && errno == ECHILD)) {
            pid_ = -1;
            return status;
        }
        if (Clock::now() >= deadline) {
            return std::nullopt;
        }
        // No descriptor reports a child's exit portably; look again after a short slice.
        ::poll(nullptr, 0, exit_poll_ms);
    }
}

void ChildProcess::stop(Millis grace) {
    out_.reset();
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, SIGTERM);
    if (wait_exit(grace)) {
        return;
    }
    ::kill(pid_, SIGKILL);
    [[maybe_unused]] const auto status = wait_exit(Millis{5000});
}

std::optional<std::string> run_command(const std::vector<std::string>& argv,
                                       const std::filesystem::path& log, Millis bound) {
    ChildProcess child(argv, log, true);
    if (child.pid() <= 0) {
        return std::nullopt;
    }
    const auto deadline = Clock::now() + bound;
    std::string output;
    while (auto line = child.read_line(std::chrono::duration_cast<Millis>(deadline - Clock::now()))) {
        output += *line + "\n";
    }
    const auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now());
    const auto status = child.wait_exit(std::max(left, Millis{0}));
    if (!status || !WIFEXITED(*status) || WEXITSTATUS(*status) != 0) {
        return std::nullopt;  // the destructor stops a child that overran the bound
    }
    return output;
}

}  // namespace varnix::test
