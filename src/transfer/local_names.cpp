// Local names for downloaded files: long names where the folder's file system allows them,
// else 8.3 names, the host-type rules, and numbered variants for "Receive Unique".
#include "transfer/local_names.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "dirlex/dirlex.h"
#include "transfer/extension_lists.h"

namespace varnix {

namespace {

constexpr std::size_t short_base_chars = 8;
constexpr std::size_t short_extension_source_chars = 10;
constexpr std::size_t short_extension_chars = 3;
constexpr long short_names_only = 12;  // a volume allowing no more than 8.3 names
constexpr unsigned unique_tries = 99;

// A name split the way Receive Unique numbers it; long names are all base.
struct NameParts {
    std::string base;
    std::string extension;
    [[nodiscard]] std::string joined() const {
        return extension.empty() ? base : base + "." + extension;
    }
};

// Cuts to at most `limit` bytes without splitting a UTF-8 sequence.
void cut_bytes(std::string& text, std::size_t limit) {
    if (text.size() <= limit) return;
    std::size_t n = limit;
    for (int back = 0; back < 3 && n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80;
         ++back)
        --n;
    text.resize(n);
}

// What follows the last "/" or "\": servers use either as a separator, and whichever comes
// last must win, or "a\b/../x" would keep a path.
std::string_view last_component(std::string_view path) {
    const auto sep = path.find_last_of("/\\");
    return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

bool is_blank(char c) { return c == ' '; }

// The 8.3 form: up to 8 base characters, and an extension of up to 10 source characters
// that the table may convert, else cut to 3.
NameParts short_name(TransferContext& ctx, std::string_view remote) {
    const std::string squeezed =
        ctx.session.host_type == dirlex::host::zvm ? squeeze_spaces(remote) : std::string(remote);
    std::string_view rest = last_component(squeezed);
    while (!rest.empty() && rest.front() == '.') rest.remove_prefix(1);

    NameParts parts;
    std::size_t i = 0;
    for (; i < rest.size() && parts.base.size() < short_base_chars; ++i) {
        if (rest[i] == '.' || is_blank(rest[i])) break;
        parts.base += rest[i] == ':' ? '_' : rest[i];
    }
    std::string_view tail = rest.substr(i);
    auto mark = tail.find('.');
    if (mark == std::string_view::npos) mark = tail.find(' ');
    if (mark != std::string_view::npos) tail.remove_prefix(mark);
    while (!tail.empty() && (tail.front() == '.' || is_blank(tail.front()))) tail.remove_prefix(1);
    for (char c : tail) {
        if (parts.extension.size() == short_extension_source_chars || c == '.' || is_blank(c) ||
            c == ';')
            break;
        parts.extension += c;
    }
    if (!parts.extension.empty() &&
        !convert_extension(ctx, parts.extension, ConvertDirection::Download))
        parts.extension.resize(std::min(parts.extension.size(), short_extension_chars));
    return parts;
}

bool long_names_fit(const LocalVolume& volume, std::string_view remote) {
    return volume.name_max > short_names_only &&
           remote.size() < static_cast<std::size_t>(volume.name_max) &&
           remote.size() < long_name_source_limit;
}

std::size_t name_limit(const LocalVolume& volume) {
    if (volume.name_max <= 0) return local_name_max;
    return std::min(local_name_max, static_cast<std::size_t>(volume.name_max));
}

// Bytes that must not reach a file name: a separator (the conversion table may supply one),
// control bytes and NUL. "\" is an ordinary byte here, but a name holding one looks like a
// path to every user coming from the servers' side.
void make_safe(std::string& text) {
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '/' || c == '\\') c = '_';
    }
}

bool only_dots(std::string_view text) {
    return text.find_first_not_of('.') == std::string_view::npos;
}

// An empty name, "." or ".." (and "...", which looks like them) gives the fallback name.
void settle(NameParts& parts, std::size_t limit) {
    make_safe(parts.base);
    make_safe(parts.extension);
    if (only_dots(parts.joined())) parts = {fallback_local_name, {}};
    if (parts.joined().size() > limit) {
        std::string whole = parts.joined();
        cut_bytes(whole, limit);
        parts = {whole, {}};
    }
}

std::string numbered(const NameParts& parts, unsigned i, std::size_t limit) {
    char number[8];
    std::snprintf(number, sizeof number, "%03u", i);
    if (parts.extension.empty()) {
        std::string base = parts.base;
        cut_bytes(base, limit > 4 ? limit - 4 : 0);
        return base + "." + number;
    }
    std::string base = parts.base.size() < 6 ? parts.base : parts.base.substr(0, 5);
    std::string name = base + number + "." + parts.extension;
    cut_bytes(name, limit);
    return name;
}

bool name_taken(const std::string& folder, const std::string& name) {
    struct stat st {};
    return ::lstat((folder + "/" + name).c_str(), &st) == 0;
}

}  // namespace

LocalVolume probe_local_volume(const std::string& folder) {
    errno = 0;
    const long max = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return {folder, max > 0 ? max : -1};
}

std::string squeeze_spaces(std::string_view text) {
    while (!text.empty() && std::string_view(" \t\r\n").find(text.back()) != std::string_view::npos)
        text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != ' ' || out.empty() || out.back() != ' ') out += c;
    return out;
}

std::string make_local_name(TransferContext& ctx, std::string_view remote,
                            const LocalVolume& volume) {
    NameParts parts;
    if (ctx.session.host_type == dirlex::host::os400) {
        // Library and file names are kept, flattened into one component.
        parts.base = remote;
        std::replace_if(parts.base.begin(), parts.base.end(),
                        [](char c) { return c == '/' || c == '\\'; }, '.');
        convert_extension(ctx, parts.base, ConvertDirection::Download);
    } else if (long_names_fit(volume, remote)) {
        parts.base = last_component(remote);
        convert_extension(ctx, parts.base, ConvertDirection::Download);
    } else {
        parts = short_name(ctx, remote);
    }
    const std::size_t limit = name_limit(volume);
    settle(parts, limit);

    std::string name = parts.joined();
    if (!ctx.options.receive_unique) return name;
    for (unsigned i = 0; i < unique_tries && name_taken(volume.folder, name); ++i)
        name = numbered(parts, i, limit);
    return name;
}

std::string make_local_name(TransferContext& ctx, std::string_view remote) {
    return make_local_name(ctx, remote, probe_local_volume("."));
}

}  // namespace varnix
