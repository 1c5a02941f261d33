// The command line: the option table (with the -ask prompt and the reload of the stored
// settings), the split into two words, the address forms and file_part.
#include <gmock/gmock.h>

#include <csignal>

#include "batch/batch.h"
#include "batch/batch_fixture.h"
#include "batch/command_line.h"
#include "net/logon.h"
#include "config/config_file.h"

namespace varnix::test {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Optional;
using ::testing::SizeIs;

using CommandLine = BatchTest;

TEST_F(CommandLine, EveryOptionWithAValueAndTheRestAfterThem) {
    const auto rest = parse_options(ctx, "-u bob -w pw -c acct -s src:/a -d local:/b -b -q  one two");
    EXPECT_THAT(rest, Optional(std::string("one two")));
    EXPECT_EQ(ctx.batch.user, "bob");
    EXPECT_EQ(ctx.batch.password, "pw");
    EXPECT_EQ(ctx.batch.account, "acct");
    EXPECT_EQ(ctx.session.user, "bob");
    EXPECT_EQ(ctx.batch.source, "src:/a");
    EXPECT_EQ(ctx.batch.destination, "local:/b");
    EXPECT_EQ(ctx.options.mode, 'I');
    EXPECT_TRUE(ctx.batch.quiet);
    EXPECT_TRUE(ctx.messages.batch());
    EXPECT_THAT(boxes.shown(), IsEmpty());
}

TEST_F(CommandLine, BatchFileSetsTheBatchFlagAndWordsAreNotOptions) {
    EXPECT_FALSE(ctx.messages.batch());
    EXPECT_THAT(parse_options(ctx, "-m jobs.txt host:/x"), Optional(std::string("host:/x")));
    EXPECT_EQ(ctx.batch.batch_file, "jobs.txt");
    EXPECT_TRUE(ctx.messages.batch());
    // Options count only at the start: a later "-b" is part of the rest.
    EXPECT_THAT(parse_options(ctx, "host:/x -b"), Optional(std::string("host:/x -b")));
    EXPECT_EQ(ctx.options.mode, 'I');
}

TEST_F(CommandLine, AsciiIsKnownByItsFirstTwoCharacters) {
    for (const char* word : {"-a", "-asc", "-abc", "-ascii"}) {
        ctx.options.mode = 'I';
        EXPECT_THAT(parse_options(ctx, std::string(word) + " h:/f"), Optional(std::string("h:/f"))) << word;
        EXPECT_EQ(ctx.options.mode, 'A') << word;
    }
    EXPECT_THAT(prompter.requests(), IsEmpty());
}

TEST_F(CommandLine, AKAfterTheAsciiWordIsNoPrompt) {
    // The fourth character that turns -a into -ask must belong to the option's own word.
    EXPECT_THAT(parse_options(ctx, "-a ksrv:/f.txt"), Optional(std::string("ksrv:/f.txt")));
    EXPECT_EQ(ctx.options.mode, 'A');
    EXPECT_THAT(prompter.requests(), IsEmpty());
}

TEST_F(CommandLine, AskReplacesTheRestWithTheTypedLineAndReadsItsOptions) {
    prompter.push_answer("-b -u eve srv:/typed.zip local:/tmp/");
    const auto rest = parse_options(ctx, "-ask -u ignored never:/seen");
    ASSERT_THAT(prompter.requests(), SizeIs(1));
    EXPECT_EQ(prompter.requests()[0].prompt, "Enter command line:");
    EXPECT_EQ(prompter.requests()[0].help_context, 360) << "its Help button opens the manual's section";
    EXPECT_THAT(rest, Optional(std::string("srv:/typed.zip local:/tmp/")));
    EXPECT_EQ(ctx.options.mode, 'I');
    EXPECT_EQ(ctx.batch.user, "eve");
}

TEST_F(CommandLine, CancelledAskSkipsOnlyTheOptionWord) {
    prompter.push_answer(std::nullopt);
    EXPECT_THAT(parse_options(ctx, "-ask -u ann srv:/a"), Optional(std::string("srv:/a")));
    EXPECT_EQ(ctx.batch.user, "ann");
}

TEST_F(CommandLine, UnknownOptionShowsTheRestAndGivesNothing) {
    EXPECT_EQ(parse_options(ctx, "-b -x srv:/a.zip"), std::nullopt);
    ASSERT_THAT(boxes.shown(), SizeIs(1));
    EXPECT_EQ(boxes.shown()[0].text, "Unknown arguments -x srv:/a.zip");
    EXPECT_EQ(boxes.shown()[0].caption, program_title);
    EXPECT_EQ(boxes.shown()[0].style & mb::icon_stop, mb::icon_stop);
    // A lone "-" is no option either.
    EXPECT_EQ(parse_options(ctx, "- srv:/a"), std::nullopt);
}

TEST_F(CommandLine, OptionWithoutValueAtTheEndGivesAnEmptyValue) {
    EXPECT_THAT(parse_options(ctx, "-u"), Optional(std::string()));
    EXPECT_EQ(ctx.batch.user, "");
    EXPECT_THAT(parse_options(ctx, "-s   "), Optional(std::string()));
    EXPECT_EQ(ctx.batch.source, "");
}

TEST_F(CommandLine, EachCallStartsFromTheStoredSettings) {
    write_config("[_config_]\nMAILADDR=me@example.org\nSESSION=work\n"
                 "[work]\nHOST=files.example\nUID=keeper\n");
    EXPECT_THAT(parse_options(ctx, "-u one x"), Optional(std::string("x")));
    EXPECT_EQ(ctx.settings.mail_address, "me@example.org");
    EXPECT_EQ(ctx.session.name, "work");
    EXPECT_EQ(ctx.session.host, "files.example");
    EXPECT_EQ(ctx.session.user, "one");
    // The -u of one line is not carried to the next.
    EXPECT_THAT(parse_options(ctx, "y"), Optional(std::string("y")));
    EXPECT_EQ(ctx.batch.user, "");
    EXPECT_EQ(ctx.session.user, "keeper");
}

TEST_F(CommandLine, ProfileAndConfigurationFileOptions) {
    const std::string other = (work() / "other.ini").string();
    std::ofstream(other) << "[_config_]\nMAILADDR=other@example.org\n[lab]\nHOST=lab.example\nUID=lab\n";
    EXPECT_THAT(parse_options(ctx, "-i " + other + " -p lab z"), Optional(std::string("z")));
    EXPECT_EQ(ctx.config_path, other);
    EXPECT_EQ(ctx.settings.mail_address, "other@example.org");
    EXPECT_EQ(ctx.session.name, "lab");
    EXPECT_EQ(ctx.session.host, "lab.example");
    EXPECT_EQ(ctx.session.timeout, 65);
}

TEST(SplitCommandWords, WordsBlanksTabsAndQuotes) {
    std::string first, second;
    EXPECT_EQ(split_command_words("", first, second), 0);
    EXPECT_EQ(split_command_words(" \t  ", first, second), 0);
    EXPECT_EQ(split_command_words("  one", first, second), 1);
    EXPECT_EQ(first, "one");
    EXPECT_EQ(second, "");
    EXPECT_EQ(split_command_words(" \tone  two three", first, second), 2);
    EXPECT_EQ(first, "one");
    EXPECT_EQ(second, "two");
    // A tab inside a word does not end it.
    EXPECT_EQ(split_command_words("a\tb c", first, second), 2);
    EXPECT_EQ(first, "a\tb");
    EXPECT_EQ(second, "c");
    EXPECT_EQ(split_command_words("\"my file.txt\" \"your file.txt\"", first, second), 2);
    EXPECT_EQ(first, "my file.txt");
    EXPECT_EQ(second, "your file.txt");
    // Two quoted runs in one word are joined, with the unquoted characters between.
    EXPECT_EQ(split_command_words("local:\"/a b\"/\"c d\" x", first, second), 2);
    EXPECT_EQ(first, "local:/a b/c d");
    // An unclosed quote runs to the end of the text.
    EXPECT_EQ(split_command_words("\"open quote  here", first, second), 1);
    EXPECT_EQ(first, "open quote  here");
    EXPECT_EQ(split_command_words("\"\" x", first, second), 2);
    EXPECT_EQ(first, "");
    EXPECT_EQ(second, "x");
}

struct AddressRow {
    const char* word;
    AddressKind kind;
    const char* host;
    const char* path;
    int port;
};

TEST(ParseTransferAddress, EveryForm) {
    const AddressRow rows[] = {
        {"", AddressKind::None, "", "", 0},
        {"local:/tmp/a.zip", AddressKind::Local, "", "/tmp/a.zip", 0},
        {"LOCAL:c:/tmp/a.zip", AddressKind::Local, "", "c:/tmp/a.zip", 0},
        {"local:", AddressKind::Local, "", "", 0},
        {"a.zip", AddressKind::Local, "", "a.zip", 0},
        {"/tmp/a.zip", AddressKind::Local, "", "/tmp/a.zip", 0},
        {"myprofile:/pub/a.zip", AddressKind::Remote, "myprofile", "/pub/a.zip", 0},
        {"server:::/dir/f", AddressKind::Remote, "server", "/dir/f", 0},
        {"c:/tmp/a.zip", AddressKind::Remote, "c", "/tmp/a.zip", 0},
        {"ftp://server/pub/a.zip", AddressKind::Remote, "server", "/pub/a.zip", 0},
        {"FTP://server/pub/", AddressKind::Remote, "server", "/pub/", 0},
        {"//server/pub/a.zip", AddressKind::Remote, "server", "/pub/a.zip", 0},
        {"ftp:////server/x", AddressKind::Remote, "server", "/x", 0},
        {"ftp://server", AddressKind::Remote, "server", "", 0},
        {"ftp:server:/x", AddressKind::Remote, "server", "/x", 0},
        {"file://h/p", AddressKind::Remote, "h", "/p", 0},
        {"ftp:file:h:p", AddressKind::Remote, "h", "p", 0},
        {"ftp://127.0.0.1:2121/pub/a.zip", AddressKind::Remote, "127.0.0.1", "/pub/a.zip", 2121},
        {"ftp://host:21/", AddressKind::Remote, "host", "/", 21},
        // A colon in the path of the URL form belongs to the path.
        {"ftp://server/pub/a:b", AddressKind::Remote, "server", "/pub/a:b", 0},
        // Ports that are no ports stay part of the host (the logon then fails to find it).
        {"ftp://host:99999/x", AddressKind::Remote, "host:99999", "/x", 0},
        {"ftp://host:0/x", AddressKind::Remote, "host:0", "/x", 0},
        {"ftp://host:2a/x", AddressKind::Remote, "host:2a", "/x", 0},
        {"ftp://host:/x", AddressKind::Remote, "host:", "/x", 0},
        // IPv6 literals in brackets: the colons inside are the address's own.
        {"ftp://[::1]:2121/pub/a.zip", AddressKind::Remote, "::1", "/pub/a.zip", 2121},
        {"ftp://[fe80::1:2]/x", AddressKind::Remote, "fe80::1:2", "/x", 0},
        {"[::1]:/pub/a:b", AddressKind::Remote, "::1", "/pub/a:b", 0},
        {"[2001:db8::7]::/x", AddressKind::Remote, "2001:db8::7", "/x", 0},
        {"ftp://[::1]:99999/x", AddressKind::Remote, "[::1]:99999", "/x", 0},
        {"ftp://[::1]x/y", AddressKind::Remote, "[::1]x", "/y", 0},
        {"ftp://[::1/x", AddressKind::Remote, "[::1", "/x", 0},
    };
    for (const AddressRow& row : rows) {
        const TransferAddress a = parse_transfer_address(row.word);
        EXPECT_EQ(a.kind, row.kind) << row.word;
        EXPECT_EQ(a.host, row.host) << row.word;
        EXPECT_EQ(a.path, row.path) << row.word;
        EXPECT_EQ(a.port, row.port) << row.word;
    }
}

TEST(FilePart, LastBackslashWinsOverSlash) {
    EXPECT_EQ(file_part("/pub/a.zip"), "a.zip");
    EXPECT_EQ(file_part("c:\\in\\a.zip"), "a.zip");
    EXPECT_EQ(file_part("a\\b/c"), "b/c");
    EXPECT_EQ(file_part("plain"), "plain");
    EXPECT_EQ(file_part("/pub/"), "");
    EXPECT_EQ(file_part(""), "");
}

TEST(HelpText, StartsWithTheUsageAndNamesThePortForm) {
    const std::string help = help_text();
    EXPECT_EQ(help.rfind(usage_text, 0), 0u);
    EXPECT_THAT(help, HasSubstr("ftp://host[:port]/path"));
    EXPECT_THAT(help, HasSubstr("-m FILE"));
    EXPECT_EQ(std::string(usage_text),
              "Syntax: VARNIX host:full_path [local:full_path] [-ascii]\n"
              "        VARNIX local:full_path host:full_path [-ascii]");
}

TEST_F(CommandLine, UnknownOptionInABatchLineRunsNoTransfer) {
    const auto jobs = work() / "jobs.txt";
    std::ofstream(jobs) << "-x ftp://127.0.0.1:1/pub/a.zip\n";
    ASSERT_TRUE(parse_options(ctx, "-m " + jobs.string()));
    EXPECT_EQ(run_batch(ctx, ""), BatchResult::Failed);
    ASSERT_THAT(boxes.shown(), SizeIs(1));
    EXPECT_EQ(boxes.shown()[0].text, "Unknown arguments -x ftp://127.0.0.1:1/pub/a.zip");
    EXPECT_FALSE(view.contains("receiving"));
    EXPECT_EQ(ctx.batch_failures, 1);
}

TEST(ExitStatus, WhatAScriptReadsForEachWayARunEnds) {
    EXPECT_EQ(exit_status(run_end(0, 0)), 0);
    EXPECT_EQ(exit_status(run_end(3, 0)), 1);
    EXPECT_EQ(exit_status(RunEnd::BadCommandLine), 2);
    // A stop signal outweighs failed jobs, so a script can tell Ctrl+C from a failure.
    EXPECT_EQ(exit_status(run_end(2, SIGINT), SIGINT), 130);
    EXPECT_EQ(exit_status(run_end(0, SIGTERM), SIGTERM), 143);
}

}  // namespace
}  // namespace varnix::test

