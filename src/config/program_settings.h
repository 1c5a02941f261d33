// ProgramSettings: the program-wide settings of the [_config_] section, with their defaults.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace varnix {

// The e-mail address sent as the password of anonymous logons when none is configured.
inline constexpr const char* default_mail_address = "guest@varnix.invalid";

// The chunk sizes (RBP, SBP) the options dialog accepts and the transfer loops use. A stored
// value is honoured as it is; the loops keep it within these bounds.
namespace transfer_buffer_limits {
inline constexpr int smallest = 80;
inline constexpr int largest = 1048576;
}  // namespace transfer_buffer_limits

struct ProgramSettings {
    std::string mail_address = default_mail_address;  // MAILADDR, 126
    int verbose = 0;               // "Debug Messages": lines that begin with "[" are shown
    int show_transfer_dialog = 1;  // the progress dialog during transfers
    int rates_in_bytes = 0;        // transfer rates in Bytes/sec rather than bits/sec
    int auto_save_profiles = 0;    // OK in the profile dialog also saves the profile
    int full_directory_info = 1;   // pane entries carry date, time and size
    int double_click_action = 0;   // on a file: 0 transfer, 1 view, 2 nothing
    int connect_at_start = 1;      // the connect dialog opens at start-up
    int alternate_layout = 0;
    int buttons_on_top = 0;
    int list_font = 3;    // 0..3 the stock list fonts, 4 the custom one
    int scale_fonts = 0;  // button and label text scaled with the window
    int verify_deletions = 1;
    int receive_chunk_bytes = 65536;  // when the key is absent
    int send_chunk_bytes = 65536;     // when the key is absent
    int drag_and_drop = 1;            // between the two panes
    // After connecting, resuming an interrupted download of the profile is offered.
    int auto_reget = 1;
    int local_sort = 1;  // sort code: bits 0-2 the key, 0x10 reverse
    int remote_sort = 1;
    // The in-memory copy of the transfer log switch that transfers test before logging;
    // the log itself reads the file's value again.
    int log_transfers = 1;
    int keep_remote_times = 1;  // a download takes the server's modification time (MDTM)
    int idle_noop = 0;          // seconds of quiet before a NOOP keeps the session; 0 off
};

// How start-up reads a setting's key.
enum class SettingLoad {
    KeepingMemory,  // with the value already in memory as the default
    WithDefault,    // with the default of the record above
    WhenUsed,       // not at start-up: the feature reads the file when it runs
};

struct ProgramSettingKey {
    std::string_view key;
    int ProgramSettings::*field;
    SettingLoad load = SettingLoad::WithDefault;
};

// Each setting's key in [_config_], in the order start-up reads them: the one place a key is
// spelled. load_program_settings() reads through this table; the option dialogs write
// through setting_key().
inline constexpr std::array<ProgramSettingKey, 21> program_setting_keys{{
    {"VERBOSE", &ProgramSettings::verbose, SettingLoad::KeepingMemory},
    {"HASH", &ProgramSettings::show_transfer_dialog, SettingLoad::KeepingMemory},
    {"AUTOSTART", &ProgramSettings::connect_at_start, SettingLoad::KeepingMemory},
    {"tranrate", &ProgramSettings::rates_in_bytes},
    {"AUTOSAVE", &ProgramSettings::auto_save_profiles},
    {"LONGDIR", &ProgramSettings::full_directory_info},
    {"DBLCLK", &ProgramSettings::double_click_action},
    {"LAYOUT", &ProgramSettings::alternate_layout},
    {"BONTOP", &ProgramSettings::buttons_on_top},
    {"FONT", &ProgramSettings::list_font},
    {"SCALE", &ProgramSettings::scale_fonts},
    {"VRFYDEL", &ProgramSettings::verify_deletions},
    {"RBP", &ProgramSettings::receive_chunk_bytes},
    {"SBP", &ProgramSettings::send_chunk_bytes},
    {"PRODRAG", &ProgramSettings::drag_and_drop},
    {"PROREGET", &ProgramSettings::auto_reget},
    {"LFSORT", &ProgramSettings::local_sort},
    {"RFSORT", &ProgramSettings::remote_sort},
    {"MDTM", &ProgramSettings::keep_remote_times},
    {"IDLENOOP", &ProgramSettings::idle_noop},
    {"dolog", &ProgramSettings::log_transfers, SettingLoad::WhenUsed},
}};

[[nodiscard]] constexpr std::string_view setting_key(int ProgramSettings::*field) {
    for (const ProgramSettingKey& entry : program_setting_keys)
        if (entry.field == field) return entry.key;
    return {};  // not reached: every field has its key (checked by the tests)
}

}  // namespace varnix
