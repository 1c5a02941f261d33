// Recursive directory transfers: one level of the walk per call, in both directions.
#include "transfer/tree_transfer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "listing/list_entries.h"
#include "listing/local_listing.h"
#include "listing/remote_listing.h"
#include "net/commands.h"
#include "net/control_connection.h"
#include "platform/directory_scan.h"
#include "transfer/sounds.h"

namespace varnix {

namespace {

enum class Direction { Down, Up };

bool walk_stopped(const TransferContext& ctx) { return ctx.stop_requested.load(); }

// The names of the selected entries of a directory list, top first, at most 250.
std::vector<std::string> selected_dir_names(TransferContext& ctx, const ListBox& list,
                                            Direction dir) {
    std::vector<std::string> names;
    for (const int index : list.selected_indices()) {
        if (names.size() >= walk_max_selected) break;
        std::string name = get_entry_name(ctx, list, index);
        if (dir == Direction::Up && !name.empty()) name = local_disk_name(ctx, name);
        names.push_back(std::move(name));
    }
    return names;
}

enum class LocalKind { Missing, Directory, Link, Other };

LocalKind local_kind(const TransferContext& ctx, const std::string& name) {
    struct stat st {};
    if (::lstat(local_file_path(ctx, name).c_str(), &st) != 0) return LocalKind::Missing;
    if (S_ISLNK(st.st_mode)) return LocalKind::Link;
    return S_ISDIR(st.st_mode) ? LocalKind::Directory : LocalKind::Other;
}

// Entering a local folder only through a real directory entry keeps every write of the walk
// inside the folder it started in: a link of that name could point anywhere.
bool enter_local_dir(TransferContext& ctx, const std::string& name) {
    return local_kind(ctx, name) == LocalKind::Directory && set_local_dir(ctx, name);
}

int walk_level(TransferContext& ctx, Direction dir, int depth);

// Leaves the entered directories again: remote first, then local. Adds the bits that worked.
int return_to(TransferContext& ctx, Direction dir, const std::string& orig_remote,
              const std::string& orig_local, bool remote_entered) {
    int mask = 0;
    if (remote_entered) {
        if (change_dir(ctx, orig_remote).completed()) {
            if (dir == Direction::Down) list_remote_cached(ctx); else list_remote_fresh(ctx);
            mask |= walk_step::remote_back;
            ctx.messages.print_message("[S] changed back to orig dir %s", orig_remote.c_str());
        } else {
            ctx.messages.print_message("[E] failed to return to orig dir %s", orig_remote.c_str());
        }
    }
    if (!set_local_dir(ctx, orig_local)) {
        ctx.messages.print_message("[E] failed to return to orig ldir %s", orig_local.c_str());
    } else {
        mask |= walk_step::local_back;
        list_local(ctx);
        ctx.messages.print_message("[S] changed back to orig ldir %s", orig_local.c_str());
    }
    return mask;
}

// Copies one selected directory: creates it on the target side, enters it on both sides,
// walks it and comes back. The step mask of the entry.
int copy_directory(TransferContext& ctx, Direction dir, const std::string& name, int depth,
                   const std::string& orig_remote, const std::string& orig_local) {
    if (dir == Direction::Down) {
        (void)::mkdir(local_file_path(ctx, name).c_str(), 0777);  // an existing folder is reused
    } else {
        (void)make_dir(ctx, name);  // the reply is not checked
    }
    if (!enter_local_dir(ctx, name)) {
        ctx.messages.print_message("[E] failed to change to new ldir %s", name.c_str());
        return 0;
    }
    list_local(ctx);
    int mask = walk_step::local_entered;
    const bool entered = change_dir(ctx, name).completed();
    if (entered) {
        if (dir == Direction::Down) list_remote_fresh(ctx); else list_remote_cached(ctx);
        mask |= walk_step::remote_entered;
        (void)walk_level(ctx, dir, depth + 1);
        ctx.messages.print_message("[S] transfer directory complete");
    } else {
        ctx.messages.print_message("[E] failed to change to select dir %s", name.c_str());
    }
    return mask | return_to(ctx, dir, orig_remote, orig_local, entered);
}

// Why a selected entry is passed over, or nullptr when it can be copied. Passed-over
// entries count as done, so the walk goes on with their siblings.
const char* reason_to_skip(TransferContext& ctx, Direction dir, const std::string& name) {
    if (dir == Direction::Down) {
        if (!safe_remote_dir_name(ctx, name)) {
            return ctx.remote.link_dirs.contains(name) ? "a link" : "not a plain name";
        }
        // A folder of that name that is a link (or a file) is not entered or replaced.
        const LocalKind kind = local_kind(ctx, name);
        if (kind == LocalKind::Link) return "the local name is a link";
        if (kind == LocalKind::Other) return "the local name is a file";
        return nullptr;
    }
    const LocalKind kind = local_kind(ctx, name);
    if (kind == LocalKind::Link) return "a link";
    if (kind != LocalKind::Directory) return "not a local folder";
    if (name.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
        return "not a plain name";
    }
    return nullptr;
}

// The selected directories of the source pane, each copied whole.
int copy_selected(TransferContext& ctx, Direction dir, const std::vector<std::string>& names,
                  int depth, const std::string& orig_remote, const std::string& orig_local) {
    int mask = 0;
    for (const std::string& name : names) {
        if (walk_stopped(ctx)) break;
        mask = 0;
        if (name.empty()) {
            ctx.messages.print_message("[E] failed to get sel dir name");
        } else if (name == "..") {
            ctx.messages.print_message("[E] can't go to ..");
        } else if (const char* why = reason_to_skip(ctx, dir, name)) {
            ctx.messages.print_message("[S] skipped %s: %s", name.c_str(), why);
            mask = walk_step::all;
        } else if (depth >= walk_max_depth) {
            ctx.messages.print_message("[E] directory tree deeper than %d levels at %s",
                                       walk_max_depth, name.c_str());
        } else {
            mask = copy_directory(ctx, dir, name, depth, orig_remote, orig_local);
        }
        if (mask != walk_step::all) break;
    }
    return mask;
}

// Inside a directory just entered: its files, then each subdirectory in turn.
void copy_contents(TransferContext& ctx, Direction dir, int depth) {
    ListBox& files = dir == Direction::Down ? *ctx.panes.remote_files : *ctx.panes.local_files;
    ListBox& dirs = dir == Direction::Down ? *ctx.panes.remote_dirs : *ctx.panes.local_dirs;
    if (files.count() > 0) {
        if (!files.set_selected(-1, true)) {
            ctx.messages.print_message("[E] failed to select names");
        } else {
            set_transfer_thread_busy(ctx, 1);
            PaneHooks hooks;
            hooks.nested = true;
            if (dir == Direction::Down) {
                (void)download_selected(ctx, hooks, false);
            } else {
                (void)upload_selected(ctx, hooks, false);
            }
        }
    }
    // The list is filled again by every visit below (from the cache or the disk, in the same
    // order), so its count is read afresh each time. The parent entry is skipped by its name:
    // in a sorted list a name such as "-old" comes before "..".
    for (int i = 0; i < dirs.count(); ++i) {
        if (ctx.cancel_requested || walk_stopped(ctx)) break;
        const std::string name = get_entry_name(ctx, dirs, i);
        if (name == ".." || (dir == Direction::Up && name.starts_with("["))) continue;
        (void)dirs.set_selected(-1, false);
        (void)dirs.set_selected(i, true);
        if (walk_level(ctx, dir, depth) != walk_step::all) break;
        if (ctx.cancel_requested || walk_stopped(ctx)) break;
    }
}

int walk_level(TransferContext& ctx, Direction dir, int depth) {
    if (walk_stopped(ctx)) return 0;
    const std::string orig_remote = ctx.current_remote_dir;
    const std::string orig_local = ctx.local_dir;
    const ListBox& dirs = dir == Direction::Down ? *ctx.panes.remote_dirs : *ctx.panes.local_dirs;
    const std::vector<std::string> names = selected_dir_names(ctx, dirs, dir);
    if (!names.empty()) return copy_selected(ctx, dir, names, depth, orig_remote, orig_local);
    copy_contents(ctx, dir, depth);
    return 0;
}

}  // namespace

bool safe_remote_dir_name(const TransferContext& ctx, const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    if (name.find_first_of(std::string_view("/\\\0\r\n", 5)) != std::string::npos) return false;
    return !ctx.remote.link_dirs.contains(name);
}

int download_tree(TransferContext& ctx) {
    ctx.stop_requested = false;
    return walk_level(ctx, Direction::Down, 0);
}

int upload_tree(TransferContext& ctx) {
    ctx.stop_requested = false;
    return walk_level(ctx, Direction::Up, 0);
}

QuietTransferScope::QuietTransferScope(TransferContext& ctx) : ctx_(ctx), previous_(ctx.transfer.run) {
    ctx_.log_base_dir = ctx.local_dir;
    ctx_.transfer.run.progress_dialog = false;
    ctx_.transfer.run.sound = false;
    ctx_.transfer.run.name_prompts = false;
}

QuietTransferScope::~QuietTransferScope() {
    ctx_.log_base_dir.clear();
    ctx_.transfer.run = previous_;
}

namespace {

bool select_local_dir_entry(TransferContext& ctx, const std::string& name) {
    ListBox& dirs = *ctx.panes.local_dirs;
    (void)dirs.set_selected(-1, false);
    for (int i = 0; i < dirs.count(); ++i) {
        if (local_disk_name(ctx, get_entry_name(ctx, dirs, i)) == name) return dirs.set_selected(i, true);
    }
    return false;
}

// One dropped folder from its parent: the same walk as the "-->" of a selected folder.
bool upload_one_folder(TransferContext& ctx, const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).lexically_normal();
    const std::filesystem::path clean = folder.has_filename() ? folder : folder.parent_path();
    const std::string name = clean.filename().string();
    const std::string parent = clean.parent_path().string();
    std::error_code ec;
    if (!clean.is_absolute() || name.empty() || !std::filesystem::is_directory(clean, ec)) {
        ctx.messages.print_message("[S] skipped %s: not a local folder", path.c_str());
        return true;
    }
    if (!set_local_dir(ctx, parent)) {
        ctx.messages.print_message("[E] failed to change to ldir %s", parent.c_str());
        return false;
    }
    list_local(ctx);
    if (!select_local_dir_entry(ctx, name)) {
        ctx.messages.print_message("[E] failed to select dir %s", name.c_str());
        return false;
    }
    return upload_tree(ctx) == walk_step::all && !walk_stopped(ctx);
}

}  // namespace

bool upload_local_folders(TransferContext& ctx, const std::vector<std::string>& folders) {
    const std::string home = ctx.local_dir;
    bool all = true;
    {
        QuietTransferScope quiet(ctx);
        for (const std::string& path : folders) {
            all = upload_one_folder(ctx, path);
            if (!all) break;
        }
        (void)ctx.panes.local_dirs->set_selected(-1, false);
        if (!set_local_dir(ctx, home)) {
            ctx.messages.print_message("[E] failed to return to orig ldir %s", home.c_str());
        }
        list_local(ctx);
    }
    play_event_sound_if_enabled(ctx, SoundEvent::Complete);
    return all;
}

int run_tree_transfer(TransferContext& ctx, PaneTransfer direction) {
    int result;
    {
        QuietTransferScope quiet(ctx);
        result = direction == PaneTransfer::Upload ? upload_tree(ctx) : download_tree(ctx);
    }
    play_event_sound_if_enabled(ctx, SoundEvent::Complete);
    return result;
}

}  // namespace varnix
