// TransferOutcome: how one file transfer ended, the value every caller decides by, and the
// numbers the callers that count by reply class get from it (derived here and nowhere else).
#pragma once

#include <cstdint>

#include "net/command_reply.h"

namespace varnix {

enum class TransferStatus {
    Complete,       // every byte moved and the server confirmed it
    CutShort,       // the data connection failed or ended early, or the server did not confirm
    Cancelled,      // Cancel or the time-out stopped it
    LocalError,     // the local file could not be opened, read or written
    ServerRefused,  // nothing moved: no data connection, or the command was refused
};

struct [[nodiscard]] TransferOutcome {
    TransferStatus status = TransferStatus::ServerRefused;
    std::int64_t bytes = 0;  // bytes moved over the data connection (from the start offset)
    // The class of the last reply read (completion or refusal); None when none was read.
    ReplyClass reply_class = ReplyClass::None;
    // Whether the data connection brought or took every byte, whatever the server said
    // after (a resumed file is trimmed to the end it reached).
    bool data_whole = false;
    // Whether the replies that end the transfer were read already (by an abort), so no
    // completion reply is to be waited for.
    bool completion_read = false;

    [[nodiscard]] constexpr bool complete() const { return status == TransferStatus::Complete; }
};

// The number of the multi-file loops and the batch run: the class of the completion reply,
// where 2 means "done, go on with the next file"; a transfer that was not complete never
// gives 2, even when the server confirmed what it got.
[[nodiscard]] constexpr int transfer_result(const TransferOutcome& outcome) {
    if (outcome.complete()) return 2;
    return outcome.reply_class == ReplyClass::Completed ? 0 : class_number(outcome.reply_class);
}

}  // namespace varnix
