// Fixture: ProFTPD with mod_proxy as a forward FTP proxy on 127.0.0.1, one free port per
// forward method, in front of a backend on a given loopback port; stopped by its pid.
#include "support/ftp_proxy.h"

#include <array>
#include <fstream>
#include <set>
#include <system_error>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/loopback_socket.h"
#include "support/proftpd_files.h"
#include "support/pyftpd.h"

namespace varnix::test {

namespace {

constexpr std::uint16_t passive_range_size = 4;
constexpr uid_t nobody = nobody_id;
constexpr gid_t nogroup = nobody_id;
constexpr std::string_view proftpd = proftpd_program;
constexpr std::string_view mod_proxy = "/usr/lib/proftpd/mod_proxy.so";

}  // namespace

FtpProxy::FtpProxy(std::uint16_t backend_port) : backend_port_(backend_port) {
    if (!installed()) {
        error_ = std::string(missing_message);
        return;
    }
    if (!dir_.valid()) {
        error_ = "cannot create a folder under /tmp";
        return;
    }
    running_ = prepare_files() && check_and_start() && wait_for_ports();
    if (!running_) {
        process_.stop();
    }
}

FtpProxy::~FtpProxy() {
    process_.stop();
}

bool FtpProxy::installed() {
    std::error_code ec;
    return std::filesystem::exists(proftpd, ec) && std::filesystem::exists(mod_proxy, ec);
}

std::uint16_t FtpProxy::port(ProxyMethod method) const {
    return ports_[static_cast<int>(method)];
}

std::string FtpProxy::target() const {
    return "127.0.0.1:" + std::to_string(backend_port_);
}

std::string FtpProxy::log_text() const {
    std::string text;
    for (const char* name : {"check.log", "proftpd.out", "proxy.log", "proxy-mod.log"}) {
        text += std::string("--- ") + name + "\n" + read_text_file(dir_.path() / name);
    }
    return text;
}

bool FtpProxy::prepare_files() {
    const auto& dir = dir_.path();
    std::set<std::uint16_t> taken{backend_port_};
    for (int i = 0; i < 3; ++i) {
        ports_[i] = free_ports(1, taken);
        passive_low_[i] = free_ports(passive_range_size, taken);
        if (ports_[i] == 0 || passive_low_[i] == 0) {
            error_ = "no free loopback ports for the proxy";
            return false;
        }
    }
    std::string conf = read_text_file(std::string(VARNIX_SOURCE_DIR) + "/tests/support/ftp-proxy.conf.in");
    replace_all(conf, "@DIR@", dir.string());
    replace_all(conf, "@BACKEND_RE@", "^127\\.0\\.0\\.1:" + std::to_string(backend_port_) + "$");
    constexpr std::array<std::string_view, 3> letters{"A", "B", "C"};
    for (int i = 0; i < 3; ++i) {
        const std::string l(letters[i]);
        replace_all(conf, "@PORT_" + l + "@", std::to_string(ports_[i]));
        replace_all(conf, "@PASV_" + l + "_LO@", std::to_string(passive_low_[i]));
        replace_all(conf, "@PASV_" + l + "_HI@",
                    std::to_string(passive_low_[i] + passive_range_size - 1));
    }
    if (conf.empty() || has_placeholder(conf)) {
        error_ = "tests/support/ftp-proxy.conf.in is missing or has an unknown placeholder";
        return false;
    }

    const auto hash = run_command({"openssl", "passwd", "-6", std::string(password)},
                                  dir / "check.log", Millis{10000});
    if (!hash || hash->size() < 2) {
        error_ = "openssl passwd -6 failed";
        return false;
    }
    const std::string hash_text = hash->substr(0, hash->find('\n'));
    using std::filesystem::perms;
    std::error_code ec;
    std::filesystem::create_directory(dir / "tables", ec);
    const bool written =
        !ec && write_file(dir / "proxy.conf", conf, perms::owner_read | perms::owner_write) &&
        write_file(dir / "proxy.passwd",
                   std::string(user) + ":" + hash_text + ":65534:65534::" + dir.string() +
                       ":/bin/false\n",
                   perms::owner_read | perms::owner_write | perms::group_read) &&
        write_file(dir / "proxy.group", "nogroup:x:65534:\n",
                   perms::owner_read | perms::owner_write | perms::group_read);
    if (!written) {
        error_ = "cannot write the proxy's files in " + dir.string();
        return false;
    }
    if (running_as_root()) {
        for (const char* name : {"", "tables", "proxy.conf", "proxy.passwd", "proxy.group"}) {
            if (::chown((dir / name).c_str(), nobody, nogroup) != 0) {
                error_ = "cannot give " + (dir / name).string() + " to nobody";
                return false;
            }
        }
    }
    return true;
}

bool FtpProxy::check_and_start() {
    const auto conf = (dir_.path() / "proxy.conf").string();
    const auto check = run_command(unprivileged({std::string(proftpd), "-t", "-c", conf}),
                                   dir_.path() / "check.log", start_bound);
    if (!check) {
        error_ = "proftpd -t rejected the configuration:\n" + log_text();
        return false;
    }
    process_ = ChildProcess(unprivileged({std::string(proftpd), "-n", "-c", conf}),
                            dir_.path() / "proftpd.out", false);
    if (process_.pid() <= 0) {
        error_ = "cannot start proftpd";
        return false;
    }
    return true;
}

bool FtpProxy::wait_for_ports() {
    std::string error;
    if (wait_until_accepting({ports_[0], ports_[1], ports_[2]}, process_, start_bound, error)) return true;
    error_ = error + ":\n" + log_text();
    return false;
}

}  // namespace varnix::test
