// CWD (with CDUP, the VMS bracket form and the account prompt), PWD, MKD, RMD, DELE.
#include "net/commands.h"

#include "dirlex/dirlex.h"
#include "net/control_connection.h"
#include "net/logon.h"

namespace varnix {

namespace {

// before + name + after as one string: a name holding a NUL must be refused by the send,
// not cut short by a "%s" into another name.
CommandReply send_with_name(NetContext& ctx, std::string_view before, std::string_view name,
                            std::string_view after = {}) {
    std::string line(before);
    line += name;
    line += after;
    return send_command_text(ctx, line);
}

// "CMD name", then "XCMD name" when the server did not understand the first.
CommandReply with_x_fallback(NetContext& ctx, std::string_view command, const std::string& name) {
    const std::string plain = std::string(command) + ' ';
    CommandReply reply = send_with_name(ctx, plain, name);
    if (reply.not_understood()) reply = send_with_name(ctx, "X" + plain, name);
    return reply;
}

// A directory change that wants an account: ask for it, showing the session's for
// confirmation, and send it.
CommandReply send_account(NetContext& ctx, CommandReply wanted) {
    std::string& account = ctx.session.account;
    for (;;) {
        ctx.prompts.set_help_context(help_user_password);
        const int ok = ctx.prompts.ask_password(account, "Password required:");
        if (!ok || !account.empty()) break;
    }
    ctx.prompts.clear_answer();
    if (account.empty()) return wanted;
    return send_with_name(ctx, "ACCT ", account);
}

}  // namespace

CommandReply change_dir(NetContext& ctx, const std::string& name) {
    // Nothing to change: done without asking the server.
    if (name.empty()) return {0, ReplyClass::Completed, {}};
    if (ctx.host.cdup_allowed && name == "..") {
        CommandReply cdup = send_command(ctx, "CDUP");
        if (cdup.completed()) return cdup;
    } else if (ctx.session.host_type == dirlex::host::vms && name.front() != '[') {
        CommandReply bracketed = send_with_name(ctx, "CWD [.", name, "]");
        if (!bracketed.permanent()) return bracketed;
    }
    CommandReply reply = with_x_fallback(ctx, "CWD", name);
    if (reply.intermediate()) reply = send_account(ctx, std::move(reply));
    return reply;
}

CommandReply print_dir(NetContext& ctx) {
    CommandReply reply = send_command(ctx, "PWD");
    if (reply.not_understood()) reply = send_command(ctx, "XPWD");
    return reply;
}

CommandReply make_dir(NetContext& ctx, const std::string& name) {
    return with_x_fallback(ctx, "MKD", name);
}

CommandReply remove_dir(NetContext& ctx, const std::string& name) {
    return with_x_fallback(ctx, "RMD", name);
}

CommandReply delete_remote_file(NetContext& ctx, const std::string& name) {
    return send_with_name(ctx, "DELE ", name);
}

}  // namespace varnix
