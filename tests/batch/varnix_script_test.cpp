// build/bin/varnix as a script runs it: --version, options only as whole words, the exit
// status of a batch file, ~/.netrc, -resume, and SIGINT/SIGTERM during a download.
#include <gmock/gmock.h>

#include <csignal>
#include <random>
#include <thread>
#include <sys/stat.h>

#include "batch/varnix_cli_fixture.h"

namespace varnix::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Not;

// pyftpdlib's throttle sends a burst (two seconds' worth) at once and then pauses about two
// seconds: a run of the program that is stopped right after its first burst leaves the file
// unfinished as long as it holds more bursts than there are runs.
constexpr std::uint32_t throttle_rate = 256 * 1024;  // bytes per second
constexpr std::size_t burst = 2 * throttle_rate;

// How often `text` occurs in `log` (the program echoes every command it sends).
long occurrences(const std::string& log, const std::string& text) {
    long count = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
        ++count;
    return count;
}

using VarnixScript = VarnixCli;

TEST_F(VarnixScript, VersionIsPrinted) {
    const Outcome r = run({"--version"});
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.out.size(), 1u);
    EXPECT_THAT(r.out[0], MatchesRegex("varnix [0-9]+\\.[0-9]+.*"));
}

TEST_F(VarnixScript, FlagWordsInsideAPathAreNoFlags) {
    const std::string bytes = "line\r\n" + binary_payload(5000, 3);
    write_bytes(ftpd.home() / "pub" / "my-ascii-notes.txt", bytes);
    write_bytes(ftpd.home() / "pub" / "be-quiet-resume.bin", bytes);
    Outcome r = run({url("/pub/my-ascii-notes.txt"), "local:notes.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_bytes(cwd() / "notes.txt"), bytes) << "fetched in binary, by its own name";
    r = run({url("/pub/be-quiet-resume.bin")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_bytes(cwd() / "be-quiet-resume.bin"), bytes);
    // The same words standing alone are flags.
    write_bytes(ftpd.home() / "pub" / "t.txt", "a\r\nb\r\n");
    r = run({url("/pub/t.txt"), "-quiet", "local:t.txt", "-ascii"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_bytes(cwd() / "t.txt"), "a\nb\n");
}

TEST_F(VarnixScript, BatchFileFailsWhenAnyJobFailedEvenBeforeADirectory) {
    write_bytes(ftpd.home() / "pub" / "a.bin", "a");
    write_bytes(dir.path() / "jobs.txt", url("/pub/missing.bin") + "\n" + url("/pub/") + "\n");
    const Outcome r = run({"-m", (dir.path() / "jobs.txt").string()});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_THAT(r.err, HasSubstr("Transfer failed for /pub/missing.bin"));
}

TEST_F(VarnixScript, NetrcGivesTheLogonOfAHostWithoutProfile) {
    // Only anna may write; the anonymous account is read-only.
    fs::create_directories(ftpd.home() / "incoming");
    write_bytes(dir.path() / "up.bin", "upload");
    const fs::path netrc = home() / ".netrc";
    write_bytes(netrc, "machine 127.0.0.1\n  login anna\n  password secret\n");
    ASSERT_EQ(::chmod(netrc.c_str(), 0600), 0);
    Outcome r = run({"local:" + (dir.path() / "up.bin").string(), url("/incoming/")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_bytes(ftpd.home() / "incoming" / "up.bin"), "upload");
    EXPECT_THAT(r.err, HasSubstr("USER anna"));

    // -u and -w come first.
    r = run({"-u", "nobody", "-w", "x", "local:" + (dir.path() / "up.bin").string(), url("/incoming/")});
    EXPECT_NE(r.status, 0);
    EXPECT_THAT(r.err, HasSubstr("USER nobody"));

    // A file that others can read is not used: the logon is anonymous and the upload refused.
    ASSERT_EQ(::chmod(netrc.c_str(), 0644), 0);
    fs::remove(ftpd.home() / "incoming" / "up.bin");
    r = run({"local:" + (dir.path() / "up.bin").string(), url("/incoming/")});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_THAT(r.err, HasSubstr("others can read"));
    EXPECT_THAT(r.err, HasSubstr("USER anonymous"));
    EXPECT_FALSE(fs::exists(ftpd.home() / "incoming" / "up.bin"));
}

TEST_F(VarnixScript, ResumeContinuesAPartialFileAndLeavesACompleteOneAlone) {
    const std::string bytes = binary_payload(300000, 4);
    write_bytes(ftpd.home() / "pub" / "big.bin", bytes);
    write_bytes(cwd() / "big.bin", bytes.substr(0, 123457));
    // RECU would number a new file beside the partial one; -resume keeps the name.
    write_bytes(cwd() / "VARNIX.INI", "[_config_]\nRECU=1\n");
    Outcome r = run({"-resume", url("/pub/big.bin")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_bytes(cwd() / "big.bin"), bytes);
    EXPECT_EQ(occurrences(r.err, "REST 123457"), 1) << r.err;
    EXPECT_FALSE(fs::exists(cwd() / "big.bin.1"));

    r = run({url("/pub/big.bin"), "local:big.bin", "-resume"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr("big.bin is complete (300000 bytes)"));
    EXPECT_EQ(occurrences(r.err, "RETR "), 0) << "nothing fetched again";

    // ASCII offsets do not match the server's: refused, the partial file untouched.
    write_bytes(cwd() / "t.txt", "a\n");
    write_bytes(ftpd.home() / "pub" / "t.txt", "a\r\nb\r\n");
    r = run({"-resume", "-ascii", url("/pub/t.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("-resume needs a binary transfer"));
    EXPECT_EQ(read_bytes(cwd() / "t.txt"), "a\n");

    // Without -resume a download starts from the beginning, as before.
    write_bytes(cwd() / "VARNIX.INI", "[_config_]\n");
    write_bytes(cwd() / "big.bin", "stale bytes");
    r = run({url("/pub/big.bin")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_bytes(cwd() / "big.bin"), bytes);
}

class ThrottledVarnix : public VarnixCli {
protected:
    ThrottledVarnix() : VarnixCli(throttled()) {}
    static PyFtpdOptions throttled() {
        PyFtpdOptions options = server_options();
        options.send_limit = throttle_rate;
        return options;
    }
    // Waits (bounded) until the download has written more than `bytes` to `path`.
    static bool wait_for_growth(const fs::path& path, std::uintmax_t bytes, Millis bound) {
        const auto deadline = Clock::now() + bound;
        while (Clock::now() < deadline) {
            std::error_code ec;
            const auto size = fs::file_size(path, ec);
            if (!ec && size > bytes) return true;
            std::this_thread::sleep_for(Millis{10});
        }
        return false;
    }
    static std::uintmax_t size_of(const fs::path& path) {
        std::error_code ec;
        const auto size = fs::file_size(path, ec);
        return ec ? 0 : size;
    }
};

TEST_F(ThrottledVarnix, TenKillsAndResumesGiveTheSameBytes) {
    const std::size_t big_size = 12 * burst + 3;
    const std::string bytes = binary_payload(big_size, 5);
    write_bytes(ftpd.home() / "pub" / "big.bin", bytes);
    const fs::path local = cwd() / "big.bin";
    std::random_device seed_source;
    const unsigned seed = seed_source();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pause_ms(0, 150);
    for (int kill = 0; kill < 10; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill + 1));
        const std::uintmax_t before = size_of(local);
        ChildProcess child = start({"-resume", url("/pub/big.bin")});
        ASSERT_TRUE(wait_for_growth(local, before, Millis{10000})) << read_text_file(err_log());
        std::this_thread::sleep_for(Millis{pause_ms(random)});
        ASSERT_EQ(::kill(child.pid(), SIGKILL), 0);
        const Outcome r = finish(child, Millis{5000});
        EXPECT_EQ(r.signal, SIGKILL);
        ASSERT_LT(size_of(local), big_size) << "the download ended before the kill";
    }
    const Outcome r = run({"-resume", url("/pub/big.bin")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(read_bytes(local) == bytes) << "the resumed file differs from the server's";
}

TEST_F(ThrottledVarnix, InterruptAndTerminateKeepThePartialFileAndExit130Or143) {
    const std::size_t big_size = 3 * burst + 3;
    const std::string bytes = binary_payload(big_size, 6);
    write_bytes(ftpd.home() / "pub" / "big.bin", bytes);
    const fs::path local = cwd() / "big.bin";
    for (const auto& [signal, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
        SCOPED_TRACE(signal);
        const std::uintmax_t before = size_of(local);
        ChildProcess child = start({"-resume", url("/pub/big.bin")});
        ASSERT_TRUE(wait_for_growth(local, before, Millis{10000})) << read_text_file(err_log());
        ASSERT_EQ(::kill(child.pid(), signal), 0);
        const Outcome r = finish(child, Millis{10000});
        EXPECT_THAT(r.err, HasSubstr("ABOR"));
        EXPECT_EQ(r.status, status) << r.err;
        const std::uintmax_t kept = size_of(local);
        EXPECT_LT(kept, big_size);
        EXPECT_THAT(r.err, HasSubstr(std::to_string(kept) + " bytes of " + std::to_string(big_size) +
                                     " kept in big.bin; run again with -resume"));
        EXPECT_THAT(r.err, Not(HasSubstr("successful transfer")));
        EXPECT_TRUE(read_bytes(local) == bytes.substr(0, kept));
    }
    EXPECT_GE(occurrences(ftpd.log_text(), "ABOR"), 2) << ftpd.log_text();
    const Outcome r = run({"-resume", url("/pub/big.bin")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(read_bytes(local) == bytes);
}

}  // namespace
}  // namespace varnix::test
