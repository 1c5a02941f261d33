// Directory enumeration with the Windows name-mask rules the program's masks were written
// for: one read of a folder into entries, and the mask test.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnix {

struct DirectoryEntry {
    std::string name;  // the bytes the file system gave
    bool is_directory = false;  // a link to a directory counts as one: it can be entered
    std::int64_t size = 0;
    std::time_t modified = 0;  // last write
};

// Every entry of `path`, "." and ".." first (as the original platform enumerated them), then
// the order the file system gives. Nothing when the folder cannot be read.
[[nodiscard]] std::optional<std::vector<DirectoryEntry>> scan_directory(const std::string& path);

// Whether `name` matches `mask` the Windows way: letters compare without regard to case,
// '*' matches any run, '?' one character or none at a '.' or the end of the name, and a '.'
// also matches the end of the name, so "*.*" matches every name and "x*" every name starting
// with x or X. An empty mask matches nothing.
[[nodiscard]] bool mask_matches(std::string_view mask, std::string_view name);

// The process's current directory; empty when it cannot be read.
[[nodiscard]] std::string current_directory();

}  // namespace varnix
