// The Session record: the settings of the connection in use, and the twelve session
// options that a profile may override (held beside the record, as program-wide values).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace varnix {

// The most characters the file and the dialogs put into each text field.
namespace session_limits {
inline constexpr std::size_t name = 78;
inline constexpr std::size_t host = 78;
inline constexpr std::size_t user = 78;
inline constexpr std::size_t password = 78;
inline constexpr std::size_t account = 78;
inline constexpr std::size_t remote_dir = 142;
inline constexpr std::size_t local_dir = 142;
inline constexpr std::size_t init_cmd = 78;
inline constexpr std::size_t local_mask = 18;
inline constexpr std::size_t remote_mask = 18;
}  // namespace session_limits

inline constexpr int host_type_automatic = 6000;

// Firewall types as stored in [FIREWALL] FIRETYPE.
enum class FirewallType : int {
    SiteHostname = 0,
    UserAfterLogon = 1,
    UserNoLogon = 2,
    ProxyOpen = 3,
    UserAtHostFireId = 4,
    FireIdAtHost = 5,
    Transparent = 6,
};

struct Session {
    std::string name;
    std::string host;
    std::string user;
    std::string password;  // plain in memory, scrambled in the file
    std::string account;   // plain in memory, scrambled in the file
    std::string remote_dir;
    std::string local_dir;  // "origdir" (any case) means the start-up directory
    std::string init_cmd;
    std::string local_mask;
    std::string remote_mask;
    std::int32_t timeout = 65;
    std::int32_t host_type = host_type_automatic;
    std::int32_t port = 21;
    std::int32_t firewall_type = 0;
    std::int32_t retries = 0;
    std::int32_t password_saved = 0;
    std::int32_t passive = 0;
    std::int32_t use_firewall = 0;
};

// The twelve session options. Loaded per profile, with [_config_] as the default.
struct SessionOptions {
    int convext = 0;   // CONVEXT
    int forclow = 0;   // FORCLOW
    int recu = 0;      // RECU
    int stou = 0;      // STOU
    int bell = 1;      // BELL
    int prompt = 0;    // PROMPT
    int doupdate = 1;  // DOUPDATE
    int sortlbx = 0;   // SORTLBX
    int mode = 'I';    // MODE: 'A', 'I' or 'L' as the character code
    int amode = 0;     // AMODE
    int vlink = 1;     // VLINK
    int usewave = 1;   // usewave
};

// The transfer type as the MODE option stores it.
enum class TransferMode : int { Ascii = 'A', Binary = 'I', Local8 = 'L' };

// Cuts a value to the most characters its field keeps.
inline std::string cut_to(std::string value, std::size_t limit) {
    if (value.size() > limit) value.resize(limit);
    return value;
}

}  // namespace varnix
