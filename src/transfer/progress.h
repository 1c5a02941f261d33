// The transfer progress display: the engine side (where the status goes, the expected size
// found in a caption, the percentage) over an interface the window or the batch run provides.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/progress_display.h"

namespace varnix {

struct TransferContext;

// Records what would have been shown; answers nothing back. For batch runs and tests.
class HeadlessProgress : public ProgressDisplay {
public:
    void open(ProgressMode mode, bool dialog, std::string_view caption) override;
    void set_status(std::string_view text) override;
    void set_bar(int percent, std::string_view text) override;
    void close() override { open_ = false; }
    [[nodiscard]] bool is_open() const { return open_; }
    [[nodiscard]] const std::vector<std::string>& statuses() const { return statuses_; }
    [[nodiscard]] const std::vector<int>& percents() const { return percents_; }
    [[nodiscard]] const std::string& caption() const { return caption_; }
    [[nodiscard]] int opened() const { return opened_; }

private:
    bool open_ = false;
    int opened_ = 0;
    std::string caption_;
    std::vector<std::string> statuses_;
    std::vector<int> percents_;
};

// The size a caption announces: the number after the last "(" when "bytes" follows it,
// else that number times 1024 when a "k" follows; 0 when there is none.
[[nodiscard]] std::int64_t expected_size_from_caption(std::string_view caption);
// The bar's percentage for a byte count.
[[nodiscard]] int progress_percent(std::int64_t bytes, std::int64_t expected);

// Whether the "Transfer Status" dialog shows (its setting, unless the transfer asked for none).
[[nodiscard]] bool shows_transfer_dialog(const TransferContext& ctx);
// Opens the display for a loop: finds the expected size (caption, else the size of the list
// entry read last) when the dialog is shown.
void open_progress_display(TransferContext& ctx, ProgressMode mode);
void close_progress_display(TransferContext& ctx);
// Writes the status field, and the bar when the expected size is known.
void set_status_field(TransferContext& ctx, std::string_view text);
// The Cancel button: stops the transfer and the blocking call in progress.
void cancel_progress(TransferContext& ctx);

}  // namespace varnix
