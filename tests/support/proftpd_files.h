// Helpers for the ProFTPD fixtures (the forward proxy, the TLS server): free loopback ports,
// configuration rendering, private files, and running unprivileged when the tests run as root.
#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "support/child_process.h"

namespace varnix::test {

inline constexpr std::string_view proftpd_program = "/usr/sbin/proftpd";

// `count` consecutive free ports none of which is in `taken` (they are added to it); 0 when
// none was found.
[[nodiscard]] std::uint16_t free_ports(std::uint16_t count, std::set<std::uint16_t>& taken);

void replace_all(std::string& text, std::string_view from, std::string_view to);
// Whether an "@NAME@" is left after rendering (text may hold other '@').
[[nodiscard]] bool has_placeholder(std::string_view text);

// Writes the file and sets its mode; false on failure.
[[nodiscard]] bool write_file(const std::filesystem::path& path, std::string_view text,
                              std::filesystem::perms mode);

[[nodiscard]] bool running_as_root();

// As root a ProFTPD fixture runs as nobody (uid and gid 65534): the command with setpriv in
// front; otherwise the command itself.
[[nodiscard]] std::vector<std::string> unprivileged(std::vector<std::string> command);
inline constexpr unsigned nobody_id = 65534;

// Waits (bounded) until each port accepts a connection; false with `error` set when the
// process exited first or the bound passed.
[[nodiscard]] bool wait_until_accepting(const std::vector<std::uint16_t>& ports, ChildProcess& process,
                                        Millis bound, std::string& error);

}  // namespace varnix::test
