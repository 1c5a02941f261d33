// Fixture: a pyftpdlib server (tests/support/pyftpd_server.py) on 127.0.0.1 and a free
// port, with a fresh home folder, started by the constructor and stopped by its pid.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace varnix::test {

struct PyFtpdUser {
    std::string name;
    std::string password;
    std::string subdir;  // home is PyFtpd::home() / subdir (created); empty: home() itself
};

struct PyFtpdOptions {
    std::vector<PyFtpdUser> users{{"anna", "secret", ""}};
    bool anonymous = false;  // read-only anonymous account with home()
    std::uint16_t passive_low = 0;  // passive port range; 0: any port
    std::uint16_t passive_high = 0;
    unsigned send_limit = 0;  // bytes per second the server sends data at; 0: no limit
    std::string address{};    // the loopback address to listen on; empty: 127.0.0.1 ("::1": IPv6)
    // Explicit TLS with this certificate and key (PEM files); empty: plain FTP only.
    std::filesystem::path tls_cert{}, tls_key{};
    bool tls_required = false;  // no logon or data connection without TLS
    bool tls_cut_data = false;  // data connections end without TLS close_notify, as if cut
};

// Usage:
//     PyFtpd ftpd;
//     ASSERT_TRUE(ftpd.running()) << ftpd.error();
//     write files into ftpd.home(), log on at 127.0.0.1:ftpd.port() as anna / secret
class PyFtpd {
public:
    explicit PyFtpd(PyFtpdOptions options = {});
    ~PyFtpd();
    PyFtpd(const PyFtpd&) = delete;
    PyFtpd& operator=(const PyFtpd&) = delete;

    [[nodiscard]] bool running() const { return port_ != 0; }
    [[nodiscard]] const std::string& error() const { return error_; }
    [[nodiscard]] std::uint16_t port() const { return port_; }
    [[nodiscard]] const std::filesystem::path& home() const { return home_; }
    [[nodiscard]] pid_t pid() const { return process_.pid(); }
    // The server's own log, for the message of a failing test.
    [[nodiscard]] std::string log_text() const;

    static constexpr Millis start_bound{10000};

private:
    TempDir dir_;
    std::filesystem::path home_;
    std::filesystem::path log_;
    ChildProcess process_;
    std::uint16_t port_ = 0;
    std::string error_;
};

// The whole content of a small text file, or "" when it cannot be read.
[[nodiscard]] std::string read_text_file(const std::filesystem::path& path);

}  // namespace varnix::test
