// The network layer's share of the program state: the one control connection, the last
// reply, the flags shared by the main thread and the transfer worker, the time-out timer and
// what host-type detection learned about the server.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <vector>

#include "config/config_context.h"
#include "net/features.h"
#include "net/connections.h"
#include "platform/blocking.h"

namespace varnix {

inline constexpr int timeout_timer_id = 20;
inline constexpr int timeout_tick_ms = 5000;

// The last reply: its code (0 while none since the last command, 421 when the connection
// was lost or the exchange cancelled) and its last line without trailing white space.
struct Reply {
    int code = 0;
    std::string text;
    // Every line of the last whole reply, first to last (a FEAT reply's features).
    std::vector<std::string> lines;
};

// The time-out timer's state: ticks left, and the thread whose blocking call it cancels.
struct TimeoutState {
    std::atomic<unsigned> count{0};
    std::shared_ptr<BlockingState> armed_by;
    std::mutex mutex;  // guards armed_by
};

// Which optional remote commands the server offers, learned by the host-type probe.
struct HostCapabilities {
    int can_make_dir = 0;
    int can_remove_dir = 0;
    int can_rename = 0;
    int can_delete = 0;
    int cdup_allowed = 1;
    int host_type_probed = 0;
};

class TlsClientContext;

// TLS of the control connection, shared with its data connections; a new logon starts clean.
struct TlsState {
    std::shared_ptr<TlsClientContext> context;  // null: a plain control connection
    std::string host;                           // the name certificates are checked against
    bool protect_data = false;                  // PROT P accepted: data connections use TLS
};

struct NetContext : ConfigContext {
    std::atomic<bool> connected{false};
    Reply reply;

    std::atomic<int> busy_count{0};
    std::atomic<bool> cancel_requested{false};
    std::atomic<bool> stop_requested{false};  // the stop flag of multi-file operations
    // When the last command line went out (tick count): the idle NOOP waits for quiet.
    std::atomic<std::int64_t> last_command_tick{0};

    // The one control connection; a new connection starts with a fresh state.
    ControlConnection control;
    TimeoutState timeout;
    TlsState tls;

    // The data connection of the transfer in progress and the listener of an active one.
    DataConnection data;
    // The control connection's local address (set at logon); a listener's bound address.
    sockaddr_in local_address{};

    HostCapabilities host;

    // The firewall account, kept for the whole run: a firewall password typed at a prompt
    // is reused by later logons when none is stored.
    std::string firewall_user;
    std::string firewall_password;

    // Certificate fingerprints trusted for this run (the batch option -trust), canonical.
    std::vector<std::string> trusted_fingerprints;

    // The remote directory as the last PWD named it.
    std::string current_remote_dir;

    // The main window's title (shown through events.on_title_changed).
    std::string window_title;

    // The worker thread's blocking state while a worker runs, so the GUI's Cancel can end
    // its wait (net/worker.h). Guarded by worker_mutex.
    std::shared_ptr<BlockingState> worker_state;
    std::mutex worker_mutex;

    // Guarded by transfer_busy_mutex; use set_transfer_thread_busy / is_transfer_thread_busy.
    int transfer_thread_busy = 0;
    std::mutex transfer_busy_mutex;
};

}  // namespace varnix
