// Logon: greeting, the firewall exchanges, USER/PASS/ACCT, and the initial commands.
#include "net/logon.h"

#include <cstdio>
#include <string>
#include <sys/socket.h>

#include "config/config_file.h"
#include "net/control_connection.h"
#include "net/host_types.h"
#include "net/server_features.h"
#include "net/tls_logon.h"
#include "platform/socket.h"
#include "platform/socket_errors.h"

namespace varnix {

namespace {

inline constexpr std::size_t init_cmd_buffer = 255;

// Where the firewall exchange leads.
enum class Next { FinalLogon, PasswordStep, FinalCheck, FailFirewall, FailDestination };

struct Outcome {
    Next next;
    ReplyClass last = ReplyClass::None;  // for FinalCheck: the class of the last reply
};

// Everything one logon works with.
struct Logon {
    NetContext& ctx;
    FirewallType type;
    bool firewall;
    std::string host;  // the session's HOST (the final destination)
    std::string target = {};  // the host connected to: HOST, or the firewall's
};

// TLS was asked for in a form the server must not skip.
bool tls_required(TlsMode mode) { return mode == TlsMode::Required || mode == TlsMode::Implicit; }

template <typename... Args>
std::string format_prompt(const char* format, Args... args) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

// Asks until `dest` is filled or the user cancels; the shared answer is emptied after each.
void ask_secret(NetContext& ctx, std::string& dest, int topic, const std::string& prompt) {
    while (dest.empty()) {
        ctx.prompts.set_help_context(topic);
        const int ok = ctx.prompts.ask_password(dest, "%s", prompt.c_str());
        ctx.prompts.clear_answer();
        if (!ok) break;
    }
}

void detect(NetContext& ctx) { (void)detect_from_line(ctx, ctx.reply.text); }

// USER fwuser, then on class 3 the firewall password (asked when empty, sent even if empty).
CommandReply firewall_login(Logon& l, const std::string& user_arg, const char* prompt) {
    NetContext& ctx = l.ctx;
    CommandReply reply = send_command(ctx, "USER %s", user_arg.c_str());
    if (reply.intermediate()) {
        if (ctx.firewall_password.empty()) {
            ask_secret(ctx, ctx.firewall_password, help_firewall_password,
                       format_prompt(prompt, ctx.firewall_user.c_str()));
        }
        reply = send_command(ctx, "PASS %s", ctx.firewall_password.c_str());
    }
    return reply;
}

Outcome transparent(Logon& l) {  // type 6
    if (!firewall_login(l, l.ctx.firewall_user, "Please enter a password for %s on firewall:")
             .completed()) {
        return {Next::FailDestination};
    }
    detect(l.ctx);
    return {Next::FinalLogon};
}

Outcome fireid_at_host(Logon& l) {  // type 5
    const std::string user = l.ctx.firewall_user + "@" + l.host;
    if (!firewall_login(l, user, "Please enter a password for %s on firewall:").completed()) {
        return {Next::FailDestination};
    }
    detect(l.ctx);
    return {Next::FinalLogon};
}

Outcome logon_then_user_or_site(Logon& l) {  // types 0 and 1
    NetContext& ctx = l.ctx;
    if (!firewall_login(l, ctx.firewall_user, "Password required for %s on firewall:").completed()) {
        return {Next::FailFirewall};
    }
    if (l.type == FirewallType::UserAfterLogon) {
        const CommandReply user =
            send_command(ctx, "USER %s@%s", ctx.session.user.c_str(), l.host.c_str());
        return user.intermediate() ? Outcome{Next::PasswordStep} : Outcome{Next::FailDestination};
    }
    if (send_command(ctx, "SITE %s", l.host.c_str()).permanent()) return {Next::FailDestination};
    ctx.connected = true;
    return {Next::FinalLogon};
}

Outcome user_no_logon(Logon& l) {  // type 2
    NetContext& ctx = l.ctx;
    const CommandReply user =
        send_command(ctx, "USER %s@%s", ctx.session.user.c_str(), l.host.c_str());
    if (user.completed()) {
        detect(ctx);
        return {Next::FinalCheck, user.cls};
    }
    return user.intermediate() ? Outcome{Next::PasswordStep} : Outcome{Next::FailDestination};
}

Outcome proxy_open(Logon& l) {  // type 3
    const CommandReply open = send_command(l.ctx, "OPEN %s", l.host.c_str());
    if (!open.completed() && !open.intermediate()) return {Next::FailDestination};
    detect(l.ctx);
    l.ctx.connected = true;
    return {Next::FinalLogon};
}

Outcome user_at_host_fireid(Logon& l) {  // type 4
    NetContext& ctx = l.ctx;
    Session& s = ctx.session;
    if (!send_command(ctx, "USER %s@%s %s", s.user.c_str(), l.host.c_str(),
                      ctx.firewall_user.c_str())
             .intermediate()) {
        return {Next::FailFirewall};
    }
    if (s.password.empty()) {
        ask_secret(ctx, s.password, help_user_password,
                   format_prompt("Password required for %s:", ctx.firewall_user.c_str()));
    }
    if (s.password.empty()) return {Next::FailFirewall};
    if (!send_command(ctx, "PASS %s", s.password.c_str()).intermediate()) return {Next::FailFirewall};
    if (ctx.firewall_password.empty()) {
        ask_secret(ctx, ctx.firewall_password, help_firewall_password,
                   format_prompt("Password required for %s on firewall:", ctx.firewall_user.c_str()));
    }
    if (ctx.firewall_password.empty()) return {Next::FailFirewall};
    return {Next::FinalCheck, send_command(ctx, "ACCT %s", ctx.firewall_password.c_str()).cls};
}

Outcome firewall_exchange(Logon& l) {
    switch (l.type) {
        case FirewallType::Transparent: return transparent(l);
        case FirewallType::UserAtHostFireId: return user_at_host_fireid(l);
        case FirewallType::SiteHostname:
        case FirewallType::UserAfterLogon: return logon_then_user_or_site(l);
        case FirewallType::FireIdAtHost: return fireid_at_host(l);
        case FirewallType::UserNoLogon: return user_no_logon(l);
        case FirewallType::ProxyOpen: return proxy_open(l);
    }
    return {Next::FinalLogon};
}

void ask_account(Logon& l) {
    Session& s = l.ctx.session;
    if (s.account.empty()) {
        ask_secret(l.ctx, s.account, help_account,
                   format_prompt("Account required for %s on %s:", s.user.c_str(), l.host.c_str()));
    }
}

// Step 11: the server's password, and an account when the server wants one.
ReplyClass password_step(Logon& l) {
    NetContext& ctx = l.ctx;
    Session& s = ctx.session;
    if (s.password.empty()) {
        ask_secret(ctx, s.password, help_user_password,
                   format_prompt("Password required for %s on %s:", s.user.c_str(), l.host.c_str()));
    }
    // No password: the logon goes on to its final check as if the server still wanted one.
    if (s.password.empty()) return ReplyClass::Intermediate;
    const CommandReply pass = send_command(ctx, "PASS %s", s.password.c_str());
    if (pass.intermediate()) {
        ask_account(l);
        if (!s.account.empty()) return send_command(ctx, "ACCT %s", s.account.c_str()).cls;
    } else if (pass.completed() && pass.text.find("ACCOUNT") != std::string::npos) {
        ask_account(l);
        // The account is offered; its answer does not change the logon's result.
        if (!s.account.empty()) (void)send_command(ctx, "ACCT %s", s.account.c_str());
    }
    return pass.cls;
}

// Step 13: each piece before a ';' is sent, even an empty one; the last only when not empty.
void send_initial_commands(NetContext& ctx) {
    const std::string commands = cut_to(ctx.session.init_cmd, init_cmd_buffer);
    std::string_view rest = commands;
    for (auto semi = rest.find(';'); semi != std::string_view::npos; semi = rest.find(';')) {
        (void)send_command_text(ctx, rest.substr(0, semi));
        rest.remove_prefix(semi + 1);
    }
    if (!rest.empty()) (void)send_command_text(ctx, rest);
}

bool fail(NetContext& ctx, const char* message, bool clear_connected) {
    ctx.messages.print_message("%s", message);
    close_control(ctx);
    if (clear_connected) ctx.connected = false;
    return false;
}

// AUTH TLS before anything of the logon is sent, when the profile asks for explicit TLS.
bool secure_with_auth(Logon& l) {
    NetContext& ctx = l.ctx;
    const TlsMode mode = ctx.session.tls;
    if (mode != TlsMode::WhenOffered && mode != TlsMode::Required) return true;
    switch (negotiate_explicit_tls(ctx, l.target, static_cast<int>(ctx.session.port))) {
        case AuthOutcome::Secured: return true;
        case AuthOutcome::Refused:
            if (mode == TlsMode::Required) {
                ctx.messages.print_message("The server refused TLS: nothing more is sent, so quitting");
                close_control(ctx);
                return false;
            }
            ctx.messages.print_message("The server offers no TLS: plain FTP");
            return true;
        case AuthOutcome::Failed: break;
    }
    close_control(ctx);
    return false;
}

// Steps 1 to 8: connect and read the greeting into ctx.control; false when that failed.
bool open_connection(Logon& l) {
    NetContext& ctx = l.ctx;
    BusyScope busy(ctx);
    ctx.cancel_requested = false;
    ctx.stop_requested = false;
    std::string target = ctx.session.host;
    if (l.firewall) {
        const FirewallSettings fw = read_firewall_settings(ctx);
        l.type = static_cast<FirewallType>(fw.type);
        ctx.firewall_user = fw.user;
        if (!fw.password.empty()) ctx.firewall_password = fw.password;
        if (l.type != FirewallType::Transparent) {
            target = fw.host;
            ctx.session.port = fw.port;
        }
    }
    // A proxy would end the encryption before the server: the password would still travel the
    // last hop in clear text.
    if (tls_required(ctx.session.tls) && l.firewall && l.type != FirewallType::Transparent) {
        ctx.messages.print_message("TLS cannot reach %s through this firewall type, so quitting", l.host.c_str());
        return false;
    }
    l.target = target;
    const int socket = connect_host(ctx, target, static_cast<unsigned>(ctx.session.port), "tcp");
    if (socket == -1) {
        ctx.messages.print_message("Connection to %s failed", target.c_str());
        return false;
    }
    open_control(ctx, socket);  // nothing of an earlier connection may be read as this one's
    // A long transfer leaves the control connection silent for hours; keep-alive probes
    // stop a NAT box or firewall from forgetting it meanwhile.
    if (!sock_set_keepalive(socket, keepalive_idle_s, keepalive_interval_s, keepalive_probes)) {
        report_socket_error(ctx, "setsockopt", last_socket_error());
    }
    const auto local = sock_local_address(socket);
    if (!local) {
        report_socket_error(ctx, "getsockname", last_socket_error());
        ctx.connected = false;
        close_control(ctx);
        return false;
    }
    ctx.local_address = *local;
    ctx.messages.print_message("[%u] from %s port %u", static_cast<unsigned>(socket),
                               dotted(local->sin_addr).c_str(), ntohs(local->sin_port));
    if (ctx.session.tls == TlsMode::Implicit &&
        !start_control_tls(ctx, target, static_cast<int>(ctx.session.port))) {
        close_control(ctx);
        return false;
    }
    const bool detect_greeting = !l.firewall && ctx.session.host_type == host_type_automatic;
    ctx.control.state().greeting = true;
    CommandReply greeting;
    do {
        greeting = read_reply(ctx);
        if (greeting.preliminary() && detect_greeting) detect(ctx);
    } while (greeting.preliminary() && !ctx.cancel_requested);
    ctx.control.state().greeting = false;
    if (!greeting.completed()) {
        if (greeting.transient()) {
            ctx.messages.print_message("connection failed");
        } else {
            ctx.messages.print_message("Unknown open msg \"%s\" %u", greeting.text.c_str(),
                                       static_cast<unsigned>(greeting.code));
        }
        close_control(ctx);
        return false;
    }
    if (detect_greeting) detect(ctx);
    if (sock_set_int_option(socket, SOL_SOCKET, SO_OOBINLINE, 1) < 0) {
        report_socket_error(ctx, "setsockopt", last_socket_error());
    }
    return true;
}

}  // namespace

bool logon(NetContext& ctx) {
    if (ctx.connected) {
        ctx.messages.print_message("Already connected!");
        return false;
    }
    Logon l{ctx, FirewallType::UserAfterLogon, ctx.session.use_firewall != 0, ctx.session.host};
    ctx.tls = TlsState{};
    if (!open_connection(l)) return false;
    if (!secure_with_auth(l)) return false;

    Outcome outcome{Next::FinalLogon};
    if (l.firewall) outcome = firewall_exchange(l);
    if (outcome.next == Next::FailFirewall) {
        return fail(ctx, "Firewall logon failure, so quitting", false);
    }
    if (outcome.next == Next::FailDestination) {
        return fail(ctx, "Connect to final destination failed, so quitting", true);
    }
    ReplyClass last = outcome.last;
    if (outcome.next == Next::FinalLogon) {
        last = send_command(ctx, "USER %s", ctx.session.user.c_str()).cls;
        if (last == ReplyClass::Intermediate) outcome.next = Next::PasswordStep;
    }
    if (outcome.next == Next::PasswordStep) last = password_step(l);
    if (last != ReplyClass::Completed) return fail(ctx, "logon failure, so quitting", true);
    if (ctx.tls.context && !protect_data_connections(ctx)) {
        if (ctx.session.tls != TlsMode::WhenOffered)
            return fail(ctx, "The server refused PROT P: data would cross in clear text, so quitting", true);
        ctx.messages.print_message("The server refused PROT P: data connections are not encrypted");
    }

    negotiate_features(ctx);
    if (!ctx.session.init_cmd.empty()) send_initial_commands(ctx);
    ctx.connected = true;
    if (ctx.session.host_type == dirlex::host::vm_minidisk) {
        ctx.host.host_type_probed = 1;
        ctx.host.can_delete = 1;
    } else {
        ctx.host.host_type_probed = 0;
    }
    ctx.window_title = std::string(program_title) + " " + ctx.session.host;
    if (ctx.events.on_title_changed) {
        post_window_event(ctx.services.invoker,
                          [&ctx, title = ctx.window_title] { ctx.events.on_title_changed(title); });
    }
    return true;
}

}  // namespace varnix
