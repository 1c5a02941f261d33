// Directory enumeration and Windows mask matching.
#include "platform/directory_scan.h"

#include <cerrno>
#include <unistd.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

namespace varnix {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

bool is_dot_entry(std::string_view name) { return name == "." || name == ".."; }

DirectoryEntry describe(int dir_fd, const char* name) {
    DirectoryEntry entry;
    entry.name = name;
    struct stat st {};
    // Follow links so a link to a folder lists as a folder; a dangling link lists as itself.
    if (fstatat(dir_fd, name, &st, 0) != 0 && fstatat(dir_fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return entry;
    }
    entry.is_directory = S_ISDIR(st.st_mode);
    entry.size = entry.is_directory ? 0 : static_cast<std::int64_t>(st.st_size);
    entry.modified = st.st_mtime;
    return entry;
}

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether the rest of the mask can match an empty rest of name.
bool matches_empty(std::string_view mask) {
    return std::all_of(mask.begin(), mask.end(), [](char c) { return c == '*' || c == '?' || c == '.'; });
}

}  // namespace

std::optional<std::vector<DirectoryEntry>> scan_directory(const std::string& path) {
    std::unique_ptr<DIR, DirCloser> dir(opendir(path.c_str()));
    if (!dir) return std::nullopt;
    const int fd = dirfd(dir.get());
    std::vector<DirectoryEntry> entries;
    while (const dirent* ent = readdir(dir.get())) entries.push_back(describe(fd, ent->d_name));
    std::stable_partition(entries.begin(), entries.end(),
                          [](const DirectoryEntry& e) { return is_dot_entry(e.name); });
    if (entries.size() >= 2 && entries[0].name == ".." && entries[1].name == ".") {
        std::swap(entries[0], entries[1]);
    }
    return entries;
}

bool mask_matches(std::string_view mask, std::string_view name) {
    if (mask.empty()) return false;
    if (mask == "*" || mask == "*.*") return true;  // the common case, without the table
    // can[i][j]: mask[i..] matches name[j..]; filled from the ends.
    const std::size_t m = mask.size(), n = name.size();
    std::vector<std::vector<char>> can(m + 1, std::vector<char>(n + 1, 0));
    can[m][n] = 1;
    for (std::size_t i = m; i-- > 0;) {
        const char p = mask[i];
        can[i][n] = matches_empty(mask.substr(i)) ? 1 : 0;
        for (std::size_t j = n; j-- > 0;) {
            const char c = name[j];
            bool ok = false;
            if (p == '*') {
                ok = can[i + 1][j] || can[i][j + 1];
            } else if (p == '?') {
                ok = can[i + 1][j + 1] || (c == '.' && can[i + 1][j]);
            } else {
                ok = fold(p) == fold(c) && can[i + 1][j + 1];
            }
            can[i][j] = ok ? 1 : 0;
        }
    }
    return can[0][0] != 0;
}

std::string current_directory() {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) return {};
        buffer.resize(buffer.size() * 2);
    }
    return std::string(buffer.data());
}

}  // namespace varnix
