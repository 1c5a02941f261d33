// The pane file operations, local and remote.
#include "transfer/file_operations.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "config/config_file.h"
#include "listing/list_entries.h"
#include "listing/local_listing.h"
#include "listing/remote_listing.h"
#include "net/commands.h"
#include "net/control_connection.h"
#include "platform/temp_file.h"
#include "transfer/get_put.h"
#include "transfer/local_names.h"

namespace varnix {

namespace {

// A path box holds a whole path; the remote current directory is kept to 250 characters.
constexpr std::size_t path_box_chars = 250;
constexpr int help_change_dir = 180;
constexpr int help_make_dir = 185;
constexpr int help_remove_dir = 650;
constexpr int help_rename = 380;
constexpr int help_move = 390;
constexpr int pump_every = 256;

ListBox& files_of(TransferContext& ctx, PaneSide side) {
    return side == PaneSide::Local ? *ctx.panes.local_files : *ctx.panes.remote_files;
}

ListBox& dirs_of(TransferContext& ctx, PaneSide side) {
    return side == PaneSide::Local ? *ctx.panes.local_dirs : *ctx.panes.remote_dirs;
}

// The names of the selected file entries, taken at once (the loops below change the list).
std::vector<std::string> selected_file_names(TransferContext& ctx, PaneSide side) {
    std::vector<std::string> names;
    for (const int index : files_of(ctx, side).selected_indices()) {
        std::string name = side == PaneSide::Local ? get_local_file_name(ctx, index)
                                                   : get_remote_file_name(ctx, index);
        if (!name.empty()) names.push_back(std::move(name));
    }
    return names;
}

// The name of a list's caret item, or of its first selected item when the caret is elsewhere.
std::string caret_name(TransferContext& ctx, const ListBox& list, bool local) {
    int index = list.caret_index();
    if (index < 0 || !list.is_selected(index)) {
        const auto selected = list.selected_indices();
        if (selected.empty()) return {};
        index = selected.front();
    }
    const std::string name = get_entry_name(ctx, list, index);
    return local ? local_disk_name(ctx, name) : name;
}

bool has_selection(const ListBox& list) { return !list.selected_indices().empty(); }

void relist_remote_after_change(TransferContext& ctx) {
    if (ctx.options.relist_after_change) list_remote_fresh(ctx);
}

// RNFR then RNTO; true when the server confirmed the new name. A refused RNFR is silent.
enum class RenameResult { Done, Refused, Failed };
RenameResult remote_rename(TransferContext& ctx, const std::string& from, const std::string& to) {
    if (!send_command_text(ctx, "RNFR " + from).intermediate()) return RenameResult::Refused;
    return send_command_text(ctx, "RNTO " + to).completed() ? RenameResult::Done
                                                                          : RenameResult::Failed;
}

void pump(const FileOperationHooks& hooks, std::size_t i) {
    if (hooks.pump && i % pump_every == pump_every - 1) hooks.pump();
}

bool open_with_desktop(const FileOperationHooks& hooks, const std::string& file) {
    if (hooks.open_file) return hooks.open_file(file);
    return hooks.start_program && hooks.start_program({"xdg-open", file});
}

}  // namespace

int confirm_delete(const FileOperationHooks& hooks, const std::string& name, int remaining) {
    if (!hooks.confirm_delete) return delete_answer::yes;
    char question[512];
    std::snprintf(question, sizeof question, "Are you sure you want to delete \"%s\"?", name.c_str());
    return hooks.confirm_delete(question, remaining);
}

void change_directory(TransferContext& ctx, PaneSide side, const FileOperationHooks&) {
    ListBox& dirs = dirs_of(ctx, side);
    if (side == PaneSide::Remote) {
        std::string name;
        if (!has_selection(dirs)) {
            std::vector<std::string> choices;
            for (const auto& slot : ctx.remote.cache) choices.push_back(slot.directory);
            ctx.prompts.set_help_context(help_change_dir);
            ctx.prompts.set_name_charset(ctx.session.charset);
            if (!ctx.prompts.ask_with_history(ctx.current_remote_dir, choices,
                                              "Enter remote directory name:")) {
                return;
            }
            name = ctx.prompts.answer();
        } else {
            name = caret_name(ctx, dirs, false);
        }
        (void)change_dir(ctx, name);
        list_remote_cached(ctx);
        return;
    }
    if (!has_selection(dirs)) {
        std::string name;
        ctx.prompts.set_help_context(help_change_dir);
        if (!ctx.prompts.ask_text(&name, "Enter local directory name:")) return;
        (void)set_local_dir(ctx, name);
        list_local(ctx);
        return;
    }
    const std::string name = caret_name(ctx, dirs, true);
    if (!name.empty() && set_local_dir(ctx, name)) list_local(ctx);
}

void make_directory(TransferContext& ctx, PaneSide side, const FileOperationHooks&) {
    std::string name;
    ctx.prompts.set_help_context(help_make_dir);
    if (side == PaneSide::Remote) {
        ctx.prompts.set_name_charset(ctx.session.charset);
        if (!ctx.prompts.ask_text(&name, "Enter new remote directory name:")) return;
        if (make_dir(ctx, name).completed()) relist_remote_after_change(ctx);
        return;
    }
    if (!ctx.prompts.ask_text(&name, "Enter new local directory name:")) return;
    (void)::mkdir(local_file_path(ctx, name).c_str(), 0777);
    list_local(ctx);
}

void remove_directory(TransferContext& ctx, PaneSide side, const FileOperationHooks& hooks) {
    ListBox& dirs = dirs_of(ctx, side);
    if (side == PaneSide::Local) {
        const std::string name = caret_name(ctx, dirs, true);
        if (name.empty() || confirm_delete(hooks, name, 1) != delete_answer::yes) return;
        if (::rmdir(local_file_path(ctx, name).c_str()) != 0) {
            ctx.messages.print_message("Delete of %s failed.", name.c_str());
        } else {
            list_local(ctx);
        }
        return;
    }
    std::string name;
    if (!has_selection(dirs)) {
        ctx.prompts.set_help_context(help_remove_dir);
        ctx.prompts.set_name_charset(ctx.session.charset);
        if (!ctx.prompts.ask_text(&name, "Enter remote directory name:")) return;
    } else {
        name = caret_name(ctx, dirs, false);
        if (name.empty() || confirm_delete(hooks, name, 1) != delete_answer::yes) return;
    }
    if (remove_dir(ctx, name).completed()) {
        relist_remote_after_change(ctx);
    } else {
        ctx.messages.print_message("Delete of %s failed.", name.c_str());
    }
}

void refresh_pane(TransferContext& ctx, PaneSide side) {
    if (side == PaneSide::Remote) {
        if (is_transfer_thread_busy(ctx)) return;
        if (ctx.control.is_open()) drain_control(ctx);
        list_remote_fresh(ctx);
        return;
    }
    if (ctx.local_mask.empty()) ctx.local_mask = "*.*";
    list_local(ctx);
}

int delete_files(TransferContext& ctx, PaneSide side, const FileOperationHooks& hooks) {
    const std::vector<std::string> names = selected_file_names(ctx, side);
    bool verify = ctx.settings.verify_deletions != 0;
    int deleted = 0;
    const auto n = names.size();
    for (std::size_t i = 0; i < n; ++i) {
        const std::string& name = names[i];
        if (verify) {
            const int answer = confirm_delete(hooks, name, static_cast<int>(n - i));
            if (answer == delete_answer::cancel) break;
            if (answer == delete_answer::no) continue;
            if (answer == delete_answer::all) verify = false;
        }
        // The exact name: a "*" or "?" in it is a character of the name, never a pattern.
        const bool ok = side == PaneSide::Local
                            ? ::unlink(local_file_path(ctx, name).c_str()) == 0
                            : delete_remote_file(ctx, name).completed();
        if (ok) {
            ++deleted;
        } else {
            ctx.messages.print_message("Delete of %s failed.", name.c_str());
        }
        pump(hooks, i);
    }
    if (side == PaneSide::Local) {
        list_local(ctx);
    } else if (deleted > 0) {
        relist_remote_after_change(ctx);
    }
    return deleted;
}

int rename_files(TransferContext& ctx, PaneSide side, const FileOperationHooks&) {
    int renamed = 0;
    for (const std::string& old_name : selected_file_names(ctx, side)) {
        std::string new_name = old_name;
        ctx.prompts.set_help_context(help_rename);
        if (side == PaneSide::Remote) ctx.prompts.set_name_charset(ctx.session.charset);
        if (!ctx.prompts.ask_text(&new_name, "Enter new name for \"%s\":", old_name.c_str())) continue;
        bool ok;
        if (side == PaneSide::Local) {
            ok = ::rename(local_file_path(ctx, old_name).c_str(),
                          local_file_path(ctx, new_name).c_str()) == 0;
            if (!ok) ctx.messages.print_message("Rename of %s to %s failed.", old_name.c_str(), new_name.c_str());
        } else {
            const RenameResult r = remote_rename(ctx, old_name, new_name);
            ok = r == RenameResult::Done;
            if (r == RenameResult::Failed) {
                ctx.messages.print_message("Rename of %s to %s failed.", old_name.c_str(), new_name.c_str());
            }
        }
        if (ok) ++renamed;
    }
    if (renamed > 0) {
        if (side == PaneSide::Local) list_local(ctx); else relist_remote_after_change(ctx);
    }
    return renamed;
}

int move_files(TransferContext& ctx, PaneSide side, const FileOperationHooks& hooks) {
    const bool local = side == PaneSide::Local;
    std::string dir;
    ctx.prompts.set_help_context(help_move);
    if (!local) ctx.prompts.set_name_charset(ctx.session.charset);
    if (!ctx.prompts.ask_text(&dir, "Please enter the %s destination directory:",
                              local ? "local" : "remote") ||
        dir.empty()) {
        return 0;
    }
    int moved = 0;
    std::size_t i = 0;
    for (const std::string& name : selected_file_names(ctx, side)) {
        pump(hooks, i++);
        if (name == ".." || name.find("[-") != std::string::npos) continue;
        const std::string dest = dir + "/" + name;
        bool ok;
        if (local) {
            ok = ::rename(local_file_path(ctx, name).c_str(), local_file_path(ctx, dest).c_str()) == 0;
            if (!ok) ctx.messages.print_message("Move of %s to %s failed.", name.c_str(), dest.c_str());
        } else {
            const RenameResult r = remote_rename(ctx, name, dest);
            ok = r == RenameResult::Done;
            if (r == RenameResult::Failed) {
                ctx.messages.print_message("Move of %s to %s failed.", name.c_str(), dest.c_str());
            }
        }
        if (ok) ++moved;
    }
    if (moved > 0) {
        if (local) list_local(ctx); else relist_remote_after_change(ctx);
    }
    return moved;
}

void directory_info(TransferContext& ctx, PaneSide side, const FileOperationHooks& hooks) {
    if (side == PaneSide::Local) {
        const std::string file = make_temp_file("DSP");
        if (file.empty()) return;
        (void)write_local_directory_dump(ctx.local_dir, file);
        (void)view_file(ctx, hooks, file);
        return;
    }
    if (ctx.connected && !ctx.remote.listing_file.empty()) {
        (void)view_file(ctx, hooks, ctx.remote.listing_file);
    }
}

void path_box_command(TransferContext& ctx, PaneSide side) {
    ComboBox* box = side == PaneSide::Local ? ctx.panes.local_path_box : ctx.panes.remote_path_box;
    if (!box) return;
    std::string text = box->edit_text();
    if (text.size() > path_box_chars) text.resize(path_box_chars);
    if (side == PaneSide::Remote) {
        if (is_transfer_thread_busy(ctx)) return;
        if (change_dir(ctx, text).completed()) list_remote_cached(ctx);
        return;
    }
    if (!set_local_dir(ctx, text)) return;
    list_local(ctx);
}

std::vector<std::string> split_command_line(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
            in_word = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (in_word) words.push_back(std::move(word));
            word.clear();
            in_word = false;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_word) words.push_back(std::move(word));
    return words;
}

