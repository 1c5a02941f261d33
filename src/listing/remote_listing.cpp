// Remote listings: PWD, LIST into a cached temporary file, and the file read into the lists.
#include "listing/remote_listing.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <unistd.h>

#include "dirlex/dirlex.h"
#include "listing/entry_batch.h"
#include "listing/list_entries.h"
#include "listing/listing_context.h"
#include "listing/path_box.h"
#include "net/commands.h"
#include "net/control_connection.h"
#include "net/features.h"
#include "net/host_types.h"
#include "platform/line_reader.h"
#include "platform/temp_file.h"

namespace varnix {

namespace {

constexpr std::size_t remote_dir_chars = 250;
// A listing line: the name (up to 255 bytes), a link target (a path) and the columns.
constexpr std::size_t listing_line_chars = 8191;

// Deletes a slot's file (names of 3 characters or fewer are no files of ours).
void drop_file(const std::string& file) {
    if (file.size() > 3) ::unlink(file.c_str());
}

// Clears the lists for a listing; the directory list of host type 6019 keeps its contents.
void empty_lists(ListingContext& ctx, bool add_parent) {
    const bool keep_dirs = ctx.session.host_type == dirlex::host::vm_minidisk;
    if (!keep_dirs) {
        ctx.panes.remote_dirs->clear();
        if (add_parent) (void)ctx.panes.remote_dirs->add_item("..");
    }
    ctx.panes.remote_files->clear();
}

class ScopedListingBusy {
public:
    explicit ScopedListingBusy(ListingContext& ctx) : ctx_(ctx) { set_transfer_thread_busy(ctx_, 1); }
    ~ScopedListingBusy() { set_transfer_thread_busy(ctx_, 0); }
    ScopedListingBusy(const ScopedListingBusy&) = delete;
    ScopedListingBusy& operator=(const ScopedListingBusy&) = delete;

private:
    ListingContext& ctx_;
};

bool owned_by_cache(const ListingContext& ctx, const std::string& file) {
    const auto& cache = ctx.remote.cache;
    return std::any_of(cache.begin(), cache.end(),
                       [&](const ListingCacheSlot& slot) { return slot.file == file; });
}

// Drops the slot of the listing file just fetched; the file stays the listing file until
// the next listing replaces it.
void forget_cache_entry(ListingContext& ctx) {
    auto& cache = ctx.remote.cache;
    std::erase_if(cache, [&](const ListingCacheSlot& slot) { return slot.file == ctx.remote.listing_file; });
}

bool mask_takes_all(std::string_view mask) { return mask.empty() || mask == "*" || mask == "*.*"; }

// MLSD names sizes, UTC times and types exactly where LIST leaves them to guessing. It takes
// a directory, not a pattern, so a masked listing stays with LIST.
bool wants_mlsd(const ListingContext& ctx) {
    return ctx.session.mlsd != 0 && !ctx.control.state().mlsd_refused &&
           ctx.control.state().features.offers("MLST") && mask_takes_all(ctx.remote.remote_mask);
}

void mark_listing_facts(ListingContext& ctx, bool facts) {
    ctx.remote.listing_has_facts = facts;
    for (ListingCacheSlot& slot : ctx.remote.cache) {
        if (slot.file == ctx.remote.listing_file) slot.facts = facts;
    }
}

// Fetches the listing into the listing file: MLSD where it serves, LIST otherwise and after
// an MLSD the server refused or could not complete (never after a cancel or a lost
// connection: there is nobody left to ask).
ListingFetch fetch_directory(ListingContext& ctx) {
    if (!ctx.remote.fetch) return {};
    if (wants_mlsd(ctx)) {
        const ListingFetch fetched = ctx.remote.fetch("MLSD");
        if (fetched.reply_class == ReplyClass::Completed) {
            mark_listing_facts(ctx, true);
            return fetched;
        }
        if (ctx.cancel_requested || !ctx.connected) return fetched;
        // A server that lists MLST yet does not know MLSD is not asked again.
        if (ctx.reply.code == 500 || ctx.reply.code == 502) ctx.control.state().mlsd_refused = true;
        ctx.messages.print_message("[I] MLSD failed, listing with LIST");
    }
    mark_listing_facts(ctx, false);
    return ctx.remote.fetch("LIST " + ctx.remote.remote_mask);
}

void list_remote(ListingContext& ctx, bool use_cache) {
    if (is_transfer_thread_busy(ctx)) return;
    ScopedListingBusy busy(ctx);
    if (!ctx.host.host_type_probed) probe_host_type(ctx);
    if (ctx.session.host_type != dirlex::host::vm_minidisk) ctx.panes.remote_dirs->clear();
    ctx.panes.remote_files->clear();
    if (!ctx.connected) {
        ctx.panes.remote_dirs->clear();
        show_path_in_box(ctx.panes.remote_path_box, "");
        return;
    }
    ctx.current_remote_dir = undecipherable_dir;
    if (!use_cache || ctx.session.host_type != dirlex::host::mvs_jes) {
        if (const CommandReply pwd = print_dir(ctx); pwd.completed()) {
            ctx.current_remote_dir = directory_from_pwd_reply(pwd.text);
        }
    }
    show_path_in_box(ctx.panes.remote_path_box, ctx.current_remote_dir);
    const int slot = find_or_add_cache_entry(ctx, ctx.current_remote_dir);
    ReplyClass listed;
    if (use_cache && slot != cache_found_none) {
        ctx.messages.print_message("[%u] using cache %s", static_cast<unsigned>(slot),
                                   ctx.remote.listing_file.c_str());
        listed = ReplyClass::Completed;
    } else {
        ctx.cancel_requested = false;
        const ListingFetch fetched = fetch_directory(ctx);
        listed = fetched.reply_class;
        // A refused or cut-off listing is shown as far as it came, but never kept: the next
        // visit must ask again, not show an empty or partial directory until Refresh.
        if (!fetched.complete) forget_cache_entry(ctx);
    }
    if (listed == ReplyClass::Completed) {
        load_listing_file(ctx, ctx.remote.listing_file);
    } else {
        empty_lists(ctx, true);
        ctx.messages.print_message("DoDirList returned %u",
                                   static_cast<unsigned>(class_number(listed)));
    }
}

}  // namespace

void utc_entry_to_local(dirlex::ListEntry& entry) {
    if (entry.year == 0) return;
    const auto seconds = utc_seconds(entry.year, entry.month, entry.day, entry.hour, entry.minute, 0);
    if (!seconds) return;
    const std::time_t when = static_cast<std::time_t>(*seconds);
    std::tm local{};
    if (!localtime_r(&when, &local)) return;
    entry.year = static_cast<std::uint16_t>(local.tm_year + 1900);
    entry.month = static_cast<std::uint8_t>(local.tm_mon + 1);
    entry.day = static_cast<std::uint8_t>(local.tm_mday);
    entry.hour = static_cast<std::uint8_t>(local.tm_hour);
    entry.minute = static_cast<std::uint8_t>(local.tm_min);
}

std::string directory_from_pwd_reply(const std::string& text) {
    auto open = text.find('"');
    if (open == std::string::npos) open = text.find('\'');
    if (open == std::string::npos) return undecipherable_dir;
    std::string dir = text.substr(open + 1, remote_dir_chars);
    auto close = dir.find('"');
    if (close == std::string::npos) close = dir.find('\'');
    if (close != std::string::npos) dir.resize(close);
    return dir;
}

void list_remote_cached(ListingContext& ctx) { list_remote(ctx, true); }

void list_remote_fresh(ListingContext& ctx) { list_remote(ctx, false); }

int find_or_add_cache_entry(ListingContext& ctx, const std::string& directory) {
    auto& cache = ctx.remote.cache;
    if (directory != undecipherable_dir) {
        for (std::size_t i = 0; i < cache.size(); ++i) {
            if (cache[i].directory == directory) {
                ctx.remote.listing_file = cache[i].file;
                ctx.remote.listing_has_facts = cache[i].facts;
                return static_cast<int>(i);
            }
        }
    }
    if (cache.size() >= cache_slots_used) {
        drop_file(cache.front().file);
        cache.erase(cache.begin());
    }
    // A listing file no slot owns (one that was not kept) goes when another replaces it.
    if (!ctx.remote.listing_file.empty() && !owned_by_cache(ctx, ctx.remote.listing_file)) {
        drop_file(ctx.remote.listing_file);
    }
    ctx.remote.listing_file = make_temp_file("DIR");
    ctx.remote.listing_has_facts = false;
    cache.push_back({directory, ctx.remote.listing_file, false});
    return cache_found_none;
}

void clear_listing_cache(ListingContext& ctx) {
    // A name list fetched before any listing (a batch wildcard download) made a listing file
    // that no slot owns; it goes with the cache.
    auto& cache = ctx.remote.cache;
    if (!owned_by_cache(ctx, ctx.remote.listing_file)) drop_file(ctx.remote.listing_file);
    ctx.remote.listing_file.clear();
    for (const auto& slot : cache) drop_file(slot.file);
    cache.clear();
    if (ctx.panes.remote_path_box) ctx.panes.remote_path_box->clear();
}

void load_listing_file(ListingContext& ctx, const std::string& path) {
    ListBox& dirs = *ctx.panes.remote_dirs;
    ListBox& files = *ctx.panes.remote_files;
    dirs.set_redraw(false);
    files.set_redraw(false);
    empty_lists(ctx, true);
    ctx.remote_width = 0;
    ctx.remote.link_dirs.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ctx.messages.print_message("couldn't open %s for read.", path.c_str());
    } else {
        FileEntryBatch batch(files, ctx.settings.remote_sort);
        dirlex::ListEntry entry;
        dirlex::ListingState state;
        dirlex::ParseContext parse;
        parse.state = &state;
        std::string line;
        const bool facts = ctx.remote.listing_has_facts;
        const int host_type = facts ? dirlex::host::mlsd : ctx.session.host_type;
        while (read_line(in, line, listing_line_chars)) {
            if (!dirlex::parse_list_line(entry, line, host_type, ctx.current_remote_dir,
                                         ctx.session.user, parse)) {
                continue;
            }
            if (facts) {
                // Only fact lines: the other dialects would guess at the cdir and pdir
                // entries the MLSD reader leaves out on purpose.
                if (entry.host_type != dirlex::host::mlsd) continue;
                utc_entry_to_local(entry);
            }
            char detail[64];
            std::snprintf(detail, sizeof detail, "%04u%02u%02u %02u:%02u %10llu",
                          static_cast<unsigned>(entry.year), static_cast<unsigned>(entry.month),
                          static_cast<unsigned>(entry.day), static_cast<unsigned>(entry.hour),
                          static_cast<unsigned>(entry.minute),
                          static_cast<unsigned long long>(entry.size));
            const auto size = static_cast<std::int64_t>(entry.size);
            const bool is_dir = entry.kind == dirlex::EntryKind::Directory ||
                                (entry.kind == dirlex::EntryKind::Link && ctx.options.links_as_directories);
            if (is_dir) {
                if (add_directory_entry(ctx, entry.name, detail, size) >= 0 &&
                    entry.kind == dirlex::EntryKind::Link) {
                    ctx.remote.link_dirs.insert(entry.name);
                }
            } else if (batch.add(entry.name, entry_detail(ctx, detail), size)) {
                widen_list(files, ctx.remote_width, make_entry_text(entry.name, entry_detail(ctx, detail)));
            }
        }
        (void)batch.finish();
    }
    dirs.set_redraw(true);
    files.set_redraw(true);
}

}  // namespace varnix
