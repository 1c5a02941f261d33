// The ASCII extension list (VARNIX.EXT) and the extension conversion table (VARNIX.CNV): the
// automatic-mode test, the name conversion of both transfer directions, and the edit
// operations of the "Auto Detect Extensions" and "Convert Extensions" dialogs.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/transfer_context.h"

namespace varnix {

inline constexpr const char* ascii_list_file_name = "VARNIX.EXT";
inline constexpr const char* conversion_table_file_name = "VARNIX.CNV";

namespace extension_limits {
inline constexpr std::size_t ascii_entry = 9;         // characters of a list line kept
inline constexpr std::size_t table_line = 79;         // characters of a table line kept
inline constexpr std::size_t destination = 20;        // characters of a destination used
inline constexpr std::size_t dialog_field = 19;       // source or destination typed in a dialog
}  // namespace extension_limits

// The entry the ASCII list holds when its file is missing.
inline constexpr std::string_view default_ascii_extension = ".TXT";

// Start-up: finds both files where the configuration file would be found.
void init_extension_file_paths(TransferContext& ctx, const SupportDirs& dirs);

// Whether automatic mode sends the file as ASCII: the name (a ";" version suffix ignored)
// ends with an entry of the list, compared without regard to case. Without a list file only
// names ending in ".TXT" (and longer than that) qualify.
[[nodiscard]] bool is_ascii_name(const TransferContext& ctx, std::string_view name);

enum class ConvertDirection : int {
    Upload = 0,    // a local name about to become a remote one
    Download = 1,  // a remote name (or its extension) about to become a local one
};

// Uploads are lowercased first when FORCLOW is on. With CONVEXT on, the name is cut at its
// first ";" and the first table line whose source equals the whole name, or its ending
// (without regard to case), replaces it by the line's destination; true when one did. An
// upload name keeps its ";" part when nothing applied, a download name loses it.
bool convert_extension(TransferContext& ctx, std::string& name, ConvertDirection direction);

// "Auto Detect Extensions" dialog. The list it shows: the file's entries of at least two
// characters, or ".TXT" alone when there is no file.
[[nodiscard]] std::vector<std::string> load_ascii_extensions(const TransferContext& ctx);
// Add: the text (cut to 9 characters) when it has 2 or more and no entry equals it without
// regard to case; the list stays sorted without regard to case. True when added.
bool add_ascii_extension(std::vector<std::string>& list, std::string_view text);
// Delete: the entry equal to the text (cut to 9 characters) without regard to case.
bool remove_ascii_extension(std::vector<std::string>& list, std::string_view text);
// Exit: rewrites the file with every entry longer than one character. False when the file
// could not be written (it is then left as it was).
[[nodiscard]] bool save_ascii_extensions(const TransferContext& ctx,
                                         const std::vector<std::string>& list);

// "Convert Extensions" dialog. Entries are table lines "source=destination", in file order
// (the first matching line wins, so the order matters).
struct ConversionEntry {
    std::string source;
    std::string destination;
};
// The table's lines of at least two characters that hold "=", destinations cut to 20.
[[nodiscard]] std::vector<std::string> load_conversion_table(const TransferContext& ctx);
// Add: with a non-empty source, removes the first entry for the same source (compared
// without regard to case) and appends "source=destination", each side cut to 19 characters.
// True when added.
bool add_conversion(std::vector<std::string>& entries, std::string_view source,
                    std::string_view destination);
// Delete: the first entry for the source (cut to 19 characters), compared without regard to case.
bool remove_conversion(std::vector<std::string>& entries, std::string_view source);
// Selecting an entry fills the two fields from it.
[[nodiscard]] ConversionEntry split_conversion(std::string_view entry);
// Exit: rewrites the file with every entry longer than one character that holds "=".
[[nodiscard]] bool save_conversion_table(const TransferContext& ctx,
                                         const std::vector<std::string>& entries);

}  // namespace varnix
