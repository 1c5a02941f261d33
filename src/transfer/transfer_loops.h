// The loops that move one file's bytes over an open data connection, the running status
// text and the closing summary line.
#pragma once

#include <cstdint>
#include <string>

#include "transfer/transfer_context.h"
#include "transfer/transfer_outcome.h"

namespace varnix {

// The loops' outcomes carry no reply yet (reply_class None): Complete when every byte moved
// (a receive: the server closed the data connection normally, the file possibly empty);
// ServerRefused when there was no data connection (ctx.data) or control connection; else
// why it stopped. The bytes go through ctx.data's stream; a cancelled receive aborts on the
// control connection.
[[nodiscard]] TransferOutcome send_file_data(TransferContext& ctx, const std::string& local_path);
[[nodiscard]] TransferOutcome receive_file_data(TransferContext& ctx, const std::string& local_path);
// The same into a file the caller opened and positioned; the count starts at start_offset.
[[nodiscard]] TransferOutcome receive_file_data_at(TransferContext& ctx, int file,
                                                   std::int64_t start_offset);

// The running status: bytes, rate, elapsed and remaining time. All zeros clears it.
void show_transfer_status(TransferContext& ctx, std::int64_t bytes, std::int64_t start_tick,
                          std::int64_t now_tick, std::int64_t total);
// "Transmitted"/"Received" summary line; resets the expected size.
void report_transfer_summary(TransferContext& ctx, const char* verb, std::int64_t bytes,
                             std::int64_t start_tick, std::int64_t end_tick, bool failed);

struct Rate {
    double value;
    const char* unit;
};
// The rate of `bytes` in `secs`, in bits per second (bytes_per_second false: a byte counts
// as ten bits) or bytes per second, with the unit that fits.
[[nodiscard]] Rate transfer_rate(std::int64_t bytes, double secs, bool bytes_per_second);

// Chunk sizes from RBP and SBP, kept within what one buffer serves.
[[nodiscard]] std::size_t receive_chunk_size(const TransferContext& ctx);
[[nodiscard]] std::size_t send_chunk_size(const TransferContext& ctx);

}  // namespace varnix
