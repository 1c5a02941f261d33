// Engine side of the progress display: expected size, percentage, status routing, Cancel.
#include "transfer/progress.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <limits>

#include "net/control_connection.h"
#include "platform/stream.h"
#include "transfer/transfer_context.h"

namespace varnix {

namespace {

constexpr std::size_t caption_chars = 510;
constexpr std::size_t status_chars = 79;
constexpr std::int64_t max_kilobytes = std::numeric_limits<std::int64_t>::max() / 1024;

std::int64_t number_after(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value);
    if (ec != std::errc() || value < 0) return 0;
    (void)end;
    return value;
}

}  // namespace

void HeadlessProgress::open(ProgressMode, bool, std::string_view caption) {
    open_ = true;
    ++opened_;
    caption_ = caption;
}

void HeadlessProgress::set_status(std::string_view text) { statuses_.emplace_back(text); }

void HeadlessProgress::set_bar(int percent, std::string_view) { percents_.push_back(percent); }

std::int64_t expected_size_from_caption(std::string_view caption) {
    const auto close = caption.rfind(')');
    if (close != std::string_view::npos) caption = caption.substr(0, close);
    const auto open = caption.rfind('(');
    if (open == std::string_view::npos) return 0;
    std::string lower(caption.substr(open));
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::int64_t number = number_after(std::string_view(lower).substr(1));
    if (lower.find("bytes") != std::string::npos) return number;
    // A size no file has cannot be counted in kilobytes without overflowing.
    if (lower.find('k') != std::string::npos) return number <= max_kilobytes ? number * 1024 : 0;
    return 0;
}

int progress_percent(std::int64_t bytes, std::int64_t expected) {
    if (bytes <= 0 || expected <= 0) return 0;
    if (expected > 999999) return static_cast<int>(bytes / (expected / 100));
    return static_cast<int>(bytes * 100 / expected);
}

bool shows_transfer_dialog(const TransferContext& ctx) {
    return ctx.settings.show_transfer_dialog != 0 && ctx.transfer.request.progress_dialog &&
           ctx.transfer.run.progress_dialog;
}

void open_progress_display(TransferContext& ctx, ProgressMode mode) {
    TransferState& t = ctx.transfer;
    const bool dialog = shows_transfer_dialog(ctx);
    if (dialog) {
        if (t.progress_caption.size() > caption_chars) t.progress_caption.resize(caption_chars);
        t.expected_size = expected_size_from_caption(t.progress_caption);
        if (t.expected_size <= 0 && ctx.last_entry_size > 0) t.expected_size = ctx.last_entry_size;
    }
    if (ProgressDisplay* display = t.progress) {
        post_to_gui_thread(ctx.services.invoker, [display, mode, dialog, caption = t.progress_caption] {
            display->open(mode, dialog, caption);
        });
    }
}

void close_progress_display(TransferContext& ctx) {
    if (ProgressDisplay* display = ctx.transfer.progress) {
        post_to_gui_thread(ctx.services.invoker, [display] { display->close(); });
    }
}

void set_status_field(TransferContext& ctx, std::string_view text) {
    ProgressDisplay* display = ctx.transfer.progress;
    if (!display) return;
    const std::int64_t expected = ctx.transfer.expected_size;
    int percent = -1;
    std::string bar;
    if (shows_transfer_dialog(ctx) && expected > 0 && !text.empty()) {
        percent = progress_percent(number_after(text.substr(0, status_chars)), expected);
        bar = std::to_string(percent) + "%";
    }
    post_to_gui_thread(ctx.services.invoker,
                       [display, percent, bar = std::move(bar), status = std::string(text)] {
                           if (percent >= 0) display->set_bar(percent, bar);
                           display->set_status(status);
                       });
}

void cancel_progress(TransferContext& ctx) {
    close_progress_display(ctx);
    ctx.cancel_requested = true;
    ctx.data.shutdown_any_thread();
    cancel_command(ctx);
}

}  // namespace varnix
