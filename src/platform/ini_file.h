// The INI profile store: reads and edits INI files with the semantics the Windows profile
// functions gave the program, and rewrites them safely (mode 0600, temporary file + rename).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnix {

// Outcome of loading or saving a file: 0, or the errno value of the failure (EINVAL for a
// name or value that cannot be stored in a line of an INI file).
struct IniStatus {
    int error = 0;
    [[nodiscard]] bool ok() const { return error == 0; }
};

// Reads a 32-bit integer the way the Windows profile functions did: an optional sign, then
// decimal digits accumulated modulo 2^32 up to the first other character. So "4294967285"
// reads as -11, "12abc" as 12 and "abc" as 0.
[[nodiscard]] std::int32_t parse_profile_int(std::string_view text);

// One INI file in memory. Section and key names match without regard to (ASCII) case; a
// value enclosed in double quotes is returned without them. When a section or a key occurs
// more than once, the first occurrence is the one read and written. Every line the file had
// is kept byte for byte unless an edit touches it: comments, blank lines, unreadable lines,
// line ends and the order of everything. Lines before the first section header, lines after
// a header without "]" and lines without "=" belong to no readable key.
// How a save reaches the disk. Either way the file is replaced whole by a rename, so a
// program that stops at any point leaves the old or the new file, never a mix.
enum class IniSync {
    Flushed,     // the file and the rename on the disk before the save returns
    AtomicOnly,  // the file's data on the disk before the rename, the rename left to the system
};

class IniFile {
public:
    IniFile() = default;

    // A missing file loads as an empty one. Any other failure (unreadable, a directory)
    // is returned as an error, so that a caller never rewrites a file it could not read.
    struct Loaded;
    [[nodiscard]] static Loaded load(const std::string& path);
    // The same from text already in memory.
    [[nodiscard]] static IniFile from_text(std::string_view text);

    // Writes the whole text to `path` through a temporary file in the same folder and a
    // rename, creating the folder (0700) when missing. A new file gets mode 0600; an existing
    // one keeps its mode with group and other access removed. A symbolic link is followed, so
    // the file it points at is replaced, not the link. On failure the old file is untouched.
    // Flushed (the default) waits until the new file is on the disk; AtomicOnly does not wait
    // for the rename (a power cut may bring the old file back, whole), for short-lived entries
    // written for every file of a transfer.
    [[nodiscard]] IniStatus save(const std::string& path, IniSync sync = IniSync::Flushed) const;

    // The value of the key, unquoted and without surrounding blanks; nullopt when absent.
    [[nodiscard]] std::optional<std::string> find(std::string_view section,
                                                  std::string_view key) const;
    // The value cut to `max_chars` characters (a Windows buffer of n characters keeps n - 1),
    // or the default (also cut) when the key is absent. An empty value is not absent.
    [[nodiscard]] std::string get_string(std::string_view section, std::string_view key,
                                         std::string_view fallback, std::size_t max_chars) const;
    // The value as a 32-bit integer (parse_profile_int); the default when the key is absent
    // or its value is empty.
    [[nodiscard]] std::int32_t get_int(std::string_view section, std::string_view key,
                                       std::int32_t fallback) const;
    // The key names of the section in file order (the list the profile functions return for
    // a null key), each name once.
    [[nodiscard]] std::vector<std::string> keys(std::string_view section) const;
    // The section names in file order, each name once.
    [[nodiscard]] std::vector<std::string> sections() const;
    [[nodiscard]] bool has_section(std::string_view section) const;

    // Writes key=value, replacing the first occurrence of the key (later duplicates are
    // removed so they cannot resurface), or adding the key at the end of the section,
    // or adding the section at the end of the file. A null value deletes the key.
    // Names and values with a line break or NUL, names with "=" or leading/trailing blanks,
    // section names with "]" and empty names are refused with EINVAL.
    [[nodiscard]] IniStatus put(std::string_view section, std::string_view key,
                                std::optional<std::string_view> value);
    // Writes the unsigned decimal ("%u") form of the value's 32-bit pattern.
    [[nodiscard]] IniStatus put_uint(std::string_view section, std::string_view key,
                                     std::uint32_t value);
    // Deletes every section of that name with all its lines (the null-key delete).
    void erase_section(std::string_view section);
    // Deletes the lines of the section but keeps its header where it is, so that keys
    // written next land in the same place of the file. Duplicate sections are removed.
    void clear_section(std::string_view section);

    // The file's text as it would be saved.
    [[nodiscard]] std::string text() const;

private:
    enum class Kind { Other, Section, BrokenSection, Key };
    struct Line {
        std::string raw;  // the line without its end
        std::string end;  // "\r\n", "\n" or "" for a last line without one
        Kind kind = Kind::Other;
        std::string name;   // section or key name, trimmed
        std::string value;  // key value, trimmed and unquoted
    };
    struct Range {
        std::size_t header;  // index of the section's header line
        std::size_t end;     // one past its last line
    };

    static Line parse_line(std::string raw, std::string end);
    void parse(std::string_view text);
    [[nodiscard]] std::vector<Range> section_ranges(std::string_view section) const;
    [[nodiscard]] const Line* find_key_line(std::string_view section, std::string_view key) const;
    [[nodiscard]] std::string_view new_line_end() const;
    void insert_line(std::size_t at, std::string raw);
    void erase_lines(std::size_t from, std::size_t to);

    std::vector<Line> lines_;
    // A UTF-8 byte-order mark the file began with: not part of the first line, written back.
    bool byte_order_mark_ = false;
};

struct IniFile::Loaded {
    IniFile file;
    IniStatus status;
};

// One-call forms for callers that touch a single key, like the Windows profile functions:
// each reads the file; each write reads, edits and saves it. A write never replaces a file
// that exists but could not be read.
[[nodiscard]] std::string ini_get_string(const std::string& path, std::string_view section,
                                         std::string_view key, std::string_view fallback,
                                         std::size_t max_chars);
[[nodiscard]] std::int32_t ini_get_int(const std::string& path, std::string_view section,
                                       std::string_view key, std::int32_t fallback);
[[nodiscard]] IniStatus ini_put(const std::string& path, std::string_view section,
                                std::string_view key, std::optional<std::string_view> value);
[[nodiscard]] IniStatus write_uint(const std::string& path, std::string_view section,
                                   std::string_view key, std::uint32_t value);
[[nodiscard]] IniStatus ini_erase_section(const std::string& path, std::string_view section);

}  // namespace varnix
