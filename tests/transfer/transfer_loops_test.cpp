// The transfer loops over a local socket pair (line ends, chunk edges, write failures) and
// the status and summary texts with their rate thresholds.
#include <gmock/gmock.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "platform/stream.h"
#include "transfer/progress.h"
#include "transfer/transfer_fixture.h"
#include "transfer/transfer_loops.h"

namespace varnix::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class TransferLoops : public TransferTest {
protected:
    TransferLoops() {
        ctx.settings.show_transfer_dialog = 1;
        ctx.settings.rates_in_bytes = 0;
    }
    std::string status_at(std::int64_t bytes, std::int64_t start, std::int64_t now,
                          std::int64_t total = 0) {
        const auto before = progress.statuses().size();
        show_transfer_status(ctx, bytes, start, now, total);
        return progress.statuses().size() > before ? progress.statuses().back() : "(none)";
    }
};

// A socket pair standing in for a data connection: what the "server" end holds is read by
// the loop, then it sees the close.
class DataPair {
public:
    // The client's end becomes ctx's data connection.
    explicit DataPair(NetContext& ctx) : ctx_(ctx) {
        int fds[2] = {-1, -1};
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
        ctx_.data.open(std::make_unique<SocketStream>(fds[0]));
        server_ = fds[1];
    }
    ~DataPair() {
        (void)ctx_.data.close();
        ::close(server_);
    }
    // Queues the bytes for the client and closes the server's sending side.
    void serve(const std::string& bytes) {
        ASSERT_EQ(::write(server_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        ::shutdown(server_, SHUT_WR);
    }
    // What the client sent, once it closed its side.
    std::string received() {
        ctx_.data.shutdown_any_thread(ShutdownHow::Write);
        std::string bytes;
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(server_, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<std::size_t>(n));
        return bytes;
    }

private:
    NetContext& ctx_;
    int server_ = -1;
};

TEST_F(TransferLoops, WorkedExampleAndThrottle) {
    ctx.transfer.last_status_tick = 0;
    EXPECT_EQ(status_at(51200, 10000, 12000), "51200 : 250.00 Kbps : 0:02");
    EXPECT_EQ(status_at(60000, 10000, 12499), "(none)");
    EXPECT_EQ(status_at(60000, 10000, 12500), "60000 : 234.00 Kbps : 0:02");
    // A transfer shorter than 100 ms counts as 100 ms; no elapsed part under a second.
    EXPECT_EQ(status_at(100, 13000, 13010), "100 : 10000.00 bps");
}

TEST_F(TransferLoops, PlainCountWithoutTheDialogIsNotThrottled) {
    ctx.settings.show_transfer_dialog = 0;
    EXPECT_EQ(status_at(10, 0, 1000), "10");
    EXPECT_EQ(status_at(20, 0, 1001), "20");
    EXPECT_EQ(status_at(0, 0, 0), "");
}

TEST_F(TransferLoops, RemainingTimeOnlyAfterTheFirstSecondAndBeforeTheEnd) {
    EXPECT_EQ(status_at(51200, 0, 2000, 102400), "51200 : 250.00 Kbps : 0:02 : 0:02");
    EXPECT_EQ(status_at(51200, 1000, 2000 + 1000, 51200), "51200 : 250.00 Kbps : 0:02");
    EXPECT_EQ(status_at(1000, 10000, 11000, 100000), "1000 : 10000.00 bps : 0:01");
    EXPECT_EQ(status_at(600000, 0, 125000, 1200000), "600000 : 47.06 Kbps : 2:05 : 2:05");
}

TEST(TransferRate, BitThresholds) {
    const auto text = [](std::int64_t bytes, double secs) {
        const Rate r = transfer_rate(bytes, secs, false);
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.2f %s", r.value, r.unit);
        return std::string(buffer);
    };
    EXPECT_EQ(text(1000, 1), "10000.00 bps");     // exactly 10000 stays in bits
    EXPECT_EQ(text(1001, 1), "9.00 Kbps");        // (10010 div 1024) / 1
    EXPECT_EQ(text(100000, 0.1), "9.57 Mbps");    // (100000 div 102) / 0.1 / 1024
    EXPECT_EQ(text(150000, 10), "147.00 Kbps");   // above 100000: bytes div 102
    EXPECT_EQ(text(200000, 1), "1.91 Mbps");
    EXPECT_EQ(text(0, 0.1), "0.00 bps");
    // Sizes beyond 32 bits keep their value.
    EXPECT_EQ(text(std::int64_t{5} << 32, 1000), "205.60 Mbps");
}

TEST(TransferRate, ByteThresholds) {
    EXPECT_STREQ(transfer_rate(1024, 1, true).unit, "Bps");
    EXPECT_DOUBLE_EQ(transfer_rate(1024, 1, true).value, 1024);
    EXPECT_STREQ(transfer_rate(2048, 1, true).unit, "KBps");
    EXPECT_DOUBLE_EQ(transfer_rate(2048, 1, true).value, 2);
    EXPECT_STREQ(transfer_rate(1024 * 1024, 1, true).unit, "KBps");
    EXPECT_STREQ(transfer_rate(3 * 1024 * 1024, 1, true).unit, "MBps");
    EXPECT_DOUBLE_EQ(transfer_rate(3 * 1024 * 1024, 1, true).value, 3);
}

TEST_F(TransferLoops, SummaryLineAndExpectedSizeReset) {
    ctx.transfer.expected_size = 99;
    report_transfer_summary(ctx, "Received", 51200, 5000, 7000, false);
    EXPECT_TRUE(view.contains("Received 51200 bytes in 2.0 secs, (250.00 Kbps), transfer succeeded"));
    EXPECT_EQ(ctx.transfer.expected_size, 0);
    ctx.settings.rates_in_bytes = 1;
    report_transfer_summary(ctx, "Transmitted", 2048, 5000, 5040, true);
    EXPECT_TRUE(view.contains("Transmitted 2048 bytes in 0.1 secs, (20.00 KBps), transfer failed"));
}

TEST(ExpectedSize, FromTheCaption) {
    EXPECT_EQ(expected_size_from_caption(
                  "150 Opening BINARY mode data connection for a.zip (12345 bytes)."), 12345);
    EXPECT_EQ(expected_size_from_caption("150 Opening data connection (12K)."), 12288);
    EXPECT_EQ(expected_size_from_caption("150 Opening data connection (12 kbytes)"), 12);
    EXPECT_EQ(expected_size_from_caption("150 (1 bytes) then (77 Bytes)"), 77);
    EXPECT_EQ(expected_size_from_caption("Sending BINARY file /x/y (6000000000 bytes)"), 6000000000);
    EXPECT_EQ(expected_size_from_caption("150 Opening data connection."), 0);
    EXPECT_EQ(expected_size_from_caption("150 data (soon)"), 0);
    EXPECT_EQ(expected_size_from_caption("150 data (-5 bytes)"), 0);
    EXPECT_EQ(expected_size_from_caption("150 data (99999999999999999999999 bytes)"), 0);
    // Nonsense sizes from a server must not overflow.
    EXPECT_EQ(expected_size_from_caption("150 data (9223372036854775807 k)"), 0);
    EXPECT_EQ(expected_size_from_caption("150 data (9007199254740992 k)"), 0);
}

TEST(ExpectedSize, Percent) {
    EXPECT_EQ(progress_percent(1000000, 2000000), 50);
    EXPECT_EQ(progress_percent(500, 1000), 50);
    EXPECT_EQ(progress_percent(0, 1000), 0);
    EXPECT_EQ(progress_percent(3000, 1000), 300);  // a server that sends more than it said
    EXPECT_EQ(progress_percent(std::int64_t{3} << 32, std::int64_t{6} << 32), 50);
}

TEST_F(TransferLoops, AsciiReceiveTurnsCrLfIntoLfAcrossChunkEdges) {
    ctx.control.state().current_type = 'A';
    ctx.settings.receive_chunk_bytes = 80;
    // The CR of the first line end is the 80th byte: its LF comes with the next chunk.
    const std::string wire = std::string(79, 'a') + "\r\n" + "b\rc\r\r\n" + "end\r";
    DataPair pair(ctx);
    pair.serve(wire);
    EXPECT_EQ(receive_file_data(ctx, path("text.txt")).status, TransferStatus::Complete);
    EXPECT_EQ(read_file(path("text.txt")), std::string(79, 'a') + "\n" + "b\rc\r\n" + "end\r");
    EXPECT_TRUE(view.contains("Received " + std::to_string(wire.size()) + " bytes"));
    EXPECT_EQ(ctx.busy_count, 0);
    EXPECT_FALSE(progress.is_open());
    EXPECT_EQ(progress.opened(), 1);
}

TEST_F(TransferLoops, BinaryReceiveIsByteExact) {
    ctx.control.state().current_type = 'I';
    ctx.settings.receive_chunk_bytes = 100;
    const std::string bytes = binary_bytes(5000) + "\r\n\r";
    DataPair pair(ctx);
    pair.serve(bytes);
    EXPECT_EQ(receive_file_data(ctx, path("b.bin")).status, TransferStatus::Complete);
    EXPECT_EQ(read_file(path("b.bin")), bytes);
}

TEST_F(TransferLoops, EmptyDownloadIsCompleteAndTruncatesTheOldFile) {
    write_file(path("old.txt"), "previous content");
    DataPair pair(ctx);
    pair.serve("");
    EXPECT_EQ(receive_file_data(ctx, path("old.txt")).status, TransferStatus::Complete);
    EXPECT_EQ(read_file(path("old.txt")), "");
    EXPECT_TRUE(view.contains("Received 0 bytes in 0.1 secs, (0.00 bps), transfer succeeded"));
}

TEST_F(TransferLoops, ReceiveAtAnOffsetWritesFromThereAndCountsFromIt) {
    write_file(path("part.bin"), "0123456789");
    const int file = ::open(path("part.bin").c_str(), O_WRONLY);
    ASSERT_GE(file, 0);
    ASSERT_EQ(::lseek(file, 4, SEEK_SET), 4);
    DataPair pair(ctx);
    pair.serve("abc");
    EXPECT_EQ(receive_file_data_at(ctx, file, 4).status, TransferStatus::Complete);
    ::close(file);
    EXPECT_EQ(read_file(path("part.bin")), "0123abc789");
    EXPECT_TRUE(view.contains("Received 7 bytes"));
}

TEST_F(TransferLoops, UncreatableFileWithNothingComingIsNothingUsable) {
    DataPair pair(ctx);
    pair.serve("");
    EXPECT_EQ(receive_file_data(ctx, path("no/such/dir/f")).status,
              TransferStatus::LocalError);
    EXPECT_TRUE(view.contains("failed to open file " + path("no/such/dir/f") + " (2)"));
}

TEST_F(TransferLoops, NoDataSocketOrNoConnectionDoesNothing) {
    EXPECT_EQ(receive_file_data(ctx, path("x")).status, TransferStatus::ServerRefused);
    EXPECT_EQ(send_file_data(ctx, path("x")).status, TransferStatus::ServerRefused);
    ctx.connected = false;
    DataPair pair(ctx);
    EXPECT_EQ(receive_file_data(ctx, path("x")).status, TransferStatus::ServerRefused);
    EXPECT_EQ(progress.opened(), 0);
    EXPECT_FALSE(std::filesystem::exists(path("x")));
}

TEST_F(TransferLoops, AsciiSendTurnsLfIntoCrLfAndKeepsExistingCrLf) {
    ctx.control.state().current_type = 'A';
    ctx.settings.send_chunk_bytes = 80;
    const std::string text = std::string(79, 'x') + "\r\n" + "two\n\nthree\r\n";
    write_file(path("up.txt"), text);
    DataPair pair(ctx);
    EXPECT_EQ(send_file_data(ctx, path("up.txt")).status, TransferStatus::Complete);
    EXPECT_EQ(pair.received(), std::string(79, 'x') + "\r\n" + "two\r\n\r\nthree\r\n");
    EXPECT_EQ(progress.caption(),
              "Sending ASCII file " + path("up.txt") + " (" + std::to_string(text.size()) + " bytes)");
    EXPECT_TRUE(view.contains("Transmitted " + std::to_string(text.size()) + " bytes"));
}

TEST_F(TransferLoops, BinarySendIsByteExactAndShowsProgress) {
    ctx.control.state().current_type = 'I';
    ctx.settings.send_chunk_bytes = 512;
    const std::string bytes = binary_bytes(20000);
    write_file(path("up.bin"), bytes);
    DataPair pair(ctx);
    EXPECT_EQ(send_file_data(ctx, path("up.bin")).status, TransferStatus::Complete);
    EXPECT_EQ(pair.received(), bytes);
    EXPECT_THAT(progress.caption(), HasSubstr("Sending BINARY file"));
    // The caption names the size, so the bar follows the count (the first chunk of 512
    // bytes; later updates wait for the 500 ms throttle).
    ASSERT_THAT(progress.percents(), ::testing::Not(IsEmpty()));
    EXPECT_EQ(progress.percents().front(), 512 * 100 / 20000);
}

TEST_F(TransferLoops, MissingFileToSendFailsWithTheErrorSound) {
    ctx.options.play_sounds = 1;
    DataPair pair(ctx);
    EXPECT_EQ(send_file_data(ctx, path("gone.bin")).status, TransferStatus::LocalError);
    EXPECT_TRUE(view.contains("failed to open file " + path("gone.bin") + " (2)"));
    EXPECT_GT(sound.beeps() + static_cast<int>(sound.played().size()), 0);
    EXPECT_FALSE(view.contains("Transmitted"));
    EXPECT_EQ(pair.received(), "");
}

}  // namespace
}  // namespace varnix::test
