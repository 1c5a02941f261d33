// Recursive directory transfers: the selected directory trees of one pane copied to the other
// (download_tree / upload_tree), and the quiet settings a walk runs under.
#pragma once

#include "transfer/multi_transfer.h"
#include "transfer/transfer_context.h"

namespace varnix {

// The steps of one entry of a walk; an entry is done when all four succeeded.
namespace walk_step {
inline constexpr int local_entered = 1;
inline constexpr int remote_entered = 2;
inline constexpr int local_back = 4;
inline constexpr int remote_back = 8;
inline constexpr int all = 15;
}  // namespace walk_step

inline constexpr std::size_t walk_max_selected = 250;
// Deeper trees are not followed: a server whose links show as plain directories (or a
// hostile one) could otherwise lead the walk down forever.
inline constexpr int walk_max_depth = 64;

// Whether a remote directory name may become a local folder and be entered on both sides:
// not empty, not "." or "..", no "/" or "\\", and not a link the listing named as such.
[[nodiscard]] bool safe_remote_dir_name(const TransferContext& ctx, const std::string& name);

// With directories selected in the source directory list: copies each selected tree into the
// current directory of the other side (creating the directory there, entering it on both
// sides, transferring its files and descending). Without a selection: transfers the current
// directory's files and descends into its subdirectories. Clears the stop flag; the result is
// the step mask of the last entry handled (15: all steps succeeded), 0 with nothing selected.
// Runs on the calling thread; the pane lists are used directly.
int download_tree(TransferContext& ctx);
int upload_tree(TransferContext& ctx);

// No progress dialog (HASH), sounds (BELL) or name prompts (PROMPT) for the life of the scope,
// however the walk ends, without touching those settings: the options dialog opened meanwhile
// shows and saves them as the user set them. The transfer log stays in the folder the walk
// started from.
class QuietTransferScope {
public:
    explicit QuietTransferScope(TransferContext& ctx);
    ~QuietTransferScope();
    QuietTransferScope(const QuietTransferScope&) = delete;
    QuietTransferScope& operator=(const QuietTransferScope&) = delete;

private:
    TransferContext& ctx_;
    TransferRequest previous_;
};

// The whole recursive command: the walk in the given direction under a QuietTransferScope,
// then the completion sound when BELL is on. Returns the walk's result.
int run_tree_transfer(TransferContext& ctx, PaneTransfer direction);

// Folders named by absolute path (dropped on the remote list from another program), each
// copied whole into the remote current directory: the local pane visits the folder's parent
// for the walk and comes back to its own folder at the end. A path that is not a folder, or
// is a link, is passed over with a message. Stops at the first folder whose walk did not
// finish; true when every path was copied or passed over.
bool upload_local_folders(TransferContext& ctx, const std::vector<std::string>& folders);

}  // namespace varnix
