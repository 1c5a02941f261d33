// The transfer log line format and when a line is appended.
#include "transfer/transfer_log.h"

#include <unistd.h>

#include "transfer/naming_fixture.h"

namespace varnix::testing {
namespace {

std::tm at(int year, int month, int day, int hour, int minute) {
    std::tm when {};
    when.tm_year = year - 1900;
    when.tm_mon = month - 1;
    when.tm_mday = day;
    when.tm_hour = hour;
    when.tm_min = minute;
    return when;
}

TEST(TransferLogLine, FieldsInTheLogOrder) {
    const TransferLogLine upload{TransferDirection::Upload, TransferMode::Binary, "readme.txt",
                                 "server", "/pub", "readme.txt"};
    EXPECT_EQ(format_transfer_log_line(at(1997, 3, 5, 14, 7), "/data", upload),
              "97.03.05 14:07 B /data/readme.txt --> server /pub readme.txt\n");

    const TransferLogLine download{TransferDirection::Download, TransferMode::Ascii, "notes",
                                   "my profile", "/home/u", "NOTES.TXT;1"};
    EXPECT_EQ(format_transfer_log_line(at(2000, 12, 31, 0, 59), "/", download),
              "100.12.31 00:59 A /notes <-- my profile /home/u NOTES.TXT;1\n");
}

TEST(TransferLogLine, TypeLetterAndPaths) {
    TransferLogLine line{TransferDirection::Download, TransferMode::Local8, "/abs/file.bin",
                         "p", "/", "file.bin"};
    // L 8 logs as binary; a local name that is already absolute is not joined again.
    EXPECT_EQ(format_transfer_log_line(at(2024, 1, 2, 3, 4), "/cwd", line),
              "124.01.02 03:04 B /abs/file.bin <-- p / file.bin\n");
}

TEST(TransferLogLine, ControlBytesCannotForgeALine) {
    const TransferLogLine line{TransferDirection::Download, TransferMode::Binary, "x",
                               "p", "/d", "evil\n97.01.01 00:00 B /etc/passwd"};
    const std::string text = format_transfer_log_line(at(2024, 1, 2, 3, 4), "/cwd", line);
    EXPECT_EQ(text.find('\n'), text.size() - 1);
    EXPECT_NE(text.find("evil?97.01.01"), std::string::npos);
}

using TransferLogTest = NamingTest;

std::string cwd() {
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) ? buffer : "";
}

TEST_F(TransferLogTest, AppendsOneLinePerTransferWhenDologIsOne) {
    const std::string log = dir + "/transfers.log";
    write_file(ctx.config_path, "[_config_]\nlogfile=" + log + "\n");
    const TransferLogLine line{TransferDirection::Upload, TransferMode::Ascii, "a.txt", "host",
                               "/in", "a.txt"};
    append_transfer_log(ctx, line);
    append_transfer_log(ctx, line);
    const std::string tail = " A " + cwd() + "/a.txt --> host /in a.txt";
    std::istringstream text(read_file(log));
    std::string entry;
    int count = 0;
    while (std::getline(text, entry)) {
        ++count;
        // "yyy.mm.dd hh:mm" (three-digit years since 2000), then the fields.
        ASSERT_EQ(entry.size(), 15 + tail.size()) << entry;
        EXPECT_EQ(entry.substr(15), tail);
        EXPECT_EQ(entry[3], '.');
        EXPECT_EQ(entry[12], ':');
    }
    EXPECT_EQ(count, 2);
}

TEST_F(TransferLogTest, NothingIsWrittenUnlessDologIsExactlyOne) {
    const std::string log = dir + "/transfers.log";
    const TransferLogLine line{TransferDirection::Download, TransferMode::Binary, "b", "p", "/",
                               "b"};
    for (const char* value : {"0", "2", "yes"}) {
        write_file(ctx.config_path,
                   std::string("[_config_]\ndolog=") + value + "\nlogfile=" + log + "\n");
        append_transfer_log(ctx, line);
        EXPECT_FALSE(exists(log)) << value;
    }
}

TEST_F(TransferLogTest, UnopenableLogIsSkippedQuietly) {
    write_file(ctx.config_path, "[_config_]\ndolog=1\nlogfile=" + dir + "/no/such/dir/x.log\n");
    append_transfer_log(ctx, {TransferDirection::Upload, TransferMode::Binary, "a", "h", "/", "a"});
    EXPECT_FALSE(exists(dir + "/no"));
    EXPECT_TRUE(view.lines().empty());
}

}  // namespace
}  // namespace varnix::testing
