// build/bin/varnix as a user runs it from a terminal without a display, against pyftpdlib:
// what it moves, what it prints on standard output and error, and its exit status.
#include <gmock/gmock.h>

#include "batch/varnix_cli_fixture.h"

namespace varnix::test {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

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
