// The configuration file: where VARNIX.INI and its sibling files are found, the [_config_]
// keys with their defaults, the read/write helpers every layer uses, and the start-up load.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "config/config_context.h"
#include "platform/ini_file.h"

namespace varnix {

inline constexpr std::string_view config_section = "_config_";
inline constexpr std::string_view firewall_section = "FIREWALL";
inline constexpr std::string_view program_section = "VARNIX";
inline constexpr const char* config_file_name = "VARNIX.INI";
inline constexpr const char* user_profile_file_name = "user.ini";

// Text keys of [_config_] with their limits and defaults.
namespace config_limits {
inline constexpr std::size_t mail_address = 126;
inline constexpr std::size_t session = 78;
inline constexpr std::size_t viewer = 119;
inline constexpr std::size_t logfile = 155;
inline constexpr std::size_t font_name = 30;
inline constexpr std::size_t wave_path = 255;
inline constexpr std::size_t window_location = 79;
}  // namespace config_limits

// A Linux desktop has no notepad: the viewer opens the file with the user's own choice.
inline constexpr const char* default_viewer = "xdg-open";
inline constexpr const char* default_logfile = "VARNIX.LOG";

// The folders searched for a support file, each without a trailing "/"; empty when unknown.
struct SupportDirs {
    std::string current_dir;
    std::string program_dir;  // the folder of the running executable
    std::string config_dir;   // $XDG_CONFIG_HOME/varnix, default ~/.config/varnix
};
[[nodiscard]] SupportDirs system_support_dirs();

// The current directory's file if it exists, else the program directory's, else the path in
// the per-user folder (where a new file is created), else the bare name.
[[nodiscard]] std::string locate_support_file(std::string_view name, const SupportDirs& dirs);
[[nodiscard]] std::string locate_support_file(std::string_view name);

// Start-up: locates VARNIX.INI into config_path and sets user_profile_path.
void init_config_paths(ConfigContext& ctx, const SupportDirs& dirs);

// Reads of [_config_]. A missing file or key gives the default; values are cut to max_chars.
[[nodiscard]] std::string config_get_string(const ConfigContext& ctx, std::string_view key,
                                            std::string_view fallback, std::size_t max_chars);
[[nodiscard]] std::int32_t config_get_int(const ConfigContext& ctx, std::string_view key,
                                          std::int32_t fallback);
// The key of the section, else the same key of [_config_], else the fallback.
[[nodiscard]] std::int32_t profile_get_int(const ConfigContext& ctx, std::string_view section,
                                           std::string_view key, std::int32_t fallback);
[[nodiscard]] std::int32_t profile_get_int(const IniFile& ini, std::string_view section,
                                           std::string_view key, std::int32_t fallback);

// Writes. A failed write leaves the file as it was and prints "Cannot save <path>: <reason>"
// (the settings in memory stay as they are).
// A null value deletes the key.
void config_put_string(ConfigContext& ctx, std::string_view key,
                       std::optional<std::string_view> value);
// Writes the value's 32-bit pattern as "%u" (so -11 is stored as 4294967285).
void put_uint(ConfigContext& ctx, std::string_view section, std::string_view key,
              std::uint32_t value);
// Stores the value in the section only when it differs from the [_config_] key of the same
// name (absent or 99 counts as differing); otherwise deletes the section's key.
void profile_put_override(ConfigContext& ctx, std::string_view section, std::string_view key,
                          std::int32_t value);
void profile_put_override(IniFile& ini, std::string_view section, std::string_view key,
                          std::int32_t value);
void current_profile_put_override(ConfigContext& ctx, std::string_view key, std::int32_t value);

// Loads the file, lets `edit` change it, and saves it in one replacement, so a multi-key
// change is never half written. Returns false (after printing why) when it could not be
// read or saved; nothing is written then.
bool update_config_file(ConfigContext& ctx, const std::function<IniStatus(IniFile&)>& edit,
                        IniSync sync = IniSync::Flushed);

// Start-up (and after the configuration path is replaced): MAILADDR, the current profile
// named by SESSION, and the program settings read at start-up. Sets the message filter from
// VERBOSE.
void load_program_settings(ConfigContext& ctx);
// Writes the current Session's name to SESSION.
void save_last_session(ConfigContext& ctx);

// Keys read at the moment they are used.
[[nodiscard]] std::string read_viewer(const ConfigContext& ctx);  // each view
struct LogSettings {
    bool enabled = true;  // only dolog=1 enables the log
    std::string file = default_logfile;
};
[[nodiscard]] LogSettings read_log_settings(const ConfigContext& ctx);  // each log write
struct FontSettings {
    std::int32_t font = 3;  // FONT 0..4, 4 the custom font below
    std::string face = "Courier New";
    std::int32_t height = -11;
    std::int32_t width = 0;
    std::int32_t weight = 400;
    std::int32_t pitch_and_family = 49;  // one byte in the font description
};
[[nodiscard]] FontSettings read_font_settings(const ConfigContext& ctx);  // first font use
struct SoundSettings {
    std::int32_t use_wave_files = 1;  // wave files rather than beeps
    std::string wav_connect, wav_complete, wav_error;
};
// Defaults: the program directory + "connect.wav", "complete.wav", "error.wav".
[[nodiscard]] SoundSettings read_sound_settings(const ConfigContext& ctx,
                                                const std::string& program_dir);
struct WindowPlacementKeys {
    std::string location;  // LOC, empty when absent
    bool maximize = false;  // MAXIMIZE is 1
};
[[nodiscard]] WindowPlacementKeys read_window_placement(const ConfigContext& ctx);
// SORTLBX when the main window's controls are created; sets the session option.
void read_window_sortlbx(ConfigContext& ctx);
// SPFLAGS above 0 in the user profile's [VARNIX] or in [_config_].
[[nodiscard]] bool password_saving_banned(const ConfigContext& ctx);
// [VARNIX] FIREWALL: the firewall for a batch transfer to a host that is not a profile.
[[nodiscard]] bool batch_host_uses_firewall(const ConfigContext& ctx);

// The one firewall of [FIREWALL]. Strings keep 78 characters; the password is unscrambled
// with the firewall user ID and password_saved tells whether PWD was present.
struct FirewallSettings {
    std::string host, user, password;
    bool password_saved = false;
    std::int32_t port = 21;
    std::int32_t type = 1;  // FIRETYPE, FirewallType values
};
[[nodiscard]] FirewallSettings read_firewall_settings(const ConfigContext& ctx);
// Writes HOST, UID, PORT, FIRETYPE and, when password_saved, PWD scrambled (else deletes it).
// A password too long to survive a reload is not stored; a message says so.
void write_firewall_settings(ConfigContext& ctx, const FirewallSettings& firewall);

}  // namespace varnix
