// ProgramSettings: the program-wide settings of the [_config_] section, with their defaults.
#pragma once

#include <cstdint>
#include <string>

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
    int verbose = 0;      // VERBOSE
    int hash = 1;         // HASH: show the transfer dialog
    int tranrate = 0;     // 0 bits/sec, 1 Bytes/sec
    int autosave = 0;     // AUTOSAVE
    int longdir = 1;      // LONGDIR
    int dblclk = 0;       // DBLCLK
    int autostart = 1;    // AUTOSTART
    int layout = 0;       // LAYOUT
    int bontop = 0;       // BONTOP
    int font = 3;         // FONT
    int scale = 0;        // SCALE
    int vrfydel = 1;      // VRFYDEL
    int rbp = 65536;      // RBP: receive chunk size, when the key is absent
    int sbp = 65536;      // SBP: send chunk size, when the key is absent
    int prodrag = 1;      // PRODRAG
    int proreget = 1;     // PROREGET
    int lfsort = 1;       // LFSORT
    int rfsort = 1;       // RFSORT
    // The in-memory copy of dolog that transfers test before logging; the log itself reads
    // the file's value again.
    int dolog = 1;
    int mdtm = 1;       // MDTM: a download takes the server's modification time (MDTM)
    int idle_noop = 0;  // IDLENOOP: seconds of quiet before a NOOP keeps the session; 0 off
};

}  // namespace varnix