std::vector<std::string> viewer_command(const std::string& viewer, const std::string& file) {
    std::vector<std::string> argv = split_command_line(viewer);
    if (argv.empty()) argv = split_command_line(default_viewer);
    argv.push_back(file);
    return argv;
}

bool view_file(TransferContext& ctx, const FileOperationHooks& hooks, const std::string& file) {
    if (!hooks.start_program) return false;
    return hooks.start_program(viewer_command(read_viewer(ctx), file));
}

void view_remote_file(TransferContext& ctx, PaneSide side, ViewAction action,
                      const FileOperationHooks& hooks) {
    if (side == PaneSide::Local) {
        const std::string name = caret_name(ctx, *ctx.panes.local_files, true);
        if (name.empty()) return;
        const std::string file = local_file_path(ctx, name);
        if (action == ViewAction::View) {
            (void)view_file(ctx, hooks, file);
        } else {
            (void)open_with_desktop(hooks, file);
        }
        return;
    }
    const std::string name = caret_name(ctx, *ctx.panes.remote_files, false);
    if (name.empty() || is_transfer_thread_busy(ctx)) return;
    set_transfer_thread_busy(ctx, 1);
    std::string command = "RETR " + name;
    if (action == ViewAction::View) {
        if (!hooks.view_temp_file.empty() &&
            get_file(ctx, command, hooks.view_temp_file, chosen_mode(ctx))
                .complete()) {
            (void)view_file(ctx, hooks, hooks.view_temp_file);
        }
    } else {
        // A folder of its own, so the file keeps its name (the opener goes by the extension).
        const char* tmp = std::getenv("TMPDIR");
        std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/txtXXXXXX";
        std::string path;
        if (::mkdtemp(folder.data()) != nullptr) {
            path = folder + "/" + make_local_name(ctx, name, probe_local_volume(folder));
        }
        if (!path.empty()) {
            ctx.messages.print_message("receiving %s as %s", name.c_str(), path.c_str());
            if (get_file(ctx, command, path, chosen_mode(ctx)).complete()) {
                (void)open_with_desktop(hooks, path);
            }
        }
    }
    set_transfer_thread_busy(ctx, 0);
    list_local(ctx);
}

}  // namespace varnix
