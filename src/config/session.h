// The Session record: the settings of the connection in use, and the twelve session
// options that a profile may override (held beside the record, as program-wide values).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace varnix {

// The most characters the file and the dialogs put into each text field.
namespace session_limits {
inline constexpr std::size_t name = 78;
inline constexpr std::size_t host = 78;
inline constexpr std::size_t user = 78;
inline constexpr std::size_t password = 78;
inline constexpr std::size_t account = 78;
// Paths as long as Linux allows (PATH_MAX less the terminator).
inline constexpr std::size_t remote_dir = 4095;
inline constexpr std::size_t local_dir = 4095;
inline constexpr std::size_t init_cmd = 78;
inline constexpr std::size_t local_mask = 18;
inline constexpr std::size_t remote_mask = 18;
inline constexpr std::size_t charset = 40;
// The longest network time-out in seconds (a day): larger stored values are read as this,
// so the limit in milliseconds always fits 32 bits.
inline constexpr std::int32_t max_timeout = 86400;
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

// How a profile uses TLS, as stored in its TLS key (absent: Plain, as profiles were before).
enum class TlsMode : std::int32_t {
    Plain = 0,        // plain FTP
    WhenOffered = 1,  // AUTH TLS, plain FTP when the server refuses it
    Required = 2,     // AUTH TLS, and no logon without it
    Implicit = 3,     // TLS from the first byte (port 990 by default)
};
inline constexpr std::int32_t implicit_tls_port = 990;

// A stored TLS value as the session keeps it: one the program does not know never means
// less protection, so it reads as Required.
[[nodiscard]] constexpr TlsMode tls_mode_from_key(std::int32_t value) {
    return value >= 0 && value <= 3 ? static_cast<TlsMode>(value) : TlsMode::Required;
}

// The port a profile uses when its PORT key is absent.
[[nodiscard]] constexpr std::int32_t default_port(TlsMode mode) {
    return mode == TlsMode::Implicit ? implicit_tls_port : 21;
}

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
    // MLSD: 1 lists with MLSD where the server offers it (the default), 0 always with LIST.
    std::int32_t mlsd = 1;
    // CHARSET: how the panes show this server's names; empty for automatic (UTF-8 where the
    // bytes are valid UTF-8, else Latin-1). Names are sent back as the bytes they came as.
    std::string charset;
    TlsMode tls = TlsMode::Plain;
};

// The INI key of each stored Session field in its profile's section (and in [_config_] for
// the two that have a default there); the reader, the writer and the dialogs use these names.
namespace profile_key {
inline constexpr std::string_view host = "HOST";
inline constexpr std::string_view user = "UID";
inline constexpr std::string_view password = "PWD";    // scrambled with the user ID
inline constexpr std::string_view account = "ACT";     // scrambled with the user ID
inline constexpr std::string_view remote_dir = "DIR";  // stored in double quotes
inline constexpr std::string_view local_dir = "LOCDIR";
inline constexpr std::string_view init_cmd = "INITCMD";
inline constexpr std::string_view local_mask = "LMASK";
inline constexpr std::string_view remote_mask = "RMASK";
inline constexpr std::string_view timeout = "TIMEOUT";
inline constexpr std::string_view host_type = "TYPE";
inline constexpr std::string_view port = "PORT";
inline constexpr std::string_view firewall_type = "FIRETYPE";
inline constexpr std::string_view retries = "RETRIES";
inline constexpr std::string_view passive = "PASVMODE";
inline constexpr std::string_view use_firewall = "FIREWALL";
inline constexpr std::string_view mlsd = "MLSD";
inline constexpr std::string_view charset = "CHARSET";
inline constexpr std::string_view tls = "TLS";
}  // namespace profile_key

// The twelve session options. Loaded per profile, with [_config_] as the default.
struct SessionOptions {
    int convert_extensions = 0;   // the extension conversions of VARNIX.CNV on names
    int force_lowercase = 0;      // local names shown and uploaded names made lower case
    int receive_unique = 0;       // a download never overwrites: a new local name instead
    int send_unique = 0;          // uploads with STOU: the host assigns the name
    int play_sounds = 1;          // sounds on connect, completion and error; 0 silence
    int prompt_for_names = 0;     // ask for each destination file name
    int relist_after_change = 1;  // list the remote directory again after a remote change
    int sorted_lists = 0;
    int mode = 'I';                // the transfer type: 'A', 'I' or 'L' as the character code
    int auto_mode = 0;             // ASCII for the extensions of VARNIX.EXT, else binary
    int links_as_directories = 1;  // remote symbolic links: directories (1) or files (0)
    int use_wave_files = 1;        // wave files rather than beeps
};

struct SessionOptionKey {
    std::string_view key;
    int SessionOptions::*field;
};

// Each option's key, in the order a profile loads them: the one place a key is spelled, for
// the profile reader and the dialogs that write a profile or [_config_].
inline constexpr std::array<SessionOptionKey, 12> session_option_keys{{
    {"CONVEXT", &SessionOptions::convert_extensions},
    {"FORCLOW", &SessionOptions::force_lowercase},
    {"RECU", &SessionOptions::receive_unique},
    {"STOU", &SessionOptions::send_unique},
    {"BELL", &SessionOptions::play_sounds},
    {"PROMPT", &SessionOptions::prompt_for_names},
    {"DOUPDATE", &SessionOptions::relist_after_change},
    {"SORTLBX", &SessionOptions::sorted_lists},
    {"MODE", &SessionOptions::mode},
    {"AMODE", &SessionOptions::auto_mode},
    {"VLINK", &SessionOptions::links_as_directories},
    {"usewave", &SessionOptions::use_wave_files},
}};

// Every option is an int, so a field missing from the table shows in the size.
static_assert(sizeof(SessionOptions) == session_option_keys.size() * sizeof(int),
              "each session option needs its key in session_option_keys");

[[nodiscard]] constexpr std::string_view option_key(int SessionOptions::*field) {
    for (const SessionOptionKey& entry : session_option_keys)
        if (entry.field == field) return entry.key;
    return {};  // not reached: every field has its key (checked by the tests)
}

// The transfer type as the MODE option stores it.
enum class TransferMode : int { Ascii = 'A', Binary = 'I', Local8 = 'L' };

// A stored TIMEOUT as the session keeps it: values beyond max_timeout become max_timeout;
// values below 5 (the time-out off) stay as they are.
[[nodiscard]] constexpr std::int32_t clamp_timeout(std::int32_t seconds) {
    return seconds > session_limits::max_timeout ? session_limits::max_timeout : seconds;
}

// The time-out in milliseconds: whole 5-second ticks, -1 (no limit) below 5 seconds.
[[nodiscard]] constexpr int timeout_limit_ms(std::int32_t seconds) {
    if (seconds < 5) return -1;
    return clamp_timeout(seconds) / 5 * 5000;
}

// Cuts a value to the most characters its field keeps.
inline std::string cut_to(std::string value, std::size_t limit) {
    if (value.size() > limit) value.resize(limit);
    return value;
}

}  // namespace varnix
