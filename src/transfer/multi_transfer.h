// Multi-file transfers from the panes: the selected files of one pane moved one after the
// other (upload_selected / download_selected), and the one worker thread that runs them.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "transfer/transfer_context.h"

namespace varnix {

struct WorkerSignal;

// Runs a function on the thread that owns the pane controls and returns once it has run.
using UiCall = std::function<void(const std::function<void()>&)>;

// What a multi-file transfer asks of the window. Every member is called on the thread that
// runs the transfer; the pane work inside goes through `ui`.
struct PaneHooks {
    // Empty: the function runs on the calling thread (batch runs, tests, the recursive walk).
    UiCall ui;
    // After uploads with DOUPDATE: refresh the remote lists (default list_remote_fresh, run
    // through ui once the transfer has marked itself idle).
    std::function<void()> refresh_remote;
    // Part of a recursive walk: the walk owns the stop flag (not cleared here), plays the
    // completion sound once at its end, and links among the local files are not followed.
    bool nested = false;

    void run(const std::function<void()>& f) const {
        if (ui) ui(f); else f();
    }
};

// One selected entry, taken from a pane in one step so that a worker does not read the
// list item by item while the user changes it.
struct SelectedEntry {
    std::string name;       // as the file system or the server names it
    std::int64_t size = 0;  // the entry's item data (remote: bytes; local: 0)
};

// The selected entries of the remote file list / the local file list, top first.
[[nodiscard]] std::vector<SelectedEntry> snapshot_remote_files(TransferContext& ctx);
[[nodiscard]] std::vector<SelectedEntry> snapshot_local_files(TransferContext& ctx);

// The prompt flag of a pane transfer: PROMPT, inverted while Ctrl or Shift was held.
[[nodiscard]] bool transfer_prompt_flag(const TransferContext& ctx, bool invert_prompt);

// Transfers the selected files of the local / remote file list one after the other on the
// calling thread; with nothing selected it asks for one name. Stops at the first file whose
// transfer does not return 2, and between files when the stop flag (downloads also
// cancel_requested) is set. Clears transfer_thread_busy before refreshing the target pane.
// Returns 0 (the worker routines' convention); `files_done` (when given) counts the files
// that went.
int upload_selected(TransferContext& ctx, const PaneHooks& hooks, bool invert_prompt,
                    int* files_done = nullptr);
int download_selected(TransferContext& ctx, const PaneHooks& hooks, bool invert_prompt,
                      int* files_done = nullptr);

// Uploads files named by absolute path (files dropped on the remote list from elsewhere) one
// after the other with the PROMPT setting, each under its own name. A file that is gone or is
// no longer a regular file when its turn comes is skipped with a message; the first failed
// transfer or the stop flag ends the loop. Then the remote pane follows (DOUPDATE).
int upload_files(TransferContext& ctx, const PaneHooks& hooks, const std::vector<std::string>& paths,
                 int* files_done = nullptr);

enum class PaneTransfer { Upload, Download };

// The one transfer worker thread. Owned by the window; the window thread calls every member.
// A worker is never killed: cancel() and abort_connection() make its blocking calls end and
// it returns by itself.
class TransferWorker {
public:
    TransferWorker(TransferContext& ctx, PaneHooks hooks);
    ~TransferWorker();  // cancels a running worker and waits for it to return
    TransferWorker(const TransferWorker&) = delete;
    TransferWorker& operator=(const TransferWorker&) = delete;

    // start_upload / start_download: does nothing and returns false while a transfer thread
    // (or a listing) is busy; else marks it busy and runs the routine on a new thread.
    bool start(PaneTransfer direction, bool invert_prompt);
    // The same for upload_files() of `paths`.
    bool start_upload_files(std::vector<std::string> paths);
    // The same for copy_into_local_dir() of `paths` (files dropped on the local list).
    bool start_copy_files(std::vector<std::string> paths);
    // Whether the worker thread has not returned yet.
    [[nodiscard]] bool running() const;
    // Cancel: sets cancel_requested and the stop flag and ends the worker's blocking call
    // in progress (or its next one) within a wait slice.
    void cancel();
    // Forced abort: cancel(), then shut the data, listening and control sockets down so that
    // nothing the worker waits on can keep it. The sockets stay open for their owners to close.
    void abort_connection();
    // Waits at most `bound` for the worker to return, running `pump` (when given) between
    // looks; true when no worker is left.
    bool wait(std::chrono::milliseconds bound, const std::function<void()>& pump = {});

    // Runs on the worker thread as it returns, after transfer_thread_busy was cleared (the
    // window posts its button update from it).
    std::function<void()> on_finished;

private:
    bool start_job(std::function<void()> job);
    void run(const std::function<void()>& job);
    void join_finished();

    TransferContext& ctx_;
    PaneHooks hooks_;
    std::thread thread_;
    std::shared_ptr<WorkerSignal> signal_;  // done flag and its condition
};

}  // namespace varnix
