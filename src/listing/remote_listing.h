// The remote pane's listing: PWD, LIST into a temporary file, the file read through the
// listing parser into the remote lists, and the per-connection cache of listing files.
#pragma once

#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "dirlex/dirlex.h"
#include "net/command_reply.h"

namespace varnix {

struct ListingContext;

inline constexpr const char* undecipherable_dir = "undecipherable";
inline constexpr int cache_found_none = 99;
inline constexpr std::size_t cache_slots_used = 19;

struct ListingCacheSlot {
    std::string directory;  // the key, compared exactly
    std::string file;       // the temporary listing file
    bool facts = false;     // the file holds an MLSD listing (RFC 3659 facts, UTC times)
};

// What a listing fetch brought: the completion reply's class, and whether the listing came
// whole (only a whole listing is kept in the cache).
struct ListingFetch {
    ReplyClass reply_class = ReplyClass::None;
    bool complete = false;
};

struct RemoteListingState {
    std::string listing_file;  // the file of the listing shown last
    bool listing_has_facts = false;  // listing_file holds MLSD lines, not LIST lines
    std::vector<ListingCacheSlot> cache;  // oldest first, at most 19
    std::string remote_mask;              // appended to LIST
    // Entries of the directory list that the server listed as symbolic links (VLINK shows
    // them as directories); a recursive download does not descend into them.
    std::unordered_set<std::string> link_dirs;
    // Runs a listing command over a data connection into listing_file (the transfer layer
    // provides it).
    std::function<ListingFetch(const std::string& command)> fetch;
};

// List the remote directory: from the cache when it was listed before, or always asking.
// With a server whose FEAT lists MLST (and the profile's MLSD on, no mask set) the listing
// is fetched with MLSD, and with LIST when MLSD fails.
void list_remote_cached(ListingContext& ctx);
void list_remote_fresh(ListingContext& ctx);
// Fills the remote lists from a listing file.
void load_listing_file(ListingContext& ctx, const std::string& path);
// The slot index of a cached listing (its file becomes the listing file), or 99 after a new
// slot with a fresh temporary file was made.
int find_or_add_cache_entry(ListingContext& ctx, const std::string& directory);
// Drops every slot and deletes their files.
void clear_listing_cache(ListingContext& ctx);
// An MLSD entry's date and time (UTC) turned into local time, as LIST listings show them.
void utc_entry_to_local(dirlex::ListEntry& entry);
// The directory a PWD reply names between double (else single) quotes, at most 250
// characters; "undecipherable" when it names none.
[[nodiscard]] std::string directory_from_pwd_reply(const std::string& text);

}  // namespace varnix
