// Local directory listing and dump.
#include "listing/local_listing.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <unordered_map>
#include <vector>

#include "listing/entry_batch.h"
#include "listing/list_entries.h"
#include "listing/path_box.h"
#include "listing/text_helpers.h"
#include "platform/directory_scan.h"

namespace varnix {

namespace {

bool is_dot_entry(std::string_view name) { return name == "." || name == ".."; }

// The names FORCLOW shows: lower case, except where two names of the folder would then show
// alike (this file system tells them apart, so both must stay reachable).
std::unordered_map<std::string, std::string> lowered_names(const std::vector<DirectoryEntry>& entries) {
    std::unordered_map<std::string, int> uses;
    for (const auto& e : entries) ++uses[lowered(e.name)];
    std::unordered_map<std::string, std::string> shown_to_disk;
    for (const auto& e : entries) {
        std::string shown = lowered(e.name);
        if (shown != e.name && uses[shown] == 1) shown_to_disk.emplace(std::move(shown), e.name);
    }
    return shown_to_disk;
}

std::string shown_name(const std::unordered_map<std::string, std::string>& disk_names,
                       const std::string& name) {
    std::string candidate = lowered(name);
    const auto found = disk_names.find(candidate);
    if (found != disk_names.end() && found->second == name) return candidate;
    return name;
}

void fill_directories(ListingContext& ctx, const std::vector<DirectoryEntry>& entries) {
    ListBox& dirs = *ctx.panes.local_dirs;
    for (const auto& e : entries) {
        if (!e.is_directory || is_dot_entry(e.name) || !is_listable_name(e.name)) continue;
        const std::string detail = ctx.settings.full_directory_info ? format_detail(e.modified, e.size) : std::string();
        const std::string name = ctx.options.force_lowercase ? shown_name(ctx.local_disk_names, e.name) : e.name;
        (void)dirs.add_item(make_entry_text(name, detail));
    }
}

void fill_files(ListingContext& ctx, const std::vector<DirectoryEntry>& entries) {
    ListBox& files = *ctx.panes.local_files;
    files.clear();
    if (ctx.local_mask.empty()) ctx.local_mask = "*.*";
    FileEntryBatch batch(files, ctx.settings.local_sort);
    for (const auto& e : entries) {
        if (e.is_directory || !mask_matches(ctx.local_mask, e.name)) continue;
        const std::string detail = ctx.settings.full_directory_info ? format_detail(e.modified, e.size) : std::string();
        const std::string name = ctx.options.force_lowercase ? shown_name(ctx.local_disk_names, e.name) : e.name;
        if (!batch.add(name, detail, 0)) continue;
        widen_list(files, ctx.local_width, make_entry_text(e.name, detail));
    }
    (void)batch.finish();
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

struct DumpTime {
    unsigned year, month, day, hour, minute;
};

DumpTime dump_time(std::time_t t) {
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) return {0, 0, 0, 0, 0};
    return {static_cast<unsigned>(local.tm_year), static_cast<unsigned>(local.tm_mon + 1),
            static_cast<unsigned>(local.tm_mday), static_cast<unsigned>(local.tm_hour),
            static_cast<unsigned>(local.tm_min)};
}

// The name cut to 30 bytes and padded to 30.
std::string dump_name(std::string_view name) {
    std::string field(name.substr(0, 30));
    field.resize(30, ' ');
    return field;
}

void write_dump_line(std::FILE* out, const DirectoryEntry& e) {
    const DumpTime t = dump_time(e.modified);
    const std::string name = dump_name(e.name);
    if (e.is_directory) {
        std::fprintf(out, "%s <DIR>      %02u-%02u-%02u  %2u:%02u\n", name.c_str(), t.year,
                     t.month, t.day, t.hour, t.minute);
    } else {
        std::fprintf(out, "%s %10" PRId64 " %02u-%02u-%02u  %2u:%02u\n", name.c_str(), e.size,
                     t.year, t.month, t.day, t.hour, t.minute);
    }
}

}  // namespace

ListingContext::ListingContext() : panes(pane_memory.controls()), local_dir(current_directory()) {}

std::string local_file_path(const ListingContext& ctx, std::string_view name) {
    if (!name.empty() && name.front() == '/') return std::string(name);
    std::string path = ctx.local_dir;
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    return path;
}

bool set_local_dir(ListingContext& ctx, std::string_view path) {
    if (path.empty() || path.find('\0') != std::string_view::npos) return false;
    const std::string wanted = local_file_path(ctx, path);
    // The physical path, as chdir would have made it: ".." leaves a linked folder upwards.
    char* resolved = ::realpath(wanted.c_str(), nullptr);
    if (!resolved) return false;
    std::string absolute(resolved);
    std::free(resolved);
    struct stat st {};
    if (::stat(absolute.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        ::access(absolute.c_str(), R_OK | X_OK) != 0) {
        return false;
    }
    ctx.local_dir = std::move(absolute);
    return true;
}

void list_local(ListingContext& ctx) {
    show_path_in_box(ctx.panes.local_path_box, ctx.local_dir);
    ListBox& dirs = *ctx.panes.local_dirs;
    ListBox& files = *ctx.panes.local_files;
    dirs.set_redraw(false);
    files.set_redraw(false);
    dirs.clear();
    ctx.local_width = 0;
    (void)dirs.add_item("..");

    const auto entries = scan_directory(ctx.local_dir);
    const std::vector<DirectoryEntry> none;
    const auto& list = entries ? *entries : none;
    ctx.local_disk_names.clear();
    if (ctx.options.force_lowercase) ctx.local_disk_names = lowered_names(list);
    fill_directories(ctx, list);
    fill_files(ctx, list);

    dirs.set_redraw(true);
    files.set_redraw(true);
}

int write_local_directory_dump(const std::string& directory, const std::string& path) {
    std::unique_ptr<std::FILE, FileCloser> out(std::fopen(path.c_str(), "w"));
    if (!out) return 1;
    std::fprintf(out.get(), " Directory of %s\n\n", directory.c_str());
    if (const auto entries = scan_directory(directory)) {
        for (const auto& e : *entries) write_dump_line(out.get(), e);
    }
    return 1;
}

}  // namespace varnix
