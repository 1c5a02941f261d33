// The INI profile store: reads and edits INI files with the semantics the Windows profile
// functions gave the program, and rewrites them safely (mode 0600, temporary file + rename).
#include "platform/ini_file.h"
#include "platform/settings_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace varnix {

namespace {

// A configuration file is a few kilobytes; refuse to slurp something absurd (a device, a
// mistaken path to a disk image).
constexpr std::size_t max_file_size = 16 * 1024 * 1024;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
    return true;
}

bool has_line_break_or_nul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool valid_section_name(std::string_view s) {
    return !s.empty() && trim(s).size() == s.size() && !has_line_break_or_nul(s) &&
           s.find(']') == std::string_view::npos;
}

bool valid_key_name(std::string_view s) {
    return !s.empty() && trim(s).size() == s.size() && !has_line_break_or_nul(s) &&
           s.find('=') == std::string_view::npos && s.front() != '[' && s.front() != ';';
}

std::string cut(std::string_view s, std::size_t max_chars) {
    return std::string(s.substr(0, std::min(s.size(), max_chars)));
}

bool contains_name(const std::vector<std::string>& names, std::string_view name) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& n) { return same_name(n, name); });
}

std::string parent_dir(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// mkdir -p with mode 0700 for the folders it creates.
int make_dirs(const std::string& dir) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT) return errno;
    const std::string parent = parent_dir(dir);
    if (parent != dir) {
        if (const int err = make_dirs(parent)) return err;
    }
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    return 0;
}

int write_all(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

}  // namespace

int read_settings_file(const std::string& path, std::string& out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat st {};
    int err = 0;
    if (::fstat(fd, &st) != 0) {
        err = errno;
    } else if (!S_ISREG(st.st_mode)) {
        err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    } else {
        char buffer[8192];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                err = errno;
                break;
            }
            if (n == 0) break;
            out.append(buffer, static_cast<std::size_t>(n));
            if (out.size() > max_file_size) {
                err = EFBIG;
                break;
            }
        }
    }
    ::close(fd);
    return err;
}

namespace {

// The file a save really replaces: the target of a symbolic link, so that a link into a
// dotfiles folder stays a link.
int resolve_target(const std::string& path, std::string& target) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        target = path;
        return 0;
    }
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return errno;
    target = real;
    std::free(real);
    return 0;
}

// Mode for the rewritten file: 0600 for a new one; an existing one keeps its owner bits only,
// so a stricter mode stays and group/other access to stored passwords goes.
int target_mode(const std::string& target, mode_t& mode) {
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) {
        if (errno != ENOENT) return errno;
        mode = 0600;
        return 0;
    }
    if (!S_ISREG(st.st_mode)) return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    // A file the user made read-only is not rewritten behind their back.
    if (::access(target.c_str(), W_OK) != 0) return errno;
    mode = st.st_mode & 0600;
    return 0;
}

int write_replacing(const std::string& target, std::string_view data, mode_t mode, IniSync sync) {
    const bool flushed = sync == IniSync::Flushed;
    const std::string dir = parent_dir(target);
    const auto slash = target.find_last_of('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp = dir + "/." + base + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return errno;
    int err = 0;
    if (::fchmod(fd, mode) != 0) err = errno;
    if (!err) err = write_all(fd, data);
    // Always: without it some file systems may put the rename on the disk before the data,
    // and a power cut would leave an empty file in place of the old one.
    if (!err && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && !err) err = errno;
    if (!err && ::rename(temp.c_str(), target.c_str()) != 0) err = errno;
    if (err) {
        ::unlink(temp.c_str());
        return err;
    }
    if (!flushed) return 0;
    // Make the rename itself durable; a failure here leaves a complete file either way.
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        (void)::fsync(dfd);
        ::close(dfd);
    }
    return 0;
}

}  // namespace

std::int32_t parse_profile_int(std::string_view text) {
    text = trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // Wrapping is the point: the program writes negative numbers as their unsigned 32-bit
    // pattern and relies on this accumulation to read them back.
    std::uint32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10u + static_cast<std::uint32_t>(c - '0');
    }
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

IniFile::Line IniFile::parse_line(std::string raw, std::string end) {
    Line line;
    line.raw = std::move(raw);
    line.end = std::move(end);
    const std::string_view text = trim(line.raw);
    if (text.empty() || text.front() == ';') return line;
    if (text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string_view::npos) {
            line.kind = Kind::BrokenSection;
        } else {
            line.kind = Kind::Section;
            line.name = std::string(trim(text.substr(1, close - 1)));
        }
        return line;
    }
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) return line;
    const std::string_view name = trim(text.substr(0, equals));
    if (name.empty()) return line;
    std::string_view value = trim(text.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    line.kind = Kind::Key;
    line.name = std::string(name);
    line.value = std::string(value);
    return line;
}

