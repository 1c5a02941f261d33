// The entries both panes show: their text (name, padding, "\t| ", date and size), the sort
// order of the file lists, the horizontal width, and taking a name back out of an entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "listing/listing_context.h"
#include "platform/list_box.h"

namespace varnix {

inline constexpr std::string_view entry_separator = "\t| ";
inline constexpr std::size_t entry_name_width = 12;  // names are padded to this with blanks
// Names longer than this are not listed (no file system here names anything longer than 255
// bytes; a server that sends kilobytes of name is not describing a file).
inline constexpr std::size_t max_entry_name = 1024;

// Sort codes (LFSORT, RFSORT): the key in bits 0-2, reversed with 0x10.
namespace sort_code {
inline constexpr int none = 0;
inline constexpr int name = 1;
inline constexpr int extension = 2;
inline constexpr int date = 3;
inline constexpr int size = 4;
inline constexpr int reverse = 0x10;
}  // namespace sort_code

// The detail text "YYYYMMDD HH:MM" + blank + the size right-aligned in (at least) 10.
[[nodiscard]] std::string format_detail(unsigned year, unsigned month, unsigned day, unsigned hour,
                                        unsigned minute, std::int64_t size);
// The same from a file time, in local time.
[[nodiscard]] std::string format_detail(std::time_t modified, std::int64_t size);

// Whether a name can be an entry: not empty, not too long, and without the separator, NUL,
// CR or LF (an entry must give back exactly the name it was built from).
[[nodiscard]] bool is_listable_name(std::string_view name);

// The entry text: with a detail the name padded to 12, the separator and the detail; without
// one the name alone. Callers pass an empty detail when LONGDIR is off.
[[nodiscard]] std::string make_entry_text(std::string_view name, std::string_view detail);

// The detail to use under the LONGDIR setting: `detail` when on, empty when off.
[[nodiscard]] std::string_view entry_detail(const ListingContext& ctx, std::string_view detail);

// The order insert_file_entry keeps: the sign of comparing a new entry (name and detail) with
// an existing entry's text under `code`; 0 for no key. The existing text keeps its padding, so
// a new name equal to a padded one compares lower. A size over 10 digits is compared as the
// number it is (the column is only a minimum width).
[[nodiscard]] int compare_entries(int code, std::string_view name, std::string_view detail,
                                  std::string_view existing_text);

// compare_entries split in two: the text each side contributes under `code`; comparing two
// such keys with compare_entry_keys gives the same sign as compare_entries. Used to compare
// many entries without rebuilding their keys.
[[nodiscard]] std::string new_entry_key(int code, std::string_view name, std::string_view detail);
[[nodiscard]] std::string existing_entry_key(int code, std::string_view text);
[[nodiscard]] int compare_entry_keys(int code, std::string_view new_key,
                                     std::string_view existing_key);
// Whether `code` has a key at all (0 and unknown keys keep the order of arrival).
[[nodiscard]] bool has_sort_key(int code);

// Inserts a file entry before the first entry it sorts before (so equal entries keep their
// order of arrival); returns its index, -1 when the name cannot be listed. One insertion reads
// the list from the top; FileEntryBatch (entry_batch.h) fills many entries to the same order.
int insert_file_entry(ListBox& list, std::string_view name, std::string_view detail, int code);

// Widens the list's horizontal extent when `text` is longer than the width counter.
void widen_list(ListBox& list, std::size_t& width_counter, std::string_view text);

// A remote directory: added to the (sorted) remote directory list with its size as item data.
// Empty names, "." and ".." are not added. Returns the index, -1 when not added.
int add_directory_entry(ListingContext& ctx, std::string_view name, std::string_view detail,
                        std::int64_t size);
// A remote file: inserted in RFSORT order with its size as item data. -1 when not added.
int add_remote_file_entry(ListingContext& ctx, std::string_view name, std::string_view detail,
                          std::int64_t size);

// The name of entry `index` (the text before the separator, padding stripped); empty when
// there is no such entry. Sets last_entry_size to the entry's item data, or 0.
[[nodiscard]] std::string get_entry_name(ListingContext& ctx, const ListBox& list, int index);
[[nodiscard]] std::string get_remote_file_name(ListingContext& ctx, int index);
// The local file's name as the file system knows it (see local_disk_name).
[[nodiscard]] std::string get_local_file_name(ListingContext& ctx, int index);
// The name on disk for a name the local pane shows (they differ only under FORCLOW).
[[nodiscard]] std::string local_disk_name(const ListingContext& ctx, std::string_view shown);

// The names of the selected entries, top first, separated by single blanks, into `out`
// (cleared first). A name is taken only when it and a separator fit in `limit` bytes with a
// terminator; names that do not fit are skipped and later shorter ones may still be taken.
// Returns how many were taken.
int join_selected_names(ListingContext& ctx, const ListBox& list, std::string& out,
                        std::size_t limit);

}  // namespace varnix
