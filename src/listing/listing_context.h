// The listing layer's share of the program state: the two panes' controls and list contents,
// the width counters and the name last taken from a list.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "net/net_context.h"
#include "listing/remote_listing.h"
#include "platform/list_box.h"

namespace varnix {

// In-memory pane controls: directory lists and path boxes sorted, file lists not.
struct PaneMemory {
    MemoryListBox local_dirs{true};
    MemoryListBox local_files{false};
    MemoryListBox remote_dirs{true};
    MemoryListBox remote_files{false};
    MemoryComboBox local_path_box{true};
    MemoryComboBox remote_path_box{true};

    [[nodiscard]] PaneControls controls() {
        return {&local_dirs, &local_files, &remote_dirs, &remote_files, &local_path_box,
                &remote_path_box};
    }
};

struct ListingContext : NetContext {
    ListingContext();

    PaneMemory pane_memory;
    PaneControls panes;

    // The width counters: length of the longest entry added since the pane was last filled.
    std::size_t remote_width = 0;  // shared by the two remote lists
    std::size_t local_width = 0;   // the local file list

    // The item data of the entry get_entry_name read last (0 when it found none).
    std::atomic<std::int64_t> last_entry_size{0};

    // The local pane's directory, absolute: the program's own idea of "here", so two threads
    // never share the process's current directory. Starts as the directory the program was
    // started in; change it with set_local_dir().
    std::string local_dir;

    // The local mask box's text; an empty mask lists with "*.*".
    std::string local_mask = "*.*";

    // With FORCLOW the local pane shows names in lower case; on this file system that name may
    // not exist, so the name on disk is kept for each shown name that differs from it.
    std::unordered_map<std::string, std::string> local_disk_names;

    // The remote listing: listing file, cache, mask and the fetch the transfer layer provides.
    RemoteListingState remote;
};

}  // namespace varnix
