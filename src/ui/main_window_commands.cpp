// The window's own handling of the commands that start-up and the basic use of the window
// need: the batch command line, connect and close, cancel, exit, the mode buttons, list
// notifications, refresh and changing folders by double click. A command handler set on the
// window sees every command first and may take any of them over.
#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>

#include "batch/batch.h"
#include "listing/list_entries.h"
#include "listing/local_listing.h"
#include "listing/remote_listing.h"
#include "net/commands.h"
#include "net/control_connection.h"
#include "net/logon.h"
#include "transfer/restart.h"
#include "transfer/sounds.h"
#include "ui/main_window.h"
#include "ui/main_window_lists.h"
#include "ui/message_area.h"

namespace varnix::ui {

namespace {

// Closes the data connection, the listener and the control connection (with "QUIT" first).
void close_connections(BatchContext& ctx) {
    close_data(ctx);
    close_listener(ctx);
    if (ctx.control.is_open()) {
        if (ctx.connected) (void)send_command(ctx, "QUIT");
        close_control(ctx);
    }
    ctx.connected = false;
}

}  // namespace

bool MainWindow::default_command(const Command& command) {
    BatchContext& ctx = ctx_;
    switch (command.id) {
    case 7654: {
        const BatchResult result = run_batch(ctx, command.text);
        update_connect_button();
        update_buttons();
        if (result != BatchResult::Interactive) close();
        return true;
    }
    case 9000:
    case 1320: {
        if (is_transfer_thread_busy(ctx)) return true;
        if (ctx.connected) {
            close_connections(ctx);
            empty_remote_pane();
            ctx.host = HostCapabilities{};
            clear_listing_cache(ctx);
        } else {
            clear_listing_cache(ctx);
            ctx.cancel_requested = false;
            if (!ctx.session.local_mask.empty()) mask_edit(false)->setText(display_text(ctx.session.local_mask));
            mask_edit(true)->setText(display_text(ctx.session.remote_mask));
            if (!ctx.session.local_dir.empty()) {
                const std::string dir =
                    QString::fromStdString(ctx.session.local_dir).compare("origdir", Qt::CaseInsensitive) == 0
                        ? startup_dir_
                        : ctx.session.local_dir;
                if (set_local_dir(ctx, dir)) read_mask(false, true);
            }
            int tries = std::max(ctx.session.retries, 0);
            bool logged_on = logon(ctx);
            while (!logged_on && tries-- > 0 && !ctx.cancel_requested) {
                QApplication::processEvents();
                logged_on = logon(ctx);
            }
            if (ctx.control.is_open()) {
                if (!ctx.session.remote_dir.empty()) {
                    (void)change_dir(ctx, ctx.session.remote_dir);
                }
                read_mask(true, false);
                list_remote_cached(ctx);
            }
        }
        set_connect_handled();
        update_connect_button();
        update_buttons();
        post_command(8100);
        play_event_sound_if_enabled(ctx, ctx.connected ? SoundEvent::Connect : SoundEvent::Error);
        if (ctx.connected) offer_resume(ctx, ctx.session.name);
        return true;
    }
    case 1321:
        close_connections(ctx);
        empty_remote_pane();
        update_connect_button();
        update_buttons();
        clear_listing_cache(ctx);
        return true;
    case 9033:
        ctx.cancel_requested = true;
        ctx.stop_requested = true;
        (void)cancel_blocking_call();
        if (ctx.control.is_open()) drain_control(ctx);
        return true;
    case 9042:
    case 1600:
        if (ctx.busy_count.load() != 0) {
            // A forced abort: the blocking call returns once it sees the cancel.
            ctx.cancel_requested = true;
            (void)cancel_blocking_call();
        }
        close();
        return true;
    case 8100:
        update_mode_buttons();
        return true;
    case 1851:
    case 9029:
        ctx.options.mode = 'A';
        ctx.options.auto_mode = 0;
        update_mode_buttons();
        return true;
    case 1852:
    case 9030:
        ctx.options.mode = 'I';
        ctx.options.auto_mode = 0;
        update_mode_buttons();
        return true;
    case 1853:
    case 9031:
        ctx.options.auto_mode = ctx.options.auto_mode ? 0 : 1;
        update_mode_buttons();
        return true;
    case 5557:
    case 9047:
        if (on_show_log) on_show_log();
        return true;
    case 9041:
        if (on_help) on_help(0);
        return true;
    case 943:
        read_mask(false, true);
        return true;
    case 944:
        if (!is_transfer_thread_busy(ctx) && ctx.connected) {
            read_mask(true, false);
            list_remote_fresh(ctx);
            update_buttons();
        }
        return true;
    case 924:
    case 929: {
        const bool remote = command.id == 929;
        if (command.notify == Notify::DoubleClicked) {
            PaneList* dirs = list(remote ? ctl::remote_dirs : ctl::local_dirs);
            const int row = dirs->caret_index();
            if (row < 0) return true;
            const std::string name = get_entry_name(ctx, *dirs, row);
            if (remote) {
                if (!ctx.connected || is_transfer_thread_busy(ctx)) return true;
                if (change_dir(ctx, name).completed()) list_remote_cached(ctx);
            } else if (set_local_dir(ctx, name)) {
                list_local_pane();
            } else {
                ctx.messages.print_message("Cannot change to %s", name.c_str());
            }
        }
        update_buttons();
        return true;
    }
    case 927:
    case 931:
        update_buttons();
        return true;
    default:
        return false;
    }
}

}  // namespace varnix::ui
