// build/bin/varnix as a user runs it from a terminal without a display, against pyftpdlib:
// what it moves, what it prints on standard output and error, and its exit status.
#include <gmock/gmock.h>

#include <sys/wait.h>

#include "batch/batch_fixture.h"
#include "config/scramble.h"
#include "support/child_process.h"
#include "support/pyftpd.h"

namespace varnix::test {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

constexpr Millis run_bound{20000};

struct Outcome {
    int status = -1;  // exit status; -1 when the program did not exit normally in time
    std::vector<std::string> out;
    std::string err;
};

class VarnixCli : public ::testing::Test {
protected:
    VarnixCli() {
        fs::create_directories(cwd());
        fs::create_directories(tmp());
        fs::create_directories(config_home());
    }
    void SetUp() override { ASSERT_TRUE(ftpd.running()) << ftpd.error(); }

    // Runs the program in cwd() with its own configuration folder and temporary folder and
    // no display.
    Outcome run(const std::vector<std::string>& args) {
        std::vector<std::string> argv{"env",         "-u",       "DISPLAY", "-u", "WAYLAND_DISPLAY",
                                      "-C",          cwd().string(),
                                      "XDG_CONFIG_HOME=" + config_home().string(),
                                      "HOME=" + dir.path().string(), "TMPDIR=" + tmp().string(),
                                      VARNIX_BIN};
        argv.insert(argv.end(), args.begin(), args.end());
        const fs::path err_log = dir.path() / ("stderr" + std::to_string(++runs) + ".txt");
        ChildProcess child(argv, err_log, true);
        Outcome result;
        const auto deadline = Clock::now() + run_bound;
        while (Clock::now() < deadline) {
            auto line = child.read_line(std::chrono::duration_cast<Millis>(deadline - Clock::now()));
            if (!line) break;
            result.out.push_back(*line);
        }
        const auto status = child.wait_exit(std::chrono::duration_cast<Millis>(deadline - Clock::now()) + Millis{1});
        if (status && WIFEXITED(*status)) result.status = WEXITSTATUS(*status);
        child.stop();
        result.err = read_text_file(err_log);
        return result;
    }
    [[nodiscard]] std::string url(const std::string& path) const {
        return "ftp://127.0.0.1:" + std::to_string(ftpd.port()) + path;
    }
    [[nodiscard]] fs::path cwd() const { return dir.path() / "cwd"; }
    [[nodiscard]] fs::path tmp() const { return dir.path() / "tmp"; }
    [[nodiscard]] fs::path config_home() const { return dir.path() / "config"; }
    // A profile for anna in the configuration file the program finds first.
    void write_profile(const std::string& name, const std::string& password) {
        std::ofstream(cwd() / "VARNIX.INI")
            << "[" << name << "]\nHOST=127.0.0.1\nUID=anna\nPWD=" << scramble_secret("anna", password)
            << "\nPORT=" << ftpd.port() << "\n";
    }
    [[nodiscard]] bool temp_folder_empty() const { return fs::is_empty(tmp()); }

    static PyFtpdOptions server_options() {
        PyFtpdOptions options;
        options.anonymous = true;
        return options;
    }

