// Runs build/bin/varnix as a user runs it from a terminal without a display, with its own
// current, configuration, home and temporary folders, against a pyftpdlib server.
#pragma once

#include <gmock/gmock.h>

#include <cstdlib>
#include <sys/wait.h>

#include "batch/batch_fixture.h"
#include "config/scramble.h"
#include "support/child_process.h"
#include "support/pyftpd.h"

namespace varnix::test {

inline constexpr Millis run_bound{20000};

struct Outcome {
    int status = -1;  // exit status; -1 when the program did not exit normally in time
    int signal = 0;   // the signal that ended it, if one did
    std::vector<std::string> out;
    std::string err;
};

class VarnixCli : public ::testing::Test {
protected:
    explicit VarnixCli(PyFtpdOptions options = server_options()) : ftpd(std::move(options)) {
        std::filesystem::create_directories(cwd());
        std::filesystem::create_directories(tmp());
        std::filesystem::create_directories(config_home());
    }
    void SetUp() override { ASSERT_TRUE(ftpd.running()) << ftpd.error(); }

    // Starts the program in cwd() with its own configuration, home and temporary folders and
    // no display; its standard error goes to err_log(), standard output to a pipe.
    ChildProcess start(const std::vector<std::string>& args) {
        std::vector<std::string> argv{"env",         "-u",       "DISPLAY", "-u", "WAYLAND_DISPLAY",
                                      "-C",          cwd().string(),
                                      "XDG_CONFIG_HOME=" + config_home().string(),
                                      "HOME=" + home().string(), "TMPDIR=" + tmp().string(),
                                      program()};
        argv.insert(argv.end(), args.begin(), args.end());
        ++runs;
        return ChildProcess(argv, err_log(), true);
    }
    // Reads the started program's output until it exits (bounded) and reaps it.
    Outcome finish(ChildProcess& child, Millis bound = run_bound) {
        Outcome result;
        const auto deadline = Clock::now() + bound;
        while (Clock::now() < deadline) {
            auto line = child.read_line(std::chrono::duration_cast<Millis>(deadline - Clock::now()));
            if (!line) break;
            result.out.push_back(*line);
        }
        const auto status =
            child.wait_exit(std::chrono::duration_cast<Millis>(deadline - Clock::now()) + Millis{1});
        if (status && WIFEXITED(*status)) result.status = WEXITSTATUS(*status);
        if (status && WIFSIGNALED(*status)) result.signal = WTERMSIG(*status);
        child.stop();
        result.err = read_text_file(err_log());
        return result;
    }
    Outcome run(const std::vector<std::string>& args) {
        ChildProcess child = start(args);
        return finish(child);
    }
    // The program under test: $VARNIX_TEST_BIN (another build of it), else this build's.
    static std::string program() {
        const char* other = std::getenv("VARNIX_TEST_BIN");
        return other && *other ? other : VARNIX_BIN;
    }
    [[nodiscard]] std::string url(const std::string& path) const {
        return "ftp://127.0.0.1:" + std::to_string(ftpd.port()) + path;
    }
    [[nodiscard]] std::filesystem::path cwd() const { return dir.path() / "cwd"; }
    [[nodiscard]] std::filesystem::path tmp() const { return dir.path() / "tmp"; }
    [[nodiscard]] std::filesystem::path home() const { return dir.path(); }
    [[nodiscard]] std::filesystem::path config_home() const { return dir.path() / "config"; }
    // Standard error of the latest run.
    [[nodiscard]] std::filesystem::path err_log() const {
        return dir.path() / ("stderr" + std::to_string(runs) + ".txt");
    }
    // A profile for anna in the configuration file the program finds first.
    void write_profile(const std::string& name, const std::string& password) {
        std::ofstream(cwd() / "VARNIX.INI")
            << "[" << name << "]\nHOST=127.0.0.1\nUID=anna\nPWD=" << scramble_secret("anna", password)
            << "\nPORT=" << ftpd.port() << "\n";
    }
    [[nodiscard]] bool temp_folder_empty() const { return std::filesystem::is_empty(tmp()); }

    static PyFtpdOptions server_options() {
        PyFtpdOptions options;
        options.anonymous = true;
        return options;
    }

    TempDir dir;
    PyFtpd ftpd;
    int runs = 0;
};

}  // namespace varnix::test
