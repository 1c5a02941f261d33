// TLS test helpers: a self-signed certificate made with the openssl command in a temporary
// folder, and the small TLS server of tls_server.py on 127.0.0.1 (stopped by its pid).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace varnix::test {

struct TestCertificate {
    std::filesystem::path cert;  // PEM; also usable as the trust anchor that verifies it
    std::filesystem::path key;
    std::string fingerprint;  // `openssl x509 -fingerprint -sha256`'s digits without colons, "SHA256:" first
    std::string error;        // empty when made
};

// A self-signed certificate for `common_name`, valid for localhost and 127.0.0.1, written to
// dir/<stem>.pem and dir/<stem>-key.pem.
[[nodiscard]] TestCertificate make_test_certificate(const std::filesystem::path& dir,
                                                    const std::string& stem,
                                                    const std::string& common_name = "localhost");

class TlsTestServer {
public:
    // mode: echo, complete, truncate or stall (see tls_server.py); extra: more options.
    TlsTestServer(const TestCertificate& certificate, const std::string& mode,
                  const std::vector<std::string>& extra = {});
    [[nodiscard]] std::uint16_t port() const { return port_; }
    [[nodiscard]] const std::string& error() const { return error_; }
    // The next line the server printed after its port ("end clean" or "end cut" in echo mode).
    [[nodiscard]] std::optional<std::string> next_line(Millis bound) { return process_.read_line(bound); }

private:
    std::filesystem::path log_;
    ChildProcess process_;
    std::uint16_t port_ = 0;
    std::string error_;
};

}  // namespace varnix::test
