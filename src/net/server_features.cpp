// FEAT and OPTS UTF8 after logon, and MDTM.
#include "net/server_features.h"

#include "net/control_connection.h"

namespace varnix {

void negotiate_features(NetContext& ctx) {
    if (ctx.control.state().features.asked) return;
    ServerFeatures features;
    features.asked = true;
    if (send_command(ctx, "FEAT").completed()) features = parse_feat_reply(ctx.reply.lines);
    ctx.control.state().features = std::move(features);
    // RFC 2640 servers such as ProFTPD and pyftpdlib switch their names to UTF-8 on this;
    // a refusal changes nothing: names stay the bytes the server sends.
    if (ctx.control.state().features.offers("UTF8")) (void)send_command(ctx, "OPTS UTF8 ON");
}

std::optional<std::int64_t> remote_modify_time(NetContext& ctx, const std::string& name) {
    if (!ctx.control.state().features.offers("MDTM")) return std::nullopt;
    const CommandReply reply = send_command_text(ctx, "MDTM " + name);
    if (!reply.completed()) return std::nullopt;
    return parse_mdtm_reply(reply.text);
}

}  // namespace varnix
