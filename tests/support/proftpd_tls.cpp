// Fixture: ProFTPD with mod_tls on loopback, explicit and implicit, session reuse required.
#include "support/proftpd_tls.h"

#include <set>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

#include "support/proftpd_files.h"
#include "support/pyftpd.h"

namespace varnix::test {

namespace {

constexpr std::uint16_t passive_range_size = 8;
constexpr std::string_view mod_tls = "/usr/lib/proftpd/mod_tls.so";

}  // namespace

ProftpdTls::ProftpdTls() {
    if (!installed()) {
        error_ = std::string(missing_message);
        return;
    }
    if (!dir_.valid()) {
        error_ = "cannot create a folder under /tmp";
        return;
    }
    running_ = prepare_files();
    if (running_) {
        const auto conf = (dir_.path() / "proftpd.conf").string();
        process_ = ChildProcess(unprivileged({std::string(proftpd_program), "-n", "-c", conf}),
                                dir_.path() / "proftpd.out", false);
        running_ = process_.pid() > 0 &&
                   wait_until_accepting({port_, implicit_port_}, process_, start_bound, error_);
        if (!running_ && error_.empty()) error_ = "cannot start proftpd";
        if (!running_) error_ += ":\n" + log_text();
    }
    if (!running_) process_.stop();
}

ProftpdTls::~ProftpdTls() { process_.stop(); }

bool ProftpdTls::installed() {
    std::error_code ec;
    return std::filesystem::exists(proftpd_program, ec) && std::filesystem::exists(mod_tls, ec);
}

std::string ProftpdTls::log_text() const {
    std::string text;
    for (const char* name : {"proftpd.out", "proftpd.log", "tls.log"}) {
        text += std::string("--- ") + name + "\n" + read_text_file(dir_.path() / name);
    }
    return text;
}

bool ProftpdTls::put_file(const std::string& name, std::string_view bytes) const {
    using std::filesystem::perms;
    const auto path = root_ / name;
    if (!write_file(path, bytes, perms::owner_read | perms::owner_write | perms::group_read | perms::others_read))
        return false;
    return !running_as_root() || ::chown(path.c_str(), nobody_id, nobody_id) == 0;
}

bool ProftpdTls::prepare_files() {
    const auto& dir = dir_.path();
    root_ = dir / "root";
    std::error_code ec;
    std::filesystem::create_directory(root_, ec);
    ::chmod(dir.c_str(), 0755);
    certificate_ = make_test_certificate(dir, "cert");
    if (!certificate_.error.empty()) {
        error_ = certificate_.error;
        return false;
    }
    std::set<std::uint16_t> taken;
    port_ = free_ports(1, taken);
    implicit_port_ = free_ports(1, taken);
    const std::uint16_t passive_low = free_ports(passive_range_size, taken);
    if (port_ == 0 || implicit_port_ == 0 || passive_low == 0) {
        error_ = "no free loopback ports for proftpd";
        return false;
    }
    const bool root = running_as_root();
    const std::string uid = root ? std::to_string(nobody_id) : std::to_string(::getuid());
    const std::string gid = root ? std::to_string(nobody_id) : std::to_string(::getgid());
    std::string conf = read_text_file(std::string(VARNIX_SOURCE_DIR) + "/tests/support/proftpd-tls.conf.in");
    replace_all(conf, "@DIR@", dir.string());
    replace_all(conf, "@PORT@", std::to_string(port_));
    replace_all(conf, "@IMPLICIT_PORT@", std::to_string(implicit_port_));
    replace_all(conf, "@PASV_LO@", std::to_string(passive_low));
    replace_all(conf, "@PASV_HI@", std::to_string(passive_low + passive_range_size - 1));
    replace_all(conf, "@USER@", root ? "nobody" : "#" + uid);
    replace_all(conf, "@GROUP@", root ? "nogroup" : "#" + gid);
    replace_all(conf, "@CERT@", certificate_.cert.string());
    replace_all(conf, "@KEY@", certificate_.key.string());
    if (conf.empty() || has_placeholder(conf)) {
        error_ = "tests/support/proftpd-tls.conf.in is missing or has an unknown placeholder";
        return false;
    }
    const auto hash = run_command({"openssl", "passwd", "-6", std::string(password)}, dir / "openssl.log",
                                  Millis{10000});
    if (!hash || hash->size() < 2) {
        error_ = "openssl passwd -6 failed";
        return false;
    }
    using std::filesystem::perms;
    const auto owner_group = perms::owner_read | perms::owner_write | perms::group_read;
    const bool written =
        write_file(dir / "proftpd.conf", conf, perms::owner_read | perms::owner_write) &&
        write_file(dir / "ftpd.passwd",
                   std::string(user) + ":" + hash->substr(0, hash->find('\n')) + ":" + uid + ":" + gid +
                       "::" + root_.string() + ":/bin/false\n",
                   owner_group) &&
        write_file(dir / "ftpd.group", (root ? "nogroup" : "tests") + std::string(":x:") + gid + ":\n",
                   owner_group);
    if (!written) {
        error_ = "cannot write proftpd's files in " + dir.string();
        return false;
    }
    if (root) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir, ec))
            if (::chown(entry.path().c_str(), nobody_id, nobody_id) != 0) ec.clear();
        if (::chown(dir.c_str(), nobody_id, nobody_id) != 0) {
            error_ = "cannot give " + dir.string() + " to nobody";
            return false;
        }
    }
    return true;
}

}  // namespace varnix::test
