// The command line: options, the split into source and destination words, and the address
// forms host:path, ftp://host[:port]/path, ftps://host[:port]/path and local:path.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch_context.h"

namespace varnix {

inline constexpr const char* usage_text =
    "Syntax: VARNIX host:full_path [local:full_path] [-ascii]\n"
    "        VARNIX local:full_path host:full_path [-ascii]";

// The fuller help shown for -h and --help.
[[nodiscard]] std::string help_text();

enum class AddressKind : int { None = 0, Local = 1, Remote = 2 };

struct TransferAddress {
    AddressKind kind = AddressKind::None;
    std::string host;  // remote: host or profile name
    std::string path;
    int port = 0;      // remote, ftp://host:port/path form: the port named; 0 when none
    bool implicit_tls = false;  // the ftps:// form
};

// Applies the options at the start of `text`; the rest after them, or nullopt after an
// unknown option (reported in a message box). Reloads the stored settings first.
[[nodiscard]] std::optional<std::string> parse_options(BatchContext& ctx, std::string_view text);

// 0, 1 or 2 words found; double quotes group blanks into a word.
int split_command_words(std::string_view text, std::string& first, std::string& second);
// Every word of the text, split as split_command_words splits the first two.
[[nodiscard]] std::vector<std::string> command_words(std::string_view text);

[[nodiscard]] TransferAddress parse_transfer_address(std::string_view word);

// The part after the last "\" or, when there is none, after the last "/".
[[nodiscard]] std::string file_part(std::string_view path);

}  // namespace varnix