    TempDir dir;
    PyFtpd ftpd{server_options()};
    int runs = 0;
};

TEST_F(VarnixCli, DownloadsToTheCurrentDirectoryAndExitsWithZero) {
    const std::string bytes = binary_payload(500000, 11);
    write_bytes(ftpd.home() / "pub" / "a.zip", bytes);
    const Outcome r = run({url("/pub/a.zip")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_bytes(cwd() / "a.zip"), bytes);
    EXPECT_THAT(r.err, HasSubstr("receiving /pub/a.zip from 127.0.0.1 as a.zip"));
    EXPECT_THAT(r.err, HasSubstr("successful transfer"));
    EXPECT_THAT(read_bytes(cwd() / "xferlog.txt"), HasSubstr("successful transfer"));
    EXPECT_TRUE(temp_folder_empty());
}

TEST_F(VarnixCli, UploadsThroughAProfileAndWildcardsBothWays) {
    write_profile("lab", "secret");
    fs::create_directories(ftpd.home() / "incoming");
    const std::string up = binary_payload(120000, 12);
    write_bytes(dir.path() / "x.bin", up);
    Outcome r = run({"-s", "local:" + (dir.path() / "x.bin").string(), "-d", "lab:/incoming/"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_bytes(ftpd.home() / "incoming" / "x.bin"), up);

    write_bytes(dir.path() / "out" / "one.dat", binary_payload(3000, 13));
    write_bytes(dir.path() / "out" / "two.dat", binary_payload(4000, 14));
    r = run({"local:" + (dir.path() / "out").string() + "/*.dat", "lab:/incoming/"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_bytes(ftpd.home() / "incoming" / "one.dat"), binary_payload(3000, 13));
    EXPECT_EQ(read_bytes(ftpd.home() / "incoming" / "two.dat"), binary_payload(4000, 14));

    fs::create_directories(dir.path() / "in");
    r = run({"lab:/incoming/*.dat", "local:" + (dir.path() / "in").string() + "/"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_bytes(dir.path() / "in" / "one.dat"), binary_payload(3000, 13));
    EXPECT_EQ(read_bytes(dir.path() / "in" / "two.dat"), binary_payload(4000, 14));
    EXPECT_FALSE(fs::exists(dir.path() / "in" / "x.bin"));
    EXPECT_TRUE(temp_folder_empty());
}

TEST_F(VarnixCli, WrongPasswordFailsWithTheTextOnStandardError) {
    write_profile("lab", "wrong");
    const Outcome r = run({"lab:/pub/a.zip", "local:" + (dir.path() / "a.zip").string()});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.status, -1) << "the program did not end in time";
    EXPECT_THAT(r.err, HasSubstr("Connect failed to 127.0.0.1"));
    EXPECT_THAT(r.err, HasSubstr("530"));
    EXPECT_FALSE(fs::exists(dir.path() / "a.zip"));
}

TEST_F(VarnixCli, BatchFileWithAFailingJobGivesNonZero) {
    write_bytes(ftpd.home() / "pub" / "1.bin", binary_payload(9000, 15));
    write_bytes(ftpd.home() / "pub" / "2.bin", binary_payload(8000, 16));
    write_bytes(dir.path() / "jobs.txt", url("/pub/1.bin") + "\n\n" + url("/pub/2.bin") + " local:two.bin\n");
    Outcome r = run({"-m", (dir.path() / "jobs.txt").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_bytes(cwd() / "1.bin"), binary_payload(9000, 15));
    EXPECT_EQ(read_bytes(cwd() / "two.bin"), binary_payload(8000, 16));

    write_bytes(dir.path() / "jobs.txt", url("/pub/1.bin") + "\n" + url("/pub/missing.bin") + "\n");
    r = run({"-m", (dir.path() / "jobs.txt").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("Transfer failed for /pub/missing.bin from 127.0.0.1"));
}

TEST_F(VarnixCli, AsciiDownloadEndsLinesWithLf) {
    write_bytes(ftpd.home() / "pub" / "t.txt", "one\r\ntwo\r\n");
    const Outcome r = run({url("/pub/t.txt"), "local:t.txt", "-ascii"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_bytes(cwd() / "t.txt"), "one\ntwo\n");
}

TEST_F(VarnixCli, MissingBatchFileOrServerFails) {
    Outcome r = run({"-m", (dir.path() / "no-such-jobs.txt").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("no-such-jobs.txt"));
    // A port nobody listens on (the server's own port after it stopped is not reliable).
    r = run({"ftp://127.0.0.1:1/pub/a.zip"});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("Connect failed to 127.0.0.1"));
}

TEST_F(VarnixCli, HelpPrintsTheUsageAndExitsWithZero) {
    for (const char* option : {"--help", "-h"}) {
        const Outcome r = run({option});
        EXPECT_EQ(r.status, 0) << option;
        ASSERT_FALSE(r.out.empty()) << option;
        EXPECT_EQ(r.out[0], "Syntax: VARNIX host:full_path [local:full_path] [-ascii]");
        EXPECT_THAT(r.out, Contains(HasSubstr("ftp://host[:port]/path")));
    }
}

TEST_F(VarnixCli, UnknownOptionTransfersNothing) {
    write_bytes(ftpd.home() / "pub" / "a.zip", "a");
    const Outcome r = run({"-x", url("/pub/a.zip")});
    EXPECT_NE(r.status, 0);
    EXPECT_THAT(r.err, HasSubstr("Unknown arguments -x " + url("/pub/a.zip")));
    EXPECT_THAT(r.err, Not(HasSubstr("receiving")));
    EXPECT_FALSE(fs::exists(cwd() / "a.zip"));
}

TEST_F(VarnixCli, DirectorySourcePrintsItsEntries) {
    write_bytes(ftpd.home() / "pub" / "a.zip", "a");
    write_bytes(ftpd.home() / "pub" / "notes.txt", "n");
    fs::create_directories(ftpd.home() / "pub" / "sub");
    const Outcome r = run({url("/pub/")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, Contains(StartsWith("..")));
    EXPECT_THAT(r.out, Contains(StartsWith("sub")));
    EXPECT_THAT(r.out, Contains(AllOf(StartsWith("a.zip"), HasSubstr("| "))));
    EXPECT_THAT(r.out, Contains(StartsWith("notes.txt")));
    EXPECT_TRUE(temp_folder_empty());
}

}  // namespace
}  // namespace varnix::test