namespace varnix::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Optional;
using ::testing::SizeIs;
using CommandLine = BatchTest;

TEST(ParseTransferAddress, FtpsIsImplicitTlsAndNothingElseIs) {
    const TransferAddress tls = parse_transfer_address("ftps://127.0.0.1:2990/pub/a.zip");
    EXPECT_EQ(tls.kind, AddressKind::Remote);
    EXPECT_EQ(tls.host, "127.0.0.1");
    EXPECT_EQ(tls.path, "/pub/a.zip");
    EXPECT_EQ(tls.port, 2990);
    EXPECT_TRUE(tls.implicit_tls);
    const TransferAddress upper = parse_transfer_address("FTPS://host/x");
    EXPECT_TRUE(upper.implicit_tls);
    EXPECT_EQ(upper.host, "host");
    EXPECT_EQ(upper.port, 0);
    for (const char* word : {"ftp://host/x", "host:/x", "ftps:/x", "ftpsite:/x", "local:ftps://h/x"}) {
        EXPECT_FALSE(parse_transfer_address(word).implicit_tls) << word;
    }
    // "ftps:/x" without the slashes is the host "ftps" as ever.
    EXPECT_EQ(parse_transfer_address("ftps:/x").host, "ftps");
}

TEST_F(CommandLine, TlsAndTrustOptionsAreWholeWordsAndTrustTakesAFingerprint) {
    const std::string bare = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";
    const auto rest = parse_options(ctx, "-tls -trust " + bare + " -b h:/a local:/b");
    EXPECT_THAT(rest, Optional(std::string("h:/a local:/b")));
    EXPECT_TRUE(ctx.batch.require_tls);
    ASSERT_THAT(ctx.batch.trusted_fingerprints, SizeIs(1));
    EXPECT_EQ(ctx.batch.trusted_fingerprints[0],
              "SHA256:00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF");

    // Each command line starts without them.
    EXPECT_THAT(parse_options(ctx, "h:/a"), Optional(std::string("h:/a")));
    EXPECT_FALSE(ctx.batch.require_tls);
    EXPECT_TRUE(ctx.batch.trusted_fingerprints.empty());

    EXPECT_EQ(parse_options(ctx, "-trust SHA256:12:34 h:/a"), std::nullopt);
    ASSERT_THAT(boxes.shown(), SizeIs(1));
    EXPECT_THAT(boxes.shown()[0].text, HasSubstr("not a SHA-256 fingerprint"));
    EXPECT_EQ(parse_options(ctx, "-tlsx h:/a"), std::nullopt);
    EXPECT_EQ(parse_options(ctx, "-t h:/a"), std::nullopt);
}

TEST(HelpText, NamesTheTlsFormsAndOptions) {
    const std::string help = help_text();
    EXPECT_THAT(help, HasSubstr("ftps://host[:port]/path"));
    EXPECT_THAT(help, HasSubstr("-tls"));
    EXPECT_THAT(help, HasSubstr("-trust SHA256:"));
}

}  // namespace
}  // namespace varnix::test
