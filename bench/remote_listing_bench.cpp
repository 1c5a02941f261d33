// Loading a remote listing file into the remote lists: a UNIX listing of 100,000 lines read
// by load_listing_file, sorted on name with details shown. Prints the time, and checks on a
// smaller listing that the file list is, entry for entry, the one that inserting the entries
// one by one (insert_file_entry) gives.
// Usage: remote_listing_bench [lines]
#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>

#include "dirlex/dirlex.h"
#include "listing/list_entries.h"
#include "listing/listing_context.h"
#include "listing/remote_listing.h"
#include "platform/temp_file.h"

namespace {

using namespace varnix;
using Clock = std::chrono::steady_clock;

// A UNIX listing with files, a few directories, links and equal names in other cases.
std::string write_listing(int lines) {
    const std::string path = make_temp_file("BENCH");
    std::ofstream out(path);
    std::mt19937 random(42);
    const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    out << "total 123456\n";
    for (int i = 0; i < lines; ++i) {
        const unsigned r = random();
        const char kind = r % 50 == 0 ? 'd' : (r % 97 == 0 ? 'l' : '-');
        char name[64];
        std::snprintf(name, sizeof name, "%s%05u.%s", (r & 1) ? "File" : "file", r % 40000,
                      (r & 2) ? "txt" : "bin");
        out << kind << "rw-r--r--   1 user     group    " << (r % 10000000) << ' '
            << months[r % 12] << ' ' << (1 + r % 28) << "  2019 " << name;
        if (kind == 'l') out << " -> target";
        out << '\n';
    }
    return path;
}

struct Bench : ListingContext {
    Bench() {
        settings.remote_sort = 1;  // name
        settings.full_directory_info = 1;
        session.host_type = dirlex::host::unix_generic;
    }
};

struct Timing {
    double wall;
    double cpu;  // this process's processor time: what the machine's other load cannot inflate
};

Timing load_timed(Bench& ctx, const std::string& path) {
    const auto start = Clock::now();
    const std::clock_t cpu_start = std::clock();
    load_listing_file(ctx, path);
    return {std::chrono::duration<double>(Clock::now() - start).count(),
            static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC};
}

// The file list as inserting each parsed entry one by one gives it.
std::vector<std::string> one_by_one(Bench& ctx, const std::string& path) {
    MemoryListBox list(false);
    std::ifstream in(path);
    std::string line;
    dirlex::ListEntry entry;
    dirlex::ParseContext parse;
    while (std::getline(in, line)) {
        if (!dirlex::parse_list_line(entry, line, ctx.session.host_type, "", "", parse)) continue;
        if (entry.kind == dirlex::EntryKind::Directory ||
            (entry.kind == dirlex::EntryKind::Link && ctx.options.links_as_directories)) {
            continue;
        }
        char detail[64];
        std::snprintf(detail, sizeof detail, "%04u%02u%02u %02u:%02u %10llu", unsigned(entry.year),
                      unsigned(entry.month), unsigned(entry.day), unsigned(entry.hour),
                      unsigned(entry.minute), static_cast<unsigned long long>(entry.size));
        (void)insert_file_entry(list, entry.name, entry_detail(ctx, detail), ctx.settings.remote_sort);
    }
    return list.texts();
}

}  // namespace

int main(int argc, char** argv) {
    const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
    const std::string big = write_listing(lines);
    Bench timed;
    const Timing t = load_timed(timed, big);
    std::printf("load_listing_file: %d lines in %.3f s wall, %.3f s processor (%d files, %d directories)\n",
                lines, t.wall, t.cpu, timed.panes.remote_files->count(), timed.panes.remote_dirs->count());
    ::unlink(big.c_str());

    const std::string small = write_listing(20000);
    Bench checked;
    (void)load_timed(checked, small);
    const auto expected = one_by_one(checked, small);
    const auto got = static_cast<MemoryListBox*>(checked.panes.remote_files)->texts();
    ::unlink(small.c_str());
    const bool same = expected == got;
    std::printf("20000-line listing identical to one-by-one insertion: %s (%zu entries)\n",
                same ? "yes" : "NO", got.size());
    return same ? 0 : 1;
}
