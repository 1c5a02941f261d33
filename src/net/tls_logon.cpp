// TLS negotiation on the control connection and the data streams.
#include "net/tls_logon.h"

#include "net/control_connection.h"
#include "net/data_connection.h"
#include "net/server_certificate.h"
#include "platform/socket_errors.h"
#include "platform/tls_stream.h"

namespace varnix {

namespace {

void report_tls_failure(NetContext& ctx, const char* what, const std::string& detail) {
    ctx.messages.print_message("%s: %s", what, detail.c_str());
}

}  // namespace

bool start_control_tls(NetContext& ctx, const std::string& host, int port) {
    ctx.tls = TlsState{};
    ctx.tls.context = TlsClientContext::create();
    if (!ctx.tls.context) {
        report_tls_failure(ctx, "TLS", tls_error_text());
        return false;
    }
    ctx.tls.host = host;
    CertificateInfo certificate;
    std::string version;
    std::string failure;
    const bool wrapped = ctx.control.wrap_stream([&](std::unique_ptr<Stream> plain) -> std::unique_ptr<Stream> {
        auto tls = std::make_unique<TlsStream>(std::move(plain), ctx.tls.context, TlsRole::Control);
        if (!tls->handshake(host, data_timeout_ms(ctx))) {
            failure = tls->error_text();
            return nullptr;
        }
        certificate = tls->certificate();
        version = tls->protocol_version();
        return tls;
    });
    if (!wrapped) {
        report_tls_failure(ctx, "TLS handshake", failure.empty() ? socket_error_text(last_socket_error()) : failure);
        return false;
    }
    if (!accept_server_certificate(ctx, host, port, certificate)) return false;
    ctx.messages.print_message("%s connection to %s, certificate %s", version.c_str(), host.c_str(),
                               certificate.verified ? "verified" : "trusted");
    return true;
}

AuthOutcome negotiate_explicit_tls(NetContext& ctx, const std::string& host, int port) {
    CommandReply auth = send_command(ctx, "AUTH TLS");
    bool ssl_form = false;
    if (auth.permanent() && (auth.code == 500 || auth.code == 502)) {
        auth = send_command(ctx, "AUTH SSL");
        ssl_form = true;
    }
    if (auth.code == 234 || (ssl_form && auth.code == 334))
        return start_control_tls(ctx, host, port) ? AuthOutcome::Secured : AuthOutcome::Failed;
    if (auth.transient() || auth.cls == ReplyClass::None || ctx.cancel_requested)
        return AuthOutcome::Failed;
    return AuthOutcome::Refused;
}

bool protect_data_connections(NetContext& ctx) {
    ctx.tls.protect_data = false;
    (void)send_command(ctx, "PBSZ 0");
    if (!send_command(ctx, "PROT P").completed()) return false;
    ctx.tls.protect_data = true;
    return true;
}

void settle_data_tls(NetContext& ctx) {
    if (!ctx.data.is_open() || class_of_code(ctx.reply.code) != ReplyClass::Preliminary) return;
    auto* tls = dynamic_cast<TlsStream*>(&ctx.data.stream());
    if (tls && !tls->handshake_done()) (void)tls->run_deferred_handshake(data_timeout_ms(ctx));
}

std::unique_ptr<Stream> make_data_stream(NetContext& ctx, int socket) {
    auto plain = std::make_unique<SocketStream>(socket);
    if (!ctx.tls.protect_data || !ctx.tls.context) return plain;
    auto tls = std::make_unique<TlsStream>(std::move(plain), ctx.tls.context, TlsRole::Data);
    tls->handshake_on_first_use(ctx.tls.host);
    return tls;
}

}  // namespace varnix
