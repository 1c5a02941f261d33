// Host-type detection in three stages (logon lines, SYST, HELP) and the availability flags
// of the optional remote commands.
#include "net/host_types.h"

#include <string>

#include "net/control_connection.h"

namespace varnix {

namespace {

std::string type_name(int code) { return std::string(dirlex::host_type_name(code)); }

void set_all_commands(HostCapabilities& host) {
    host.can_make_dir = host.can_remove_dir = host.can_rename = host.can_delete = 1;
}

// The HELP answer's first line names the server family.
int host_type_from_help(std::string_view first) {
    if (first.find("NCSA") != std::string_view::npos || first.find("CUTCP") != std::string_view::npos) {
        return dirlex::host::ncsa;
    }
    if (first.find("MACB") != std::string_view::npos) return dirlex::host::macintosh;
    if (first.starts_with("214-PC FTP server") || first.find("QVT") != std::string_view::npos) {
        return dirlex::host::qvt;
    }
    return dirlex::host::unix_generic;
}

// Scans the HELP answer for the commands it names, up to the final line of a class-2
// reply or a lost connection. Replies of another class end at their first line without '-'.
void help_probe(NetContext& ctx) {
    std::string help = "HELP";
    if (send_line(ctx, help) == -1) {
        set_all_commands(ctx.host);
        return;
    }
    // The same bounds as any reply: "214-MKD RMD" repeated without end must not hold the logon.
    ReplyBounds bounds(ctx);
    int code = read_reply_line(ctx);
    const int found = host_type_from_help(ctx.reply.text);
    ctx.session.host_type = found;
    ctx.messages.print_message("Host type (3): %s", type_name(found).c_str());
    for (;;) {
        const std::string_view line = ctx.reply.text;
        const bool final_line = code >= 100 && code <= 599 && !(line.size() > 3 && line[3] == '-');
        if (code == 421 || final_line || !bounds.accept_line(ctx)) break;
        if (line.find("MKD") != std::string_view::npos) ctx.host.can_make_dir = 1;
        if (line.find("RMD") != std::string_view::npos) ctx.host.can_remove_dir = 1;
        if (line.find("RNFR") != std::string_view::npos) ctx.host.can_rename = 1;
        if (line.find("DELE") != std::string_view::npos) ctx.host.can_delete = 1;
        code = read_reply_line(ctx);
    }
}

}  // namespace

int detect_from_line(NetContext& ctx, std::string_view line) {
    if (ctx.session.host_type != dirlex::host::automatic) return ctx.session.host_type;
    const int found = dirlex::host_type_from_line(line, dirlex::host::automatic);
    if (found != dirlex::host::automatic) {
        ctx.session.host_type = found;
        ctx.messages.print_message("Host type (1): %s", type_name(found).c_str());
    }
    return ctx.session.host_type;
}

void probe_host_type(NetContext& ctx) {
    HostCapabilities& host = ctx.host;
    host.can_make_dir = host.can_remove_dir = host.can_rename = host.can_delete = 0;
    host.cdup_allowed = 1;
    bool named = false;
    if (ctx.session.host_type == dirlex::host::automatic) {
        if (const CommandReply syst = send_command(ctx, "SYST"); syst.completed()) {
            const int found = dirlex::host_type_from_syst(syst.text, dirlex::host::automatic);
            if (found != dirlex::host::automatic) {
                ctx.session.host_type = found;
                ctx.messages.print_message("Host type (S): %s", type_name(found).c_str());
            }
            named = true;
        }
    }
    if (!named) {
        ctx.messages.print_message("Host type (I): %s", type_name(ctx.session.host_type).c_str());
    }
    switch (ctx.session.host_type) {
        case dirlex::host::vm_minidisk:
            host.can_delete = 1;
            return;  // the logon counted the probe as done
        case dirlex::host::ka9q:
            host.can_make_dir = host.can_remove_dir = host.can_delete = 1;
            host.cdup_allowed = 0;
            break;
        case dirlex::host::mvs_jes:
            host.can_delete = 1;
            host.cdup_allowed = 0;
            break;
        case dirlex::host::delete_only:
        case dirlex::host::delete_only_no_cwd:
            host.can_delete = 1;
            break;
        case dirlex::host::automatic:
            help_probe(ctx);
            break;
        default:
            set_all_commands(host);
            break;
    }
    post_window_event(ctx.services.invoker, ctx.events.on_capabilities_changed);
    host.host_type_probed = 1;
}

}  // namespace varnix
