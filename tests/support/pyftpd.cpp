// Fixture: a pyftpdlib server (tests/support/pyftpd_server.py) on 127.0.0.1 and a free
// port, with a fresh home folder, started by the constructor and stopped by its pid.
#include "support/pyftpd.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <string_view>
#include <system_error>

namespace varnix::test {

namespace {

std::vector<std::string> server_command(const PyFtpdOptions& options,
                                        const std::filesystem::path& home) {
    std::vector<std::string> argv{"/usr/bin/python3",
                                  std::string(VARNIX_SOURCE_DIR) + "/tests/support/pyftpd_server.py"};
    for (const auto& user : options.users) {
        argv.insert(argv.end(), {"--user", user.name, user.password, (home / user.subdir).string()});
    }
    if (options.anonymous) {
        argv.insert(argv.end(), {"--anonymous", home.string()});
    }
    if (options.passive_low != 0) {
        argv.insert(argv.end(), {"--passive-ports", std::to_string(options.passive_low),
                                 std::to_string(options.passive_high)});
    }
    if (options.send_limit != 0) {
        argv.insert(argv.end(), {"--send-limit", std::to_string(options.send_limit)});
    }
    if (!options.address.empty()) {
        argv.insert(argv.end(), {"--address", options.address});
    }
    if (!options.tls_cert.empty()) {
        argv.insert(argv.end(), {"--tls", options.tls_cert.string(), options.tls_key.string()});
    }
    if (options.tls_required) argv.emplace_back("--tls-required");
    if (options.tls_cut_data) argv.emplace_back("--tls-cut-data");
    return argv;
}

// "port N" as printed by the server script.
std::uint16_t parse_port_line(std::string_view line) {
    constexpr std::string_view prefix = "port ";
    if (!line.starts_with(prefix)) {
        return 0;
    }
    line.remove_prefix(prefix.size());
    std::uint16_t port = 0;
    const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), port);
    return ec == std::errc{} && end == line.data() + line.size() ? port : 0;
}

}  // namespace

std::string read_text_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

PyFtpd::PyFtpd(PyFtpdOptions options) {
    if (!dir_.valid()) {
        error_ = "cannot create a temporary folder";
        return;
    }
    home_ = dir_.path() / "home";
    log_ = dir_.path() / "pyftpd.log";
    std::error_code ec;
    for (const auto& user : options.users) {
        std::filesystem::create_directories(home_ / user.subdir, ec);
    }
    std::filesystem::create_directories(home_, ec);

    process_ = ChildProcess(server_command(options, home_), log_, true);
    if (process_.pid() <= 0) {
        error_ = "cannot start /usr/bin/python3";
        return;
    }
    const auto line = process_.read_line(start_bound);
    port_ = line ? parse_port_line(*line) : 0;
    if (port_ == 0) {
        error_ = "pyftpdlib server did not report its port within " +
                 std::to_string(start_bound.count()) + " ms; log:\n" + log_text();
        process_.stop();
    }
}

PyFtpd::~PyFtpd() {
    process_.stop();
}

std::string PyFtpd::log_text() const {
    return read_text_file(log_);
}

}  // namespace varnix::test
