// Fixture: ProFTPD with mod_proxy as a forward FTP proxy on 127.0.0.1, one free port per
// forward method, in front of a backend on a given loopback port; stopped by its pid.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace varnix::test {

// The three forward methods, with the firewall logon each one serves.
enum class ProxyMethod {
    UserAtHost,                // type 2: USER user@host:port, PASS pass
    ProxyUserCommaUserAtHost,  // type 1: USER/PASS proxy, then USER user@host:port, PASS pass
    ProxyUserAtHostCommaUser,  // type 5: USER proxy@host:port, PASS proxy, then USER user, PASS pass
};

// Usage:
//     PyFtpd backend;
//     FtpProxy proxy(backend.port());
//     if (!FtpProxy::installed()) GTEST_SKIP() << FtpProxy::missing_message;
//     ASSERT_TRUE(proxy.running()) << proxy.error();
//     connect to 127.0.0.1:proxy.port(ProxyMethod::UserAtHost),
//     send "USER anna@" + proxy.target(), ...
class FtpProxy {
public:
    static constexpr std::string_view user = "proxy";
    static constexpr std::string_view password = "proxy";
    static constexpr std::string_view missing_message =
        "proftpd with mod_proxy is not installed (Debian packages proftpd-core, "
        "proftpd-mod-proxy, proftpd-mod-crypto)";
    static constexpr Millis start_bound{15000};

    // Starts the proxy; it may only forward to 127.0.0.1:backend_port.
    explicit FtpProxy(std::uint16_t backend_port);
    ~FtpProxy();
    FtpProxy(const FtpProxy&) = delete;
    FtpProxy& operator=(const FtpProxy&) = delete;

    [[nodiscard]] static bool installed();
    [[nodiscard]] bool running() const { return running_; }
    [[nodiscard]] const std::string& error() const { return error_; }
    [[nodiscard]] std::uint16_t port(ProxyMethod method) const;
    // The backend as the host part of a proxy logon: "127.0.0.1:PORT".
    [[nodiscard]] std::string target() const;
    [[nodiscard]] pid_t pid() const { return process_.pid(); }
    // The proxy's logs, for the message of a failing test.
    [[nodiscard]] std::string log_text() const;

private:
    [[nodiscard]] bool prepare_files();
    [[nodiscard]] bool check_and_start();
    [[nodiscard]] bool wait_for_ports();

    std::uint16_t backend_port_;
    TempDir dir_{"/tmp", "varnix-proxy-"};  // reachable by nobody, unlike a home folder
    std::uint16_t ports_[3] = {0, 0, 0};
    std::uint16_t passive_low_[3] = {0, 0, 0};
    ChildProcess process_;
    bool running_ = false;
    std::string error_;
};

}  // namespace varnix::test
