// Local names for downloaded files: long names where the folder's file system allows them,
// else 8.3 names, the host-type rules, and numbered variants for "Receive Unique".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "transfer/transfer_context.h"

namespace varnix {

inline constexpr std::size_t local_name_max = 255;
// Remote names this long or longer get an 8.3 name even where long names are allowed: none
// that a Linux file system can hold (up to 255 bytes; the volume's own limit still applies).
inline constexpr std::size_t long_name_source_limit = local_name_max + 1;
inline constexpr const char* fallback_local_name = "aaremote";

// The folder a local name is made for and its file system's longest name component
// (-1 when it could not be asked; 8.3 names are made then).
struct LocalVolume {
    std::string folder = ".";
    long name_max = -1;
};
[[nodiscard]] LocalVolume probe_local_volume(const std::string& folder);

// The local file name for a remote name, for a file inside `volume.folder`. The result is a
// single name component, never empty, ".", ".." or holding "/", a control byte or NUL: a
// remote name's path parts never become local directories. With RECU on, a name already
// taken in the folder gets a number ("notes000.txt", "report.txt.000"), 99 tries at most.
[[nodiscard]] std::string make_local_name(TransferContext& ctx, std::string_view remote,
                                          const LocalVolume& volume);
// The same for the current local directory.
[[nodiscard]] std::string make_local_name(TransferContext& ctx, std::string_view remote);

// The trimming that z/VM names get before they are shortened: trailing blanks, tabs, CR and
// LF dropped, leading blanks skipped, inner runs of blanks reduced to one.
[[nodiscard]] std::string squeeze_spaces(std::string_view text);

}  // namespace varnix
