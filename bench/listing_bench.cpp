// Filling the panes with 100,000 entries: a UNIX listing parsed and put into the remote file
// list sorted on name with details, and list_local on a folder of 100,000 files. Prints the
// times and checks each result, entry for entry, against the one-by-one insertion rule.
// Usage: listing_bench [count] [--no-folder]
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "dirlex/dirlex.h"
#include "listing/entry_batch.h"
#include "listing/list_entries.h"
#include "listing/local_listing.h"
#include "platform/directory_scan.h"

namespace {

using namespace varnix;
using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct NewEntry {
    std::string name;
    std::string detail;
};

// The rule itself: each entry goes before the first entry it sorts before, found by reading
// from the top. Keys are made once per entry so the quadratic scan finishes in seconds.
std::vector<std::string> one_by_one(const std::vector<NewEntry>& entries, int code) {
    std::vector<std::string> texts, keys;
    std::vector<int> order;
    for (const auto& e : entries) {
        if (!is_listable_name(e.name)) continue;
        const std::string key = new_entry_key(code, e.name, e.detail);
        std::size_t at = 0;
        while (at < order.size() && compare_entry_keys(code, key, keys[static_cast<std::size_t>(order[at])]) >= 0) ++at;
        texts.push_back(make_entry_text(e.name, e.detail));
        keys.push_back(existing_entry_key(code, texts.back()));
        order.insert(order.begin() + static_cast<std::ptrdiff_t>(at), static_cast<int>(texts.size() - 1));
    }
    std::vector<std::string> result;
    for (int i : order) result.push_back(texts[static_cast<std::size_t>(i)]);
    return result;
}

bool same_texts(const std::vector<std::string>& expected, const MemoryListBox& list) {
    const auto got = list.texts();
    if (got.size() != expected.size()) return false;
    return std::equal(got.begin(), got.end(), expected.begin());
}

// An `ls -l` listing in the order a server sends it (sorted by name), with a few names that
// differ only in case and a few short ones, so the padding matters.
std::vector<std::string> unix_listing(int count) {
    std::vector<std::string> lines;
    std::mt19937 rng(42);
    std::uniform_int_distribution<long long> size(0, 50'000'000'000LL);
    char line[256];
    for (int i = 0; i < count; ++i) {
        const char* stem = (i % 10 == 0) ? "F" : "f";
        std::snprintf(line, sizeof line, "-rw-r--r--   1 ftp  ftp  %12lld Mar %2d  1997 %s%07d.%s\r\n",
                      size(rng), 1 + i % 28, stem, i / 2, (i % 3) ? "dat" : "c");
        lines.emplace_back(line);
    }
    return lines;
}

int bench_remote(int count) {
    const auto lines = unix_listing(count);
    ListingContext ctx;
    ctx.settings.remote_sort = sort_code::name;
    ctx.settings.full_directory_info = 1;
    dirlex::ListingState state;
    dirlex::ParseContext parse;
    parse.state = &state;

    const auto start = Clock::now();
    std::vector<NewEntry> seen;
    seen.reserve(lines.size());
    dirlex::ListEntry entry;
    FileEntryBatch batch(*ctx.panes.remote_files, ctx.settings.remote_sort);
    for (const auto& line : lines) {
        if (!dirlex::parse_list_line(entry, line, dirlex::host::unix_generic, "/", "", parse)) continue;
        std::string detail = format_detail(entry.year, entry.month, entry.day, entry.hour, entry.minute,
                                           static_cast<std::int64_t>(entry.size));
        (void)batch.add(entry.name, detail, static_cast<std::int64_t>(entry.size));
        widen_list(*ctx.panes.remote_files, ctx.remote_width, make_entry_text(entry.name, detail));
        seen.push_back({entry.name, std::move(detail)});
    }
    (void)batch.finish();
    const double fill = seconds_since(start);
    std::printf("remote: %d lines parsed and listed sorted on name in %.3f s (%zu entries)\n", count,
                fill, seen.size());

    const auto literal_start = Clock::now();
    const auto expected = one_by_one(seen, ctx.settings.remote_sort);
    std::printf("remote: one-by-one insertion took %.1f s\n", seconds_since(literal_start));
    const bool same = same_texts(expected, ctx.pane_memory.remote_files);
    std::printf("remote: batch %s the one-by-one order\n", same ? "matches" : "DIFFERS FROM");
    return same ? 0 : 1;
}

int bench_local(int count) {
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "varnix-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::printf("local: cannot make a scratch folder\n");
        return 1;
    }
    const fs::path folder = pattern;
    const fs::path previous = fs::current_path();
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%s%07d.txt", (i % 7) ? "doc" : "Doc", (i * 7919) % count);
        std::ofstream(folder / name) << i;
    }
    fs::current_path(folder);

    ListingContext ctx;
    ctx.settings.local_sort = sort_code::name;
    ctx.settings.full_directory_info = 1;
    const auto start = Clock::now();
    list_local(ctx);
    std::printf("local: list_local of %d files in %.3f s (%d entries)\n", count, seconds_since(start),
                ctx.pane_memory.local_files.count());

    // The same folder inserted one by one, in the order the folder gives its names.
    std::vector<NewEntry> seen;
    if (const auto entries = scan_directory(".")) {
        for (const auto& e : *entries) {
            if (!e.is_directory) seen.push_back({e.name, format_detail(e.modified, e.size)});
        }
    }
    const auto literal_start = Clock::now();
    const auto expected = one_by_one(seen, ctx.settings.local_sort);
    std::printf("local: one-by-one insertion took %.1f s\n", seconds_since(literal_start));
    const bool same = same_texts(expected, ctx.pane_memory.local_files);
    std::printf("local: list_local %s the one-by-one order\n", same ? "matches" : "DIFFERS FROM");

    fs::current_path(previous);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return same ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    int count = 100'000;
    bool folder = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--no-folder") {
            folder = false;
        } else if (std::from_chars(arg.data(), arg.data() + arg.size(), count).ec != std::errc{} || count <= 0) {
            std::fprintf(stderr, "usage: listing_bench [count] [--no-folder]\n");
            return 2;
        }
    }
    int failures = bench_remote(count);
    if (folder) failures += bench_local(count);
    return failures == 0 ? 0 : 1;
}
