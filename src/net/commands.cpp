// CWD (with CDUP, the VMS bracket form and the account prompt), PWD, MKD, RMD, DELE.
#include "net/commands.h"

#include "dirlex/dirlex.h"
#include "net/control_connection.h"
#include "net/logon.h"

namespace varnix {

namespace {

bool not_understood(const NetContext& ctx, int cls) { return cls == 5 && ctx.reply.code == 500; }

// before + name + after as one string: a name holding a NUL must be refused by the send,
// not cut short by a "%s" into another name.
int send_with_name(NetContext& ctx, std::string_view before, std::string_view name,
                   std::string_view after = {}) {
    std::string line(before);
    line += name;
    line += after;
    return send_command_text(ctx, line);
}

// "CMD name", then "XCMD name" when the server did not understand the first.
int with_x_fallback(NetContext& ctx, std::string_view command, const std::string& name) {
    const std::string plain = std::string(command) + ' ';
    int cls = send_with_name(ctx, plain, name);
    if (not_understood(ctx, cls)) cls = send_with_name(ctx, "X" + plain, name);
    return cls;
}

// A directory change that wants an account: ask for it, showing the session's for
// confirmation, and send it.
int send_account(NetContext& ctx, int cls) {
    std::string& account = ctx.session.account;
    for (;;) {
        ctx.prompts.set_help_context(help_user_password);
        const int ok = ctx.prompts.ask_password(account, "Password required:");
        if (!ok || !account.empty()) break;
    }
    ctx.prompts.clear_answer();
    if (!account.empty()) cls = send_with_name(ctx, "ACCT ", account);
    return cls;
}

}  // namespace

int change_dir(NetContext& ctx, const std::string& name) {
    if (name.empty()) return 2;
    if (ctx.host.cdup_allowed && name == "..") {
        if (send_command(ctx, "CDUP") == 2) return 2;
    } else if (ctx.session.host_type == dirlex::host::vms && name.front() != '[') {
        const int cls = send_with_name(ctx, "CWD [.", name, "]");
        if (cls != 5) return cls;
    }
    int cls = with_x_fallback(ctx, "CWD", name);
    if (cls == 3) cls = send_account(ctx, cls);
    return cls;
}

int print_dir(NetContext& ctx) {
    int cls = send_command(ctx, "PWD");
    if (not_understood(ctx, cls)) cls = send_command(ctx, "XPWD");
    return cls;
}

int make_dir(NetContext& ctx, const std::string& name) {
    return with_x_fallback(ctx, "MKD", name);
}

int remove_dir(NetContext& ctx, const std::string& name) {
    return with_x_fallback(ctx, "RMD", name);
}

int delete_remote_file(NetContext& ctx, const std::string& name) {
    return send_with_name(ctx, "DELE ", name);
}

}  // namespace varnix
