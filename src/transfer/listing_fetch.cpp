// fetch_listing and raw_command.
#include "transfer/listing_fetch.h"

#include "net/control_connection.h"
#include "platform/temp_file.h"
#include "transfer/get_put.h"

namespace varnix {

TransferContext::TransferContext() {
    remote.fetch = [this](const std::string& command) {
        return fetch_listing(*this, control_socket, command);
    };
}

int fetch_listing(TransferContext& ctx, int socket, const std::string& command) {
    if (ctx.remote.listing_file.empty()) ctx.remote.listing_file = make_temp_file("DIR");
    const int bell = ctx.options.bell;
    const int hash = ctx.settings.hash;
    const int amode = ctx.options.amode;
    ctx.options.bell = 0;
    ctx.settings.hash = 0;
    ctx.options.amode = 0;
    std::string line = command;
    const int result = get_file(ctx, socket, line, ctx.remote.listing_file, 'A');
    ctx.options.bell = bell;
    ctx.settings.hash = hash;
    ctx.options.amode = amode;
    return result;
}

int raw_command(TransferContext& ctx, int socket, const std::string& text) {
    if (text.starts_with("LIST") || text.starts_with("NLST")) return fetch_listing(ctx, socket, text);
    return send_command_text(ctx, socket, text);
}

}  // namespace varnix
