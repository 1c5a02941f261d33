// build/bin/varnix against a server that misbehaves at random (tests/support/hostile_ftpd.py):
// downloads with and without a wildcard, uploads and resumed downloads, in passive and active
// mode. Whatever the server does, the program must end by itself within its time-outs, by an
// exit and not a signal, with a status that says success or failure, and must write nothing
// outside the folder it was asked to write in. A failure names its seed and job so it can be
// run again. VARNIX_HOSTILE_SEEDS=N runs more seeds, VARNIX_HOSTILE_VERBOSE=1 prints each run's
// status, time and messages, and VARNIX_TEST_BIN runs another build (one with AddressSanitizer).
#include <gmock/gmock.h>

#include <cstdlib>
#include <filesystem>

#include "batch/varnix_cli_fixture.h"

namespace varnix::test {
namespace {

namespace fs = std::filesystem;

// Where the hostile listings' names would lead a download out of its folder ("../escaped.txt",
// "sub/../../escaped.txt", "/tmp/escaped-abs.txt", ...).
constexpr const char* absolute_escape = "/tmp/escaped-abs.txt";

// Generous: every wait of the program ends after its 5-second time-out, and one run makes a
// handful of waits at most.
constexpr Millis hostile_run_bound{90000};

int seed_count() {
    const char* text = std::getenv("VARNIX_HOSTILE_SEEDS");
    const int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : 5;
}

class HostileServer : public VarnixCli {
protected:
    // Starts the server with `seed`; its port, or 0.
    std::uint16_t start_server(int seed) {
        server = ChildProcess({"/usr/bin/python3", std::string(VARNIX_SOURCE_DIR) + "/tests/support/hostile_ftpd.py",
                               "--seed", std::to_string(seed)},
                              dir.path() / "hostile.log", true);
        const auto line = server.read_line(Millis{10000});
        if (!line || !line->starts_with("port ")) return 0;
        return static_cast<std::uint16_t>(std::atoi(line->c_str() + 5));
    }
    // A profile "hostile" for the server, with the shortest time-out.
    void write_hostile_profile(std::uint16_t port, bool passive) {
        std::ofstream(cwd() / "VARNIX.INI") << "[hostile]\nHOST=127.0.0.1\nUID=anna\nPWD="
                                            << scramble_secret("anna", "secret") << "\nPORT=" << port
                                            << "\nTIMEOUT=5\nPASVMODE=" << (passive ? 1 : 0) << "\n";
    }
    // Anything a run may have left where it must not write: outside the current folder.
    std::vector<std::string> escapes() const {
        std::vector<std::string> found;
        for (auto it = fs::recursive_directory_iterator(dir.path()); it != fs::recursive_directory_iterator(); ++it) {
            if (it->path() == cwd()) {
                it.disable_recursion_pending();
                continue;
            }
            if (it->path().filename().string().find("escaped") != std::string::npos) found.push_back(it->path().string());
        }
        if (!absolute_existed && fs::exists(absolute_escape)) found.push_back(absolute_escape);
        return found;
    }

    ChildProcess server;
    bool absolute_existed = fs::exists(absolute_escape);
};

TEST_F(HostileServer, EveryRunEndsByItselfWithAStatusAndWritesOnlyWhereAsked) {
    write_bytes(cwd() / "up.bin", binary_payload(200000, 7));
    const std::vector<std::vector<std::string>> jobs = {
        {"hostile:/pub/*.bin"},
        {"hostile:/pub/file.bin", "local:got.bin"},
        {"local:up.bin", "hostile:/pub/up.bin"},
        {"-resume", "hostile:/pub/file.bin", "local:got.bin"},
        {"hostile:/pub/*"},
    };
    std::vector<std::string> failures;
    int runs_done = 0;
    for (int seed = 1; seed <= seed_count(); ++seed) {
        const std::uint16_t port = start_server(seed);
        ASSERT_NE(port, 0) << read_text_file(dir.path() / "hostile.log");
        for (std::size_t job = 0; job < jobs.size(); ++job) {
            write_hostile_profile(port, (seed + static_cast<int>(job)) % 2 == 0);
            std::vector<std::string> args = jobs[job];
            args.push_back("-quiet");
            ChildProcess child = start(args);
            const auto started = Clock::now();
            const Outcome r = finish(child, hostile_run_bound);
            ++runs_done;
            if (std::getenv("VARNIX_HOSTILE_VERBOSE")) {
                std::fprintf(stderr, "seed %d job %zu: status %d in %lld ms\n%s\n", seed, job, r.status,
                             static_cast<long long>(std::chrono::duration_cast<Millis>(Clock::now() - started).count()),
                             r.err.substr(r.err.size() > 1500 ? r.err.size() - 1500 : 0).c_str());
            }
            const std::string where = "seed " + std::to_string(seed) + ", job " + std::to_string(job);
            if (r.signal != 0) {
                failures.push_back(where + ": ended by signal " + std::to_string(r.signal) + "\n" + r.err);
            } else if (r.status != 0 && r.status != 1) {
                failures.push_back(where + ": status " + std::to_string(r.status) +
                                   (r.status == -1 ? " (did not end in time)" : "") + "\n" + r.err);
            }
        }
        server.stop();
        for (const std::string& escaped : escapes()) failures.push_back("seed " + std::to_string(seed) + ": wrote " + escaped);
    }
    EXPECT_EQ(runs_done, seed_count() * static_cast<int>(jobs.size()));
    EXPECT_THAT(failures, ::testing::IsEmpty());
    EXPECT_TRUE(temp_folder_empty());
}

}  // namespace
}  // namespace varnix::test