void IniFile::parse(std::string_view text) {
    lines_.clear();
    constexpr std::string_view utf8_bom = "\xEF\xBB\xBF";
    byte_order_mark_ = text.starts_with(utf8_bom);
    if (byte_order_mark_) text.remove_prefix(utf8_bom.size());
    while (!text.empty()) {
        const auto nl = text.find('\n');
        std::string_view raw = nl == std::string_view::npos ? text : text.substr(0, nl);
        std::string end;
        if (nl != std::string_view::npos) {
            end = "\n";
            if (!raw.empty() && raw.back() == '\r') {
                raw.remove_suffix(1);
                end = "\r\n";
            }
        }
        lines_.push_back(parse_line(std::string(raw), std::move(end)));
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    }
}

IniFile::Loaded IniFile::load(const std::string& path) {
    Loaded result;
    std::string text;
    const int err = read_settings_file(path, text);
    if (err == ENOENT) return result;
    if (err) {
        result.status.error = err;
        return result;
    }
    result.file.parse(text);
    return result;
}

IniFile IniFile::from_text(std::string_view text) {
    IniFile file;
    file.parse(text);
    return file;
}

IniStatus replace_file_safely(const std::string& path, std::string_view text, IniSync sync) {
    std::string target;
    if (const int err = resolve_target(path, target)) return {err};
    if (const int err = make_dirs(parent_dir(target))) return {err};
    mode_t mode = 0600;
    if (const int err = target_mode(target, mode)) return {err};
    return {write_replacing(target, text, mode, sync)};
}

IniStatus IniFile::save(const std::string& path, IniSync sync) const {
    return replace_file_safely(path, text(), sync);
}

std::string IniFile::text() const {
    std::string out = byte_order_mark_ ? "\xEF\xBB\xBF" : "";
    for (const Line& line : lines_) {
        out += line.raw;
        out += line.end;
    }
    return out;
}

std::vector<IniFile::Range> IniFile::section_ranges(std::string_view section) const {
    std::vector<Range> ranges;
    if (section.empty()) return ranges;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind != Kind::Section || !same_name(lines_[i].name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && lines_[end].kind != Kind::Section &&
               lines_[end].kind != Kind::BrokenSection)
            ++end;
        ranges.push_back({i, end});
    }
    return ranges;
}

const IniFile::Line* IniFile::find_key_line(std::string_view section,
                                            std::string_view key) const {
    const auto ranges = section_ranges(section);
    if (ranges.empty() || key.empty()) return nullptr;
    for (std::size_t i = ranges.front().header + 1; i < ranges.front().end; ++i)
        if (lines_[i].kind == Kind::Key && same_name(lines_[i].name, key)) return &lines_[i];
    return nullptr;
}

std::optional<std::string> IniFile::find(std::string_view section, std::string_view key) const {
    const Line* line = find_key_line(section, key);
    if (!line) return std::nullopt;
    return line->value;
}

std::string IniFile::get_string(std::string_view section, std::string_view key,
                                std::string_view fallback, std::size_t max_chars) const {
    const Line* line = find_key_line(section, key);
    return cut(line ? std::string_view(line->value) : fallback, max_chars);
}

std::int32_t IniFile::get_int(std::string_view section, std::string_view key,
                              std::int32_t fallback) const {
    const Line* line = find_key_line(section, key);
    if (!line || line->value.empty()) return fallback;
    return parse_profile_int(line->value);
}

std::vector<std::string> IniFile::keys(std::string_view section) const {
    std::vector<std::string> names;
    const auto ranges = section_ranges(section);
    if (ranges.empty()) return names;
    for (std::size_t i = ranges.front().header + 1; i < ranges.front().end; ++i)
        if (lines_[i].kind == Kind::Key && !contains_name(names, lines_[i].name))
            names.push_back(lines_[i].name);
    return names;
}

std::vector<std::string> IniFile::sections() const {
    std::vector<std::string> names;
    for (const Line& line : lines_)
        if (line.kind == Kind::Section && !line.name.empty() && !contains_name(names, line.name))
            names.push_back(line.name);
    return names;
}

bool IniFile::has_section(std::string_view section) const {
    return !section_ranges(section).empty();
}

std::string_view IniFile::new_line_end() const {
    for (const Line& line : lines_)
        if (!line.end.empty()) return line.end;
    return "\n";
}

