// What a server's TLS certificate says, and the user's answer when it cannot be verified:
// shared by the TLS stream, the engine's trust decision and the window's question.
#pragma once

#include <string>

namespace varnix {

struct CertificateInfo {
    std::string subject;
    std::string issuer;
    std::string not_before;  // "YYYY-MM-DD HH:MM:SS UTC"
    std::string not_after;
    std::string fingerprint;  // SHA-256 of the DER certificate, see format_fingerprint
    bool verified = false;    // chain and host name checked against the trust store
    std::string reason;       // why verification failed; empty when verified
};

enum class CertificateAnswer { Refuse, TrustOnce, TrustAlways };

struct CertificateQuestion {
    std::string host;
    int port = 0;
    CertificateInfo certificate;
};

}  // namespace varnix
