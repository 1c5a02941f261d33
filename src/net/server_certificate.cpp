// The trust decision for a server certificate and its messages.
#include "net/server_certificate.h"

#include <algorithm>
#include <cstring>

#include "config/trusted_certs.h"
#include "platform/ui_invoker.h"
#include "platform/window_interface.h"

namespace varnix {

namespace {

void print_certificate(NetContext& ctx, const CertificateInfo& c) {
    ctx.messages.print_message("  subject: %s", c.subject.c_str());
    ctx.messages.print_message("  issuer: %s", c.issuer.c_str());
    ctx.messages.print_message("  valid from %s to %s", c.not_before.c_str(), c.not_after.c_str());
    ctx.messages.print_message("  fingerprint: %s", c.fingerprint.c_str());
}

bool refuse_changed(NetContext& ctx, const std::string& host, int port, const CertificateInfo& c) {
    ctx.messages.print_message("WARNING: the certificate of %s port %d has CHANGED since you trusted it!",
                               host.c_str(), port);
    ctx.messages.print_message("Someone may be listening in, or the server has a new certificate. Refused.");
    print_certificate(ctx, c);
    ctx.messages.print_message("If the change is expected, remove the line of %s port %d from", host.c_str(), port);
    ctx.messages.print_message("  %s", trusted_certs_path(ctx).c_str());
    const std::string text = "WARNING: the certificate of " + host + " port " + std::to_string(port) +
                             " has CHANGED since you trusted it.\n\nSomeone may be listening in, or the "
                             "server has a new certificate. The connection is refused.\n\nNew fingerprint: " +
                             c.fingerprint + "\n\nIf the change is expected, remove the line for " + host +
                             " port " + std::to_string(port) + " from " + trusted_certs_path(ctx) + ".";
    if (!ctx.messages.batch()) {
        (void)show_message_box(ctx.services, text, "Certificate changed", mb::icon_stop);
        // Retrying would only meet the same certificate and show this box again.
        ctx.cancel_requested = true;
    }
    return false;
}

}  // namespace

bool accept_server_certificate(NetContext& ctx, const std::string& host, int port,
                               const CertificateInfo& certificate) {
    if (certificate.verified) return true;
    const auto stored = TrustedCertificates::load(trusted_certs_path(ctx));
    const CertTrust trust = trusted_certs_path(ctx).empty()
                                ? CertTrust::Unknown
                                : stored.store.check(host, port, certificate.fingerprint);
    if (trust == CertTrust::Trusted) {
        ctx.messages.print_message("[I] certificate of %s port %d trusted before", host.c_str(), port);
        return true;
    }
    if (trust == CertTrust::Changed) return refuse_changed(ctx, host, port, certificate);
    const auto& given = ctx.trusted_fingerprints;
    if (std::find(given.begin(), given.end(), certificate.fingerprint) != given.end()) {
        ctx.messages.print_message("[I] certificate of %s port %d trusted by -trust", host.c_str(), port);
        return true;
    }

    ctx.messages.print_message("Certificate of %s port %d is not trusted: %s", host.c_str(), port,
                               certificate.reason.c_str());
    print_certificate(ctx, certificate);
    CertificateAnswer answer = CertificateAnswer::Refuse;
    // A batch run never asks, even with a window: nobody may be there to answer.
    if (CertificateAsker* asker = ctx.messages.batch() ? nullptr : ctx.services.certificates) {
        const CertificateQuestion question{host, port, certificate};
        if (!run_on_gui_thread(ctx.services.invoker, [&] { answer = asker->ask(question); }))
            answer = CertificateAnswer::Refuse;
    } else {
        ctx.messages.print_message("Run again with -trust %s", certificate.fingerprint.c_str());
    }
    switch (answer) {
        case CertificateAnswer::Refuse:
            ctx.messages.print_message("Certificate refused, so quitting");
            // The user's "No" ends the connect: retries would only ask again.
            if (ctx.services.certificates && !ctx.messages.batch()) ctx.cancel_requested = true;
            return false;
        case CertificateAnswer::TrustOnce:
            ctx.messages.print_message("[I] certificate trusted for this connection");
            return true;
        case CertificateAnswer::TrustAlways: break;
    }
    const IniStatus saved = trust_always(trusted_certs_path(ctx), host, port, certificate.fingerprint);
    if (saved.ok()) {
        ctx.messages.print_message("Certificate of %s port %d trusted always", host.c_str(), port);
    } else {
        ctx.messages.print_message("Cannot save %s: %s", trusted_certs_path(ctx).c_str(),
                                   std::strerror(saved.error));
    }
    return true;
}

}  // namespace varnix