void IniFile::insert_line(std::size_t at, std::string raw) {
    const std::string end(new_line_end());
    if (at > 0 && lines_[at - 1].end.empty()) lines_[at - 1].end = end;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), parse_line(std::move(raw), end));
}

void IniFile::erase_lines(std::size_t from, std::size_t to) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(from),
                 lines_.begin() + static_cast<std::ptrdiff_t>(to));
}

IniStatus IniFile::put(std::string_view section, std::string_view key,
                       std::optional<std::string_view> value) {
    if (!valid_section_name(section) || !valid_key_name(key)) return {EINVAL};
    if (value && has_line_break_or_nul(*value)) return {EINVAL};
    const auto ranges = section_ranges(section);
    if (ranges.empty()) {
        if (!value) return {};
        if (!lines_.empty() && !trim(lines_.back().raw).empty()) insert_line(lines_.size(), "");
        insert_line(lines_.size(), "[" + std::string(section) + "]");
        insert_line(lines_.size(), std::string(key) + "=" + std::string(*value));
        return {};
    }
    const Range range = ranges.front();
    std::optional<std::size_t> found;
    std::size_t last_content = range.header;
    for (std::size_t i = range.end; i-- > range.header + 1;) {
        if (lines_[i].kind == Kind::Key && same_name(lines_[i].name, key)) {
            if (found) erase_lines(*found, *found + 1);  // a later duplicate
            found = i;
        }
    }
    if (found && value) {
        std::string end = lines_[*found].end;
        lines_[*found] = parse_line(lines_[*found].name + "=" + std::string(*value), std::move(end));
        return {};
    }
    if (found) {
        erase_lines(*found, *found + 1);
        return {};
    }
    if (!value) return {};
    for (std::size_t i = range.header + 1; i < range.end; ++i)
        if (!trim(lines_[i].raw).empty()) last_content = i;
    insert_line(last_content + 1, std::string(key) + "=" + std::string(*value));
    return {};
}

IniStatus IniFile::put_uint(std::string_view section, std::string_view key,
                            std::uint32_t value) {
    return put(section, key, std::to_string(value));
}

void IniFile::erase_section(std::string_view section) {
    const auto ranges = section_ranges(section);
    for (auto it = ranges.rbegin(); it != ranges.rend(); ++it) erase_lines(it->header, it->end);
}

void IniFile::clear_section(std::string_view section) {
    const auto ranges = section_ranges(section);
    if (ranges.empty()) return;
    for (auto it = ranges.rbegin(); it + 1 != ranges.rend(); ++it) erase_lines(it->header, it->end);
    const Range first = ranges.front();
    std::size_t last_content = first.header;
    for (std::size_t i = first.header + 1; i < first.end; ++i)
        if (!trim(lines_[i].raw).empty()) last_content = i;
    // The blank lines that separate it from the next section stay.
    erase_lines(first.header + 1, last_content + 1);
}

namespace {

// Loads, edits and saves; a file that exists but cannot be read is left alone.
template <typename Edit>
IniStatus edit_file(const std::string& path, Edit edit) {
    auto loaded = IniFile::load(path);
    if (!loaded.status.ok()) return loaded.status;
    const std::string before = loaded.file.text();
    const IniStatus edited = edit(loaded.file);
    if (!edited.ok()) return edited;
    if (loaded.file.text() == before) return {};  // nothing to write; no empty file created
    return loaded.file.save(path);
}

}  // namespace

std::string ini_get_string(const std::string& path, std::string_view section,
                           std::string_view key, std::string_view fallback,
                           std::size_t max_chars) {
    return IniFile::load(path).file.get_string(section, key, fallback, max_chars);
}

std::int32_t ini_get_int(const std::string& path, std::string_view section, std::string_view key,
                         std::int32_t fallback) {
    return IniFile::load(path).file.get_int(section, key, fallback);
}

IniStatus ini_put(const std::string& path, std::string_view section, std::string_view key,
                  std::optional<std::string_view> value) {
    return edit_file(path, [&](IniFile& file) { return file.put(section, key, value); });
}

IniStatus write_uint(const std::string& path, std::string_view section, std::string_view key,
                     std::uint32_t value) {
    return edit_file(path, [&](IniFile& file) { return file.put_uint(section, key, value); });
}

IniStatus ini_erase_section(const std::string& path, std::string_view section) {
    return edit_file(path, [&](IniFile& file) {
        file.erase_section(section);
        return IniStatus{};
    });
}

}  // namespace varnix
