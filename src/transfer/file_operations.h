// The pane file operations: change, make and remove directories, refresh, delete, rename and
// move the selected files, directory information, the path boxes, the viewer, and viewing or
// opening a remote file. Local variants use the file system, remote ones the FTP commands.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/transfer_context.h"

namespace varnix {

enum class PaneSide { Local, Remote };

// The answers of the "Verify Deletion" question (the message box numbers).
namespace delete_answer {
inline constexpr int yes = 6;
inline constexpr int no = 7;
inline constexpr int all = 4;
inline constexpr int cancel = 2;
}  // namespace delete_answer

// What the operations ask of the window. Every member is called on the window's thread.
struct FileOperationHooks {
    // Shows the "Verify Deletion" dialog with `question`; "Delete &All" only when
    // `remaining` is 2 or more. Returns a delete_answer value.
    std::function<int(const std::string& question, int remaining)> confirm_delete;
    // Starts a program (argv[0] looked up in PATH) detached, without a shell.
    std::function<bool(const std::vector<std::string>& argv)> start_program;
    // Opens a local file (Exec); when unset, the desktop opener through start_program.
    std::function<bool(const std::string& path)> open_file;
    // Lets the window repaint during a long loop.
    std::function<void()> pump;
    // The file a remote file is fetched into for viewing (made once at start-up, "DSP").
    std::string view_temp_file;
};

// "Are you sure you want to delete \"name\"?", asked through the hook; Yes when none is set.
int confirm_delete(const FileOperationHooks& hooks, const std::string& name, int remaining);

void change_directory(TransferContext& ctx, PaneSide side, const FileOperationHooks& hooks);
void make_directory(TransferContext& ctx, PaneSide side, const FileOperationHooks& hooks);
void remove_directory(TransferContext& ctx, PaneSide side, const FileOperationHooks& hooks);
void refresh_pane(TransferContext& ctx, PaneSide side);
// Deletes exactly the selected entries (names are never expanded as patterns); the count
// deleted.
int delete_files(TransferContext& ctx, PaneSide side, const FileOperationHooks& hooks);
// The count renamed / moved.
int rename_files(TransferContext& ctx, PaneSide side, const FileOperationHooks& hooks);
int move_files(TransferContext& ctx, PaneSide side, const FileOperationHooks& hooks);
void directory_info(TransferContext& ctx, PaneSide side, const FileOperationHooks& hooks);
// The path box's text confirmed (double click or its list closed): change to it and list.
void path_box_command(TransferContext& ctx, PaneSide side);

// The words of a command line: blanks separate, double quotes group (no shell involved).
[[nodiscard]] std::vector<std::string> split_command_line(std::string_view line);
// The VIEWER command (the desktop's opener when empty) with the file as its last argument.
[[nodiscard]] std::vector<std::string> viewer_command(const std::string& viewer,
                                                      const std::string& file);
// Runs the viewer on a file; false when it could not be started.
bool view_file(TransferContext& ctx, const FileOperationHooks& hooks, const std::string& file);

enum class ViewAction { View, Open };
// View or Exec: the caret entry of the pane's file list viewed or opened with the desktop's
// opener; a remote file is fetched first (View: into the view file; Open: into a fresh
// temporary folder under its own local name). Runs on the window's thread.
void view_remote_file(TransferContext& ctx, PaneSide side, ViewAction action,
                      const FileOperationHooks& hooks);

}  // namespace varnix
