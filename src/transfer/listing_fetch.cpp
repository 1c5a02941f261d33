// fetch_listing and raw_command.
#include "transfer/listing_fetch.h"

#include "net/control_connection.h"
#include "platform/temp_file.h"
#include "transfer/get_put.h"

namespace varnix {

TransferContext::TransferContext() {
    remote.fetch = [this](const std::string& command) {
        const TransferOutcome outcome = fetch_listing(*this, command);
        return ListingFetch{outcome.reply_class, outcome.complete()};
    };
}

TransferOutcome fetch_listing(TransferContext& ctx, const std::string& command) {
    if (ctx.remote.listing_file.empty()) ctx.remote.listing_file = make_temp_file("DIR");
    std::string line = command;
    const TransferRequest listing{.sound = false, .progress_dialog = false, .automatic_mode = false};
    return get_file(ctx, line, ctx.remote.listing_file, TransferMode::Ascii, listing);
}

int raw_command(TransferContext& ctx, const std::string& text) {
    if (text.starts_with("LIST") || text.starts_with("NLST")) {
        return class_number(fetch_listing(ctx, text).reply_class);
    }
    return send_command_text(ctx, text).class_number();
}

}  // namespace varnix
