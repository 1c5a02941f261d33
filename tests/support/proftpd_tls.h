// Fixture: ProFTPD with mod_tls on 127.0.0.1: explicit TLS required on one port, implicit TLS
// on another, data connections that must resume the control connection's TLS session, and
// one account; started unprivileged with a certificate made by the test, stopped by its pid.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "support/child_process.h"
#include "support/temp_dir.h"
#include "support/tls_fixture.h"

namespace varnix::test {

// Usage:
//     ProftpdTls server;
//     if (!ProftpdTls::installed()) GTEST_SKIP() << ProftpdTls::missing_message;
//     ASSERT_TRUE(server.running()) << server.error();
//     log on at 127.0.0.1:server.port() (AUTH TLS) or server.implicit_port() as alice / secret;
//     files live in server.root()
class ProftpdTls {
public:
    static constexpr std::string_view user = "alice";
    static constexpr std::string_view password = "secret";
    static constexpr std::string_view missing_message =
        "proftpd with mod_tls is not installed (Debian packages proftpd-core, proftpd-mod-crypto)";
    static constexpr Millis start_bound{15000};

    ProftpdTls();
    ~ProftpdTls();
    ProftpdTls(const ProftpdTls&) = delete;
    ProftpdTls& operator=(const ProftpdTls&) = delete;

    [[nodiscard]] static bool installed();
    [[nodiscard]] bool running() const { return running_; }
    [[nodiscard]] const std::string& error() const { return error_; }
    [[nodiscard]] std::uint16_t port() const { return port_; }
    [[nodiscard]] std::uint16_t implicit_port() const { return implicit_port_; }
    [[nodiscard]] const std::filesystem::path& root() const { return root_; }
    [[nodiscard]] const TestCertificate& certificate() const { return certificate_; }
    // Makes a file the server may serve and replace (owned by the server's user).
    [[nodiscard]] bool put_file(const std::string& name, std::string_view bytes) const;
    [[nodiscard]] std::string log_text() const;

private:
    [[nodiscard]] bool prepare_files();

    TempDir dir_{"/tmp", "varnix-tls-"};  // reachable by nobody, unlike a home folder
    std::filesystem::path root_;
    TestCertificate certificate_;
    std::uint16_t port_ = 0;
    std::uint16_t implicit_port_ = 0;
    ChildProcess process_;
    bool running_ = false;
    std::string error_;
};

}  // namespace varnix::test
