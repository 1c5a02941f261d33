// The one interface between the engine and the window: the services the engine talks
// through, the pane controls, the progress display, the window events, the call onto the GUI
// thread, and who may call each member from which thread. The Qt window implements these;
// headless.h and list_box.h hold the implementations of batch runs and tests.
//
// Threads. The GUI thread runs the window; at most one worker thread runs a multi-file
// transfer. The rules both sides keep:
//   * The engine calls every member of the window's objects below on the GUI thread only.
//     Code running on the worker goes through the UiInvoker: run_on_gui_thread() (call and
//     wait) when it needs an answer, post_to_gui_thread() when it does not. So a window
//     object never sees another thread and needs no lock of its own.
//   * The GUI thread never waits for the worker. An engine call made on the GUI thread while
//     the worker holds the control connection is refused at once ("[x] cmd in progress,
//     yielding"), never queued behind it.
//   * The engine calls no window object while holding a lock of its own.
//   * The GUI's Cancel reaches the worker through cancel_worker() (net/worker.h): the
//     worker's blocking wait ends within one 20 ms slice, even one started a moment later.
//   * The worker takes a pane's contents in one call (ListBox::snapshot through the
//     invoker), never one call per item.
//   * The local pane's directory is a path the engine holds (ListingContext::local_dir),
//     never the process's current directory, which the two threads would share.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/list_box.h"
#include "platform/progress_display.h"
#include "platform/services.h"
#include "platform/ui_invoker.h"

namespace varnix {

// The controls of the two panes. The window points them at its own controls; until then (and
// in batch runs) they are in-memory ones. Every member: called on the GUI thread only.
struct PaneControls {
    ListBox* local_dirs = nullptr;
    ListBox* local_files = nullptr;
    ListBox* remote_dirs = nullptr;
    ListBox* remote_files = nullptr;
    ComboBox* local_path_box = nullptr;
    ComboBox* remote_path_box = nullptr;
};

// What the engine tells the window; each is optional. The engine calls them on the GUI thread
// only (posted there when the change happened on the worker), never under an engine lock.
struct WindowEvents {
    // The local directory or its contents changed under the program: list the local pane.
    std::function<void()> on_local_changed;
    // The main window's title changed (after a logon).
    std::function<void(const std::string& title)> on_title_changed;
    // The server's optional commands are known (the remote pane's buttons follow them).
    std::function<void()> on_capabilities_changed;
    // A transfer changed the transfer mode setting (the mode buttons follow it).
    std::function<void()> on_mode_changed;
    // The engine became busy or idle (busy_count or transfer_thread_busy changed): grey out
    // or enable the commands. Read the state with engine_busy() (net/worker.h) when called.
    std::function<void()> on_busy_changed;
};

// Any thread: runs a window event on the GUI thread (at once when called there), without
// waiting for it. An empty event does nothing.
void post_window_event(UiInvoker* invoker, const std::function<void()>& event);

// Any thread: a pane's contents in one call to the GUI thread; nothing when the call was
// cancelled (cancel_worker) before it ran.
[[nodiscard]] std::optional<ListSnapshot> take_snapshot(UiInvoker* invoker, const ListBox& list);

// Any thread: shows a message box on the GUI thread and waits for the answer; mb::id_cancel
// when there are no message boxes or the wait was cancelled.
[[nodiscard]] int show_message_box(const Services& services, std::string_view text,
                                   std::string_view caption, int style);

}  // namespace varnix
