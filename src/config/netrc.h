// ~/.netrc: the user and password that curl, lftp and ftp read for a host, here for batch
// transfers to hosts without a profile.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varnix {

struct NetrcLogin {
    std::string login;
    std::string password;
    std::string account;
};

// The entry for `host` in netrc text: the first "machine" of that name (compared without
// regard to case), else the "default" entry; nothing when neither exists. Tokens are separated
// by blanks, tabs and line ends; a double-quoted token may hold blanks and \-escapes; macdef
// bodies (up to an empty line) are skipped.
[[nodiscard]] std::optional<NetrcLogin> find_netrc_login(std::string_view text, std::string_view host);

// Why a netrc file was not used, or the login found in it.
struct NetrcLookup {
    std::optional<NetrcLogin> login;
    std::string refused;  // non-empty when the file exists but was not read: says why
};

// Looks `host` up in the file at `path`. A file that others than its owner may read or
// write is refused, as ftp and lftp refuse it: it may hold passwords.
[[nodiscard]] NetrcLookup read_netrc_login(const std::string& path, std::string_view host);

// $NETRC when set, else $HOME/.netrc; empty when neither is known.
[[nodiscard]] std::string netrc_path();

}  // namespace varnix
