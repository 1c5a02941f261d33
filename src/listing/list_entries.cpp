// List entries: texts, sort order, widening and reading names back.
#include "listing/list_entries.h"

#include <cinttypes>
#include <cstdio>

#include "listing/text_helpers.h"

namespace varnix {

namespace {

// The size column is at least 10 wide; right-aligning it to the widest 64-bit number lets a
// character comparison order sizes of any width.
constexpr std::size_t aligned_size_width = 20;
constexpr std::size_t date_part_width = 15;  // "YYYYMMDD HH:MM "
constexpr std::size_t size_part_start = 14;  // the size key reads from the 15th character on

struct SplitText {
    std::string_view head;  // up to the separator: the name and its padding
    std::string_view tail;  // after the separator: the detail
};

SplitText split_entry_text(std::string_view text) {
    const auto at = text.find(entry_separator);
    if (at == std::string_view::npos) return {text, {}};
    return {text.substr(0, at), text.substr(at + entry_separator.size())};
}

// From the last '.' on; empty when there is no '.'.
std::string_view extension_of(std::string_view name) {
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    return name.substr(dot);
}

std::string right_aligned(std::string_view field) {
    std::string result;
    if (field.size() < aligned_size_width) result.assign(aligned_size_width - field.size(), ' ');
    result += field;
    return result;
}

std::string date_key(std::string_view detail) {
    if (detail.size() <= date_part_width) return std::string(detail);
    std::string key(detail.substr(0, date_part_width));
    key += right_aligned(detail.substr(date_part_width));
    return key;
}

std::string size_key(std::string_view detail) {
    if (detail.size() <= size_part_start) return right_aligned({});
    return right_aligned(detail.substr(size_part_start));
}

// The key both sides share once the name part and the detail part are known.
std::string key_of(int code, std::string_view name_part, std::string_view detail) {
    switch (code & 7) {
    case sort_code::name:
        return lowered(name_part);
    case sort_code::extension:
        return lowered(extension_of(name_part));
    case sort_code::date:
        return date_key(detail);
    case sort_code::size:
        return size_key(detail);
    default:
        return {};
    }
}

int sign(int value) { return (value > 0) - (value < 0); }

}  // namespace

std::string format_detail(unsigned year, unsigned month, unsigned day, unsigned hour,
                          unsigned minute, std::int64_t size) {
    char buffer[128];  // room for every field at its widest
    const int n = std::snprintf(buffer, sizeof buffer, "%04u%02u%02u %02u:%02u %10" PRId64, year,
                                month, day, hour, minute, size);
    if (n < 0) return {};
    return std::string(buffer);
}

std::string format_detail(std::time_t modified, std::int64_t size) {
    std::tm local{};
    if (localtime_r(&modified, &local) == nullptr) return format_detail(0, 0, 0, 0, 0, size);
    return format_detail(static_cast<unsigned>(local.tm_year + 1900),
                         static_cast<unsigned>(local.tm_mon + 1), static_cast<unsigned>(local.tm_mday),
                         static_cast<unsigned>(local.tm_hour), static_cast<unsigned>(local.tm_min),
                         size);
}

bool is_listable_name(std::string_view name) {
    if (name.empty() || name.size() > max_entry_name) return false;
    if (name.find(entry_separator) != std::string_view::npos) return false;
    return name.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
}

std::string make_entry_text(std::string_view name, std::string_view detail) {
    std::string text(name);
    if (detail.empty()) return text;
    if (text.size() < entry_name_width) text.append(entry_name_width - text.size(), ' ');
    text += entry_separator;
    text += detail;
    return text;
}

std::string_view entry_detail(const ListingContext& ctx, std::string_view detail) {
    return ctx.settings.full_directory_info ? detail : std::string_view{};
}

bool has_sort_key(int code) {
    const int key = code & 7;
    return key >= sort_code::name && key <= sort_code::size;
}

std::string new_entry_key(int code, std::string_view name, std::string_view detail) {
    return key_of(code, name, detail);
}

std::string existing_entry_key(int code, std::string_view text) {
    const auto parts = split_entry_text(text);
    return key_of(code, parts.head, parts.tail);
}

int compare_entry_keys(int code, std::string_view new_key, std::string_view existing_key) {
    if (!has_sort_key(code)) return 0;
    const int result = sign(new_key.compare(existing_key));
    return (code & sort_code::reverse) ? -result : result;
}

int compare_entries(int code, std::string_view name, std::string_view detail,
                    std::string_view existing_text) {
    if (!has_sort_key(code)) return 0;
    return compare_entry_keys(code, new_entry_key(code, name, detail),
                              existing_entry_key(code, existing_text));
}

int insert_file_entry(ListBox& list, std::string_view name, std::string_view detail, int code) {
    if (!is_listable_name(name)) return -1;
    const std::string text = make_entry_text(name, detail);
    if (has_sort_key(code)) {
        const std::string key = new_entry_key(code, name, detail);
        const int n = list.count();
        for (int i = 0; i < n; ++i) {
            const auto existing = list.item_text(i);
            if (existing && compare_entry_keys(code, key, existing_entry_key(code, *existing)) < 0) {
                return list.insert_item(i, text);
            }
        }
    }
    return list.insert_item(-1, text);
}

void widen_list(ListBox& list, std::size_t& width_counter, std::string_view text) {
    if (text.size() <= width_counter) return;
    width_counter = text.size();
    list.set_horizontal_extent(list.text_width(text) + 12 * list.dialog_char_width());
}

int add_directory_entry(ListingContext& ctx, std::string_view name, std::string_view detail,
                        std::int64_t size) {
    if (name == "." || name == ".." || !is_listable_name(name)) return -1;
    ListBox& list = *ctx.panes.remote_dirs;
    const std::string text = make_entry_text(name, entry_detail(ctx, detail));
    const int index = list.add_item(text);
    if (index < 0) return -1;
    (void)list.set_item_data(index, size);
    widen_list(list, ctx.remote_width, text);
    return index;
}

int add_remote_file_entry(ListingContext& ctx, std::string_view name, std::string_view detail,
                          std::int64_t size) {
    ListBox& list = *ctx.panes.remote_files;
    const std::string_view shown_detail = entry_detail(ctx, detail);
    const int index = insert_file_entry(list, name, shown_detail, ctx.settings.remote_sort);
    if (index < 0) return -1;
    (void)list.set_item_data(index, size);
    widen_list(list, ctx.remote_width, make_entry_text(name, shown_detail));
    return index;
}

std::string get_entry_name(ListingContext& ctx, const ListBox& list, int index) {
    ctx.last_entry_size = 0;
    const auto text = list.item_text(index);
    if (!text) return {};
    ctx.last_entry_size = list.item_data(index).value_or(0);
    std::string name(split_entry_text(*text).head);
    strip_trailing_blanks(name);
    return name;
}

std::string get_remote_file_name(ListingContext& ctx, int index) {
    return get_entry_name(ctx, *ctx.panes.remote_files, index);
}

std::string local_disk_name(const ListingContext& ctx, std::string_view shown) {
    const auto found = ctx.local_disk_names.find(std::string(shown));
    return found == ctx.local_disk_names.end() ? std::string(shown) : found->second;
}

std::string get_local_file_name(ListingContext& ctx, int index) {
    return local_disk_name(ctx, get_entry_name(ctx, *ctx.panes.local_files, index));
}

int join_selected_names(ListingContext& ctx, const ListBox& list, std::string& out,
                        std::size_t limit) {
    out.clear();
    int taken = 0;
    for (const int index : list.selected_indices()) {
        const std::string name = get_entry_name(ctx, list, index);
        const std::size_t space_left = limit > out.size() ? limit - out.size() : 0;
        if (name.size() + 2 >= space_left) continue;
        if (taken > 0) out += ' ';
        out += name;
        ++taken;
    }
    return taken;
}

}  // namespace varnix
