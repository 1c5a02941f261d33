// TLS test helpers: certificates from the openssl command, the TLS test server process.
#include "support/tls_fixture.h"

#include <charconv>

namespace varnix::test {

namespace {

constexpr Millis command_bound{30000};
constexpr Millis start_bound{15000};

}  // namespace

TestCertificate make_test_certificate(const std::filesystem::path& dir, const std::string& stem,
                                      const std::string& common_name) {
    TestCertificate made;
    made.cert = dir / (stem + ".pem");
    made.key = dir / (stem + "-key.pem");
    const auto log = dir / (stem + "-openssl.log");
    const auto created = run_command(
        {"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "30", "-subj",
         "/CN=" + common_name, "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1", "-keyout",
         made.key.string(), "-out", made.cert.string()},
        log, command_bound);
    if (!created) {
        made.error = "openssl req failed, see " + log.string();
        return made;
    }
    const auto printed = run_command(
        {"openssl", "x509", "-in", made.cert.string(), "-noout", "-fingerprint", "-sha256"}, log,
        command_bound);
    const auto equals = printed ? printed->find('=') : std::string::npos;
    if (equals == std::string::npos) {
        made.error = "openssl x509 -fingerprint failed, see " + log.string();
        return made;
    }
    std::string digits = printed->substr(equals + 1);
    while (!digits.empty() && (digits.back() == '\n' || digits.back() == '\r')) digits.pop_back();
    std::erase(digits, ':');
    made.fingerprint = "SHA256:" + digits;
    return made;
}

TlsTestServer::TlsTestServer(const TestCertificate& certificate, const std::string& mode,
                             const std::vector<std::string>& extra) {
    log_ = certificate.cert.parent_path() / ("tls-server-" + mode + ".log");
    std::vector<std::string> argv{"/usr/bin/python3",
                                  std::string(VARNIX_SOURCE_DIR) + "/tests/support/tls_server.py",
                                  certificate.cert.string(), certificate.key.string(), mode};
    argv.insert(argv.end(), extra.begin(), extra.end());
    process_ = ChildProcess(argv, log_, true);
    const auto line = process_.read_line(start_bound);
    constexpr std::string_view prefix = "port ";
    if (line && line->starts_with(prefix)) {
        const char* first = line->data() + prefix.size();
        const char* last = line->data() + line->size();
        std::uint16_t port = 0;
        const auto [end, ec] = std::from_chars(first, last, port);
        if (ec == std::errc{} && end == last) port_ = port;
    }
    if (port_ == 0) {
        error_ = "TLS test server did not start; log: " + log_.string();
        process_.stop();
    }
}

}  // namespace varnix::test
