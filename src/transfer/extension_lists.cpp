// The ASCII extension list (VARNIX.EXT) and the extension conversion table (VARNIX.CNV): the
// automatic-mode test, the name conversion of both transfer directions, and the dialog edits.
#include "transfer/extension_lists.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <optional>

namespace varnix {

namespace {

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool iequals(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return ascii_lower(x) == ascii_lower(y); });
}

bool iends_with(std::string_view text, std::string_view ending) {
    return ending.size() <= text.size() && iequals(text.substr(text.size() - ending.size()), ending);
}

bool istarts_with(std::string_view text, std::string_view start) {
    return start.size() <= text.size() && iequals(text.substr(0, start.size()), start);
}

bool iless(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](char x, char y) { return ascii_lower(x) < ascii_lower(y); });
}

std::string_view cut(std::string_view text, std::size_t limit) { return text.substr(0, limit); }

// The file's lines without their line end (LF or CR LF), each cut to `limit` characters;
// nullopt when the file cannot be opened. A line longer than the limit is one entry, cut,
// not several.
std::optional<std::vector<std::string>> read_lines(const std::string& path, std::size_t limit) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > limit) line.resize(limit);
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string parent_dir(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Replaces the file in one step (a temporary file in the same folder, then rename), so a
// failed write leaves the old list in place. A missing per-user folder is created.
bool write_lines(const std::string& path, const std::vector<std::string>& lines) {
    const std::string dir = parent_dir(path);
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    std::string text;
    for (const auto& line : lines) text.append(line).push_back('\n');
    bool ok = true;
    for (std::size_t done = 0; ok && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<std::size_t>(n);
    }
    ok = ::fchmod(fd, 0644) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temp.c_str(), path.c_str()) == 0) return true;
    ::unlink(temp.c_str());
    return false;
}

void print_conversion(TransferContext& ctx, const std::string& from, const std::string& to) {
    ctx.messages.print_message("[I] Converted extension from %s to %s", from.c_str(), to.c_str());
}

// Applies the first table line that matches the whole name or its ending; true when one did.
bool apply_table(TransferContext& ctx, std::string& name, const std::vector<std::string>& lines) {
    for (const auto& line : lines) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string_view source = std::string_view(line).substr(0, eq);
        const std::string destination(cut(std::string_view(line).substr(eq + 1),
                                          extension_limits::destination));
        // An empty destination would leave no name at all (or a bare dot): not a conversion.
        if (destination.empty() || source.size() < 2) continue;
        if (iequals(source, name)) {
            print_conversion(ctx, name, destination);
            name = destination;
            return true;
        }
        if (source.size() < name.size() && iends_with(name, source)) {
            const std::size_t at = name.size() - source.size();
            print_conversion(ctx, name.substr(at), destination);
            name.replace(at, std::string::npos, destination);
            return true;
        }
    }
    return false;
}

}  // namespace

void init_extension_file_paths(TransferContext& ctx, const SupportDirs& dirs) {
    ctx.ascii_list_path = locate_support_file(ascii_list_file_name, dirs);
    ctx.conversion_table_path = locate_support_file(conversion_table_file_name, dirs);
}

bool is_ascii_name(const TransferContext& ctx, std::string_view name) {
    name = name.substr(0, name.find(';'));
    const auto entries = read_lines(ctx.ascii_list_path, extension_limits::ascii_entry);
    if (!entries)
        return name.size() > default_ascii_extension.size() &&
               iends_with(name, default_ascii_extension);
    return std::any_of(entries->begin(), entries->end(), [&](const std::string& entry) {
        return entry.size() >= 2 && iends_with(name, entry);
    });
}

bool convert_extension(TransferContext& ctx, std::string& name, ConvertDirection direction) {
    if (direction == ConvertDirection::Upload && ctx.options.force_lowercase)
        std::transform(name.begin(), name.end(), name.begin(), ascii_lower);
    if (!ctx.options.convert_extensions) return false;

    std::string version;
    if (const auto semi = name.find(';'); semi != std::string::npos) {
        version = name.substr(semi);
        name.resize(semi);
    }
    const auto lines = read_lines(ctx.conversion_table_path, extension_limits::table_line);
    if (lines && apply_table(ctx, name, *lines)) return true;
    if (direction == ConvertDirection::Upload) name += version;
    return false;
}

std::vector<std::string> load_ascii_extensions(const TransferContext& ctx) {
    const auto lines = read_lines(ctx.ascii_list_path, extension_limits::ascii_entry);
    if (!lines) return {std::string(default_ascii_extension)};
    std::vector<std::string> list;
    for (const auto& line : *lines)
        if (line.size() >= 2) list.push_back(line);
    return list;
}

bool add_ascii_extension(std::vector<std::string>& list, std::string_view text) {
    const std::string entry(cut(text, extension_limits::ascii_entry));
    if (entry.size() < 2) return false;
    if (std::any_of(list.begin(), list.end(), [&](const auto& e) { return iequals(e, entry); }))
        return false;
    list.insert(std::upper_bound(list.begin(), list.end(), entry, iless), entry);
    return true;
}

bool remove_ascii_extension(std::vector<std::string>& list, std::string_view text) {
    const std::string_view entry = cut(text, extension_limits::ascii_entry);
    const auto found =
        std::find_if(list.begin(), list.end(), [&](const auto& e) { return iequals(e, entry); });
    if (found == list.end()) return false;
    list.erase(found);
    return true;
}

bool save_ascii_extensions(const TransferContext& ctx, const std::vector<std::string>& list) {
    std::vector<std::string> lines;
    for (const auto& entry : list)
        if (entry.size() > 1) lines.push_back(entry);
    return write_lines(ctx.ascii_list_path, lines);
}

std::vector<std::string> load_conversion_table(const TransferContext& ctx) {
    const auto lines = read_lines(ctx.conversion_table_path, extension_limits::table_line);
    std::vector<std::string> entries;
    if (!lines) return entries;
    for (const auto& line : *lines) {
        if (line.size() < 2) continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        entries.push_back(line.substr(0, eq + 1 + extension_limits::destination));
    }
    return entries;
}

bool add_conversion(std::vector<std::string>& entries, std::string_view source,
                    std::string_view destination) {
    if (source.empty()) return false;
    std::string entry(cut(source, extension_limits::dialog_field));
    entry += '=';
    const auto same = std::find_if(entries.begin(), entries.end(),
                                   [&](const auto& e) { return istarts_with(e, entry); });
    if (same != entries.end()) entries.erase(same);
    entry += cut(destination, extension_limits::dialog_field);
    entries.push_back(std::move(entry));
    return true;
}

bool remove_conversion(std::vector<std::string>& entries, std::string_view source) {
    std::string prefix(cut(source, extension_limits::dialog_field));
    prefix += '=';
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [&](const auto& e) { return istarts_with(e, prefix); });
    if (found == entries.end()) return false;
    entries.erase(found);
    return true;
}

ConversionEntry split_conversion(std::string_view entry) {
    const auto eq = entry.find('=');
    if (eq == std::string_view::npos) return {std::string(entry), {}};
    return {std::string(entry.substr(0, eq)), std::string(entry.substr(eq + 1))};
}

bool save_conversion_table(const TransferContext& ctx, const std::vector<std::string>& entries) {
    std::vector<std::string> lines;
    for (const auto& entry : entries)
        if (entry.size() > 1 && entry.find('=') != std::string::npos) lines.push_back(entry);
    return write_lines(ctx.conversion_table_path, lines);
}

}  // namespace varnix
