// Multi-file transfers: the selection snapshot, the per-file loops and the worker thread.
#include "transfer/multi_transfer.h"

#include <sys/socket.h>
#include <sys/stat.h>

#include <condition_variable>

#include "listing/list_entries.h"
#include "listing/local_listing.h"
#include "listing/remote_listing.h"
#include "net/control_connection.h"
#include "net/worker.h"
#include "platform/blocking.h"
#include "platform/stream.h"
#include "transfer/get_put.h"
#include "transfer/local_copy.h"
#include "transfer/sounds.h"

namespace varnix {

namespace {


std::vector<SelectedEntry> snapshot(TransferContext& ctx, const ListBox* list, bool local) {
    std::vector<SelectedEntry> entries;
    if (!list) return entries;
    for (const int index : list->selected_indices()) {
        SelectedEntry e;
        e.name = local ? get_local_file_name(ctx, index) : get_remote_file_name(ctx, index);
        e.size = ctx.last_entry_size.load();
        if (!e.name.empty()) entries.push_back(std::move(e));
    }
    return entries;
}

bool is_local_link(const TransferContext& ctx, const std::string& name) {
    struct stat st {};
    return ::lstat(local_file_path(ctx, name).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Inside a recursive upload a linked file is not followed: it may point anywhere.
void drop_local_links(TransferContext& ctx, std::vector<SelectedEntry>& entries) {
    std::erase_if(entries, [&](const SelectedEntry& e) {
        if (!is_local_link(ctx, e.name)) return false;
        ctx.messages.print_message("[S] skipped link %s", e.name.c_str());
        return true;
    });
}

enum class Side { Local, Remote };

struct LoopResult {
    int went = 0;           // files that went (a cancelled name prompt counts)
    bool all_handled = false;
};

// The per-file loop shared by both directions.
LoopResult transfer_entries(TransferContext& ctx, const PaneHooks& hooks,
                            const std::vector<SelectedEntry>& entries, Side source, bool prompt) {
    LoopResult r;
    const auto n = static_cast<unsigned>(entries.size());
    for (unsigned p = 0; p < n; ++p) {
        const SelectedEntry& e = entries[p];
        int result;
        if (source == Side::Local) {
            result = upload_one(ctx, e.name, p + 1, n, prompt);
        } else {
            ctx.last_entry_size = e.size;  // the progress display's expected size
            result = download_one(ctx, e.name, p + 1, n, prompt);
        }
        if (result != 2) return r;
        ++r.went;
        if (source == Side::Remote) {
            // Show the file at once; the refresh after the loop puts it in its place.
            hooks.run([&] {
                (void)insert_file_entry(*ctx.panes.local_files, e.name, "", sort_code::none);
            });
        }
        const bool last = p + 1 == n;
        if (ctx.stop_requested || (source == Side::Remote && ctx.cancel_requested)) {
            r.all_handled = last;
            return r;
        }
    }
    r.all_handled = true;
    return r;
}

void refresh_after(TransferContext& ctx, const PaneHooks& hooks, Side target) {
    if (target == Side::Remote) {
        if (hooks.refresh_remote) {
            hooks.refresh_remote();
        } else {
            hooks.run([&] { list_remote_fresh(ctx); });
        }
    } else {
        hooks.run([&] { list_local(ctx); });
    }
}

int transfer_selected(TransferContext& ctx, const PaneHooks& hooks, bool invert_prompt,
                      Side source, int* files_done) {
    if (!hooks.nested) ctx.stop_requested = false;
    const bool prompt = transfer_prompt_flag(ctx, invert_prompt);
    const Side target = source == Side::Local ? Side::Remote : Side::Local;
    std::vector<SelectedEntry> entries;
    hooks.run([&] {
        entries = source == Side::Local ? snapshot_local_files(ctx) : snapshot_remote_files(ctx);
    });
    if (hooks.nested && source == Side::Local) drop_local_links(ctx, entries);
    int went = 0;
    if (!entries.empty()) {
        const LoopResult r = transfer_entries(ctx, hooks, entries, source, prompt);
        went = r.went;
        set_transfer_thread_busy(ctx, 0);
        if (target == Side::Local || (went > 0 && ctx.options.relist_after_change)) {
            refresh_after(ctx, hooks, target);
        }
        if (r.all_handled && !hooks.nested) play_event_sound_if_enabled(ctx, SoundEvent::Complete);
    } else if (!hooks.nested) {
        std::string name;
        ctx.prompts.set_help_context(help_file_name);
        if (source != Side::Local) ctx.prompts.set_name_charset(ctx.session.charset);
        const bool asked =
            source == Side::Local
                ? ctx.prompts.ask_text(&name, "Enter local file name to transfer to remote system:")
                : ctx.prompts.ask_text(&name, "Enter remote file name to transfer to local system:");
        if (asked) {
            const int result = source == Side::Local ? upload_one(ctx, name, 1, 1, prompt)
                                                     : download_one(ctx, name, 1, 1, prompt);
            set_transfer_thread_busy(ctx, 0);
            if (result == 2) {
                went = 1;
                if (source == Side::Remote) {
                    hooks.run([&] {
                        (void)insert_file_entry(*ctx.panes.local_files, name, "", sort_code::none);
                    });
                }
                if (source == Side::Local && ctx.options.relist_after_change) refresh_after(ctx, hooks, target);
                play_event_sound_if_enabled(ctx, SoundEvent::Complete);
            }
        }
    }
    set_transfer_thread_busy(ctx, 0);
    if (files_done) *files_done = went;
    return 0;
}

}  // namespace

std::vector<SelectedEntry> snapshot_remote_files(TransferContext& ctx) {
    return snapshot(ctx, ctx.panes.remote_files, false);
}

std::vector<SelectedEntry> snapshot_local_files(TransferContext& ctx) {
    return snapshot(ctx, ctx.panes.local_files, true);
}

bool transfer_prompt_flag(const TransferContext& ctx, bool invert_prompt) {
    const bool prompt = ctx.options.prompt_for_names != 0 && ctx.transfer.run.name_prompts;
    return invert_prompt ? !prompt : prompt;
}

int upload_selected(TransferContext& ctx, const PaneHooks& hooks, bool invert_prompt,
                    int* files_done) {
    return transfer_selected(ctx, hooks, invert_prompt, Side::Local, files_done);
}

int download_selected(TransferContext& ctx, const PaneHooks& hooks, bool invert_prompt,
                      int* files_done) {
    return transfer_selected(ctx, hooks, invert_prompt, Side::Remote, files_done);
}

int upload_files(TransferContext& ctx, const PaneHooks& hooks, const std::vector<std::string>& paths,
                 int* files_done) {
    ctx.stop_requested = false;
    const bool prompt = transfer_prompt_flag(ctx, false);
    const auto n = static_cast<unsigned>(paths.size());
    int went = 0;
    bool all_handled = true;
    for (unsigned p = 0; p < n; ++p) {
        // Dropped a while ago: the file may have gone since, and STOR must not leave an
        // empty file on the server in its place.
        struct stat st {};
        if (::stat(paths[p].c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            ctx.messages.print_message("%s is gone or not a file, not sent.", paths[p].c_str());
            continue;
        }
        if (upload_one(ctx, paths[p], p + 1, n, prompt) != 2) {
            all_handled = false;
            break;
        }
        ++went;
        if (ctx.stop_requested) {
            all_handled = p + 1 == n;
            break;
        }
    }
    set_transfer_thread_busy(ctx, 0);
    if (went > 0 && ctx.options.relist_after_change) refresh_after(ctx, hooks, Side::Remote);
    if (went > 0 && all_handled) play_event_sound_if_enabled(ctx, SoundEvent::Complete);
    if (files_done) *files_done = went;
    return 0;
}

// --- the worker thread ---

struct WorkerSignal {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = true;
};

TransferWorker::TransferWorker(TransferContext& ctx, PaneHooks hooks)
    : ctx_(ctx),
      hooks_(std::move(hooks)),
      signal_(std::make_shared<WorkerSignal>()) {}

TransferWorker::~TransferWorker() {
    if (running()) abort_connection();
    if (thread_.joinable()) thread_.join();
}

bool TransferWorker::running() const {
    std::lock_guard lock(signal_->mutex);
    return !signal_->done;
}

void TransferWorker::join_finished() {
    if (thread_.joinable() && !running()) thread_.join();
}

bool TransferWorker::start(PaneTransfer direction, bool invert_prompt) {
    return start_job([this, direction, invert_prompt] {
        if (direction == PaneTransfer::Upload) {
            (void)upload_selected(ctx_, hooks_, invert_prompt);
        } else {
            (void)download_selected(ctx_, hooks_, invert_prompt);
        }
    });
}

bool TransferWorker::start_upload_files(std::vector<std::string> paths) {
    return start_job([this, paths = std::move(paths)] { (void)upload_files(ctx_, hooks_, paths); });
}

bool TransferWorker::start_copy_files(std::vector<std::string> paths) {
    return start_job([this, paths = std::move(paths)] { (void)copy_into_local_dir(ctx_, hooks_, paths); });
}

bool TransferWorker::start_job(std::function<void()> job) {
    if (is_transfer_thread_busy(ctx_)) return false;
    join_finished();
    if (thread_.joinable()) return false;  // the last worker is still on its way out
    set_transfer_thread_busy(ctx_, 1);
    {
        std::lock_guard lock(signal_->mutex);
        signal_->done = false;
    }
    thread_ = std::thread([this, job = std::move(job)] { run(job); });
    return true;
}

void TransferWorker::run(const std::function<void()>& job) {
    {
        // Registered, so that cancel_worker() from the window thread reaches its waits.
        WorkerScope scope(ctx_);
        job();
        set_transfer_thread_busy(ctx_, 0);
    }
    if (on_finished) on_finished();
    std::lock_guard lock(signal_->mutex);
    signal_->done = true;
    signal_->cv.notify_all();
}

void TransferWorker::cancel() {
    ctx_.cancel_requested = true;
    ctx_.stop_requested = true;
    (void)cancel_worker(ctx_);
}

void TransferWorker::abort_connection() {
    cancel();
    // Only the control socket: the worker itself opens and closes the data sockets, and a
    // receive loop ends on the cancel; the reply read that follows ends on the shutdown.
    ctx_.control.shutdown_any_thread();
}

bool TransferWorker::wait(std::chrono::milliseconds bound, const std::function<void()>& pump) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        {
            std::unique_lock lock(signal_->mutex);
            if (signal_->cv.wait_for(lock, std::chrono::milliseconds(20),
                                     [&] { return signal_->done; })) {
                break;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
        if (pump) pump();
    }
    if (thread_.joinable()) thread_.join();
    return true;
}

}  // namespace varnix
