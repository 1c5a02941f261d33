// The main window's command table (see commands.h).
#include "ui/commands.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <optional>

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMetaObject>
#include <QProcess>
#include <QTimer>

#include "batch/batch_context.h"
#include "listing/list_entries.h"
#include "listing/local_listing.h"
#include "listing/remote_listing.h"
#include "net/commands.h"
#include "net/control_connection.h"
#include "net/logon.h"
#include "platform/blocking.h"
#include "platform/temp_file.h"
#include "platform/ui_invoker.h"
#include "platform/stream.h"
#include "transfer/get_put.h"
#include "transfer/listing_fetch.h"
#include "transfer/sounds.h"
#include "transfer/tree_transfer.h"
#include "ui/about_box.h"
#include "ui/delete_dialog.h"
#include "ui/dialogs/associations.h"
#include "ui/dialogs/options_dialog.h"
#include "ui/dialogs/permissions_dialog.h"
#include "ui/dialogs/pro_options_dialog.h"
#include "ui/dialogs/profile_dialog.h"
#include "ui/main_window.h"
#include "ui/main_window_lists.h"

namespace varnix::ui {

namespace {

constexpr std::size_t local_mask_chars = 12;
constexpr std::size_t remote_mask_chars = 19;
constexpr int tidy_retry_ms = 20;

bool start_detached(const std::vector<std::string>& argv) {
    if (argv.empty()) return false;
    QStringList args;
    for (std::size_t i = 1; i < argv.size(); ++i) args << QString::fromLocal8Bit(argv[i]);
    return QProcess::startDetached(QString::fromLocal8Bit(argv[0]), args);
}

PaneSide side_of(int id, int local_id) { return id == local_id ? PaneSide::Local : PaneSide::Remote; }

}  // namespace

WindowCommands::WindowCommands(MainWindow& window)
    : window_(window), ctx_(window.context()), profile_state_(std::make_unique<ProfileEditState>()),
      chmod_mode_(initial_permission_mode) {
    PaneHooks panes;
    // A call the worker waits for; cancel_worker() ends the wait (the call then never runs).
    panes.ui = [invoker = ctx_.services.invoker](const std::function<void()>& f) {
        (void)run_on_gui_thread(invoker, f);
    };
    worker_ = std::make_unique<TransferWorker>(ctx_, std::move(panes));
    worker_->on_finished = [this] {
        QMetaObject::invokeMethod(this, [this] {
            (void)worker_->wait(std::chrono::milliseconds(0));
            update_buttons();
        }, Qt::QueuedConnection);
    };
    hooks_.confirm_delete = [this](const std::string& question, int remaining) {
        return DeleteDialog::ask(&window_, question, remaining);
    };
    hooks_.start_program = start_detached;
    // Exec: the file itself when executable, else its association, else the desktop opener.
    hooks_.open_file = [this](const std::string& path) {
        return execute_by_association(ctx_, path, desktop_launcher());
    };
    hooks_.pump = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    hooks_.view_temp_file = make_temp_file("DSP");
    window_.set_command_handler([this](const Command& c) { return handle(c); });
    window_.installEventFilter(this);
}

WindowCommands::~WindowCommands() {
    window_.set_command_handler({});
    (void)finish_worker(std::chrono::milliseconds(2000));
    if (!hooks_.view_temp_file.empty()) ::unlink(hooks_.view_temp_file.c_str());
}

bool WindowCommands::transfer_running() const {
    return recursive_ || worker_->running();
}

bool WindowCommands::busy_for_remote() const {
    return transfer_running() || is_transfer_thread_busy(ctx_) != 0;
}

bool WindowCommands::finish_worker(std::chrono::milliseconds bound) {
    if (!worker_->running()) return worker_->wait(std::chrono::milliseconds(0));
    worker_->abort_connection();
    return worker_->wait(bound, [] { QCoreApplication::processEvents(); });
}

void WindowCommands::update_buttons() {
    window_.update_buttons();
    if (!busy_for_remote()) return;
    // While a transfer runs the remote pane and the arrows wait; so does the local folder
    // change, since the transfer writes into the local folder.
    for (int i = 0; i < ctl::column_size; ++i) {
        if (i == ctl::mask || i == ctl::dirinfo) continue;
        window_.control(ctl::remote_column + i)->setEnabled(false);
    }
    window_.control(ctl::local_column + ctl::chgdir)->setEnabled(false);
    window_.control(ctl::to_remote)->setEnabled(false);
    window_.control(ctl::to_local)->setEnabled(false);
    window_.control(ctl::connect)->setEnabled(false);
}

void WindowCommands::read_masks() {
    std::string local = window_.mask_edit(false)->text().toStdString();
    if (local.size() > local_mask_chars) local.resize(local_mask_chars);
    ctx_.local_mask = local.empty() ? "*.*" : local;
    std::string remote = window_.mask_edit(true)->text().toStdString();
    if (remote.size() > remote_mask_chars) remote.resize(remote_mask_chars);
    ctx_.remote.remote_mask = remote;
}

bool WindowCommands::handle(const Command& c) {
    switch (c.id) {
    case 1321:
    case 1600:
    case 9032:
    case 9042:
        if (ctx_.busy_count.load() != 0 || transfer_running()) {
            forced_abort(c.id);
            return true;
        }
        return false;
    case 9033:
        cancel();
        return true;
    case 9000:
    case 1320:
        // No connect or close under a running transfer.
        return transfer_running() || connect_command(c.id);
    case 923:
        if (!transfer_running() && run_profile_dialog()) update_buttons();
        return true;
    case 962:
    case 963:
        sort_pane(c.id == 963);
        return true;
    case 1100:
        change_permissions();
        return true;
    case 1601:
        associate();
        return true;
    case 5130:
    case 9036:
        show_options();
        return true;
    case 939:
    case 940:
        pane_transfer(c.id == 939);
        return true;
    case 1500:
    case 9037:
        show_about();
        return true;
    default:
        break;
    }
    return handle_pane_command(c) || handle_ftp_menu(c.id);
}

bool WindowCommands::handle_pane_command(const Command& c) {
    const int id = c.id;
    const bool double_click = c.notify == Notify::DoubleClicked;
    // Remote commands (and local folder changes) wait while a transfer runs.
    auto refused = [&](PaneSide side, bool changes_local_dir) {
        if (side == PaneSide::Remote) return busy_for_remote();
        return changes_local_dir && transfer_running();
    };
    switch (id) {
    case 924:
    case 929: {
        if (!double_click) {
            if (c.notify == Notify::SelectionChanged) update_buttons();
            return c.notify == Notify::SelectionChanged;
        }
        const PaneSide side = side_of(id, 924);
        if (!refused(side, true)) change_directory(ctx_, side, hooks_);
        update_buttons();
        return true;
    }
    case 927:
    case 931: {
        const bool remote = id == 931;
        if (double_click) {
            if (ctx_.settings.double_click_action == 0) {
                pane_transfer(!remote);
                return true;
            }
            if (ctx_.settings.double_click_action == 1) {
                if (!(remote && busy_for_remote())) {
                    view_remote_file(ctx_, remote ? PaneSide::Remote : PaneSide::Local,
                                     ViewAction::View, hooks_);
                }
            }
        }
        update_buttons();
        return true;
    }
    case 933:
    case 934: {
        const PaneSide side = side_of(id, 933);
        if (refused(side, true)) return true;
        read_masks();
        change_directory(ctx_, side, hooks_);
        break;
    }
    case 935:
    case 936:
        if (refused(side_of(id, 935), false)) return true;
        make_directory(ctx_, side_of(id, 935), hooks_);
        break;
    case 937:
    case 938:
        if (refused(side_of(id, 937), false)) return true;
        remove_directory(ctx_, side_of(id, 937), hooks_);
        break;
    case 941:
    case 942:
    case 9045:
    case 9046: {
        const PaneSide side = id == 941 || id == 9045 ? PaneSide::Local : PaneSide::Remote;
        if (refused(side, false)) return true;
        view_remote_file(ctx_, side, id == 941 || id == 942 ? ViewAction::View : ViewAction::Open, hooks_);
        break;
    }
    case 943:
    case 944:
        if (refused(side_of(id, 943), false)) return true;
        read_masks();
        refresh_pane(ctx_, side_of(id, 943));
        break;
    case 945:
    case 946:
        if (refused(side_of(id, 945), false)) return true;
        (void)delete_files(ctx_, side_of(id, 945), hooks_);
        break;
    case 947:
    case 948:
        if (refused(side_of(id, 947), false)) return true;
        (void)rename_files(ctx_, side_of(id, 947), hooks_);
        break;
    case 949:
    case 950:
        directory_info(ctx_, side_of(id, 949), hooks_);
        break;
    case 960:
    case 961:
        if (refused(side_of(id, 960), true)) return true;
        path_box_command(ctx_, side_of(id, 960));
        break;
    case 968:
    case 969:
        if (refused(side_of(id, 968), false)) return true;
        (void)move_files(ctx_, side_of(id, 968), hooks_);
        break;
    default:
        return false;
    }
    update_buttons();
    return true;
}

bool WindowCommands::handle_ftp_menu(int id) {
    if (id < 1301 || id > 1314 || id == 1302 || id == 1313) return false;
    if (busy_for_remote()) {
        ctx_.messages.print_message("command in process, ignored");
        return true;
    }
    std::string text;
    // `remote_name`: the answer names something on the server, typed in its character set.
    auto ask = [&](int help, const char* prompt, bool remote_name = false) {
        ctx_.prompts.set_help_context(help);
        if (remote_name) ctx_.prompts.set_name_charset(ctx_.session.charset);
        return ctx_.prompts.ask_text(&text, "%s", prompt) != 0;
    };
    switch (id) {
    case 1301:
        if (ask(180, "Enter remote directory name:", true)) {
            (void)change_dir(ctx_, text);
            list_remote_cached(ctx_);
        }
        break;
    case 1303:
        (void)send_command_text(ctx_, "HELP");
        break;
    case 1304:
        (void)send_command_text(ctx_, "SYST");
        break;
    case 1305:
        if (ask(700, "Enter SITE string:")) (void)send_command_text(ctx_, "SITE " + text);
        break;
    case 1306:
    case 1308: {
        // Into a file of its own: the listing files of the cache keep what they show.
        const std::string kept = ctx_.remote.listing_file;
        const std::string file = make_temp_file("DIR");
        ctx_.remote.listing_file = file;
        const bool whole = fetch_listing(ctx_, id == 1306 ? "LIST" : "NLST").complete();
        ctx_.remote.listing_file = kept;
        if (whole) (void)view_file(ctx_, hooks_, file);
        break;
    }
    case 1307:
        if (ask(650, "Enter remote directory name:", true)) (void)make_dir(ctx_, text);
        break;
    case 1309:
        (void)print_dir(ctx_);
        break;
    case 1310:
        if (ask(710, "Enter command for remote host:")) (void)raw_command(ctx_, text);
        break;
    case 1311:
        if (ask(640, "Enter remote file name:", true)) {
            (void)download_one(ctx_, text, 0, 0, true);
            window_.list_local_pane();
        }
        break;
    case 1312:
        if (ask(650, "Enter remote directory name:", true)) (void)remove_dir(ctx_, text);
        break;
    case 1314:
        if (ask(630, "Enter local file name:")) (void)upload_one(ctx_, text, 0, 0, true);
        break;
    default:
        return false;
    }
    update_buttons();
    return true;
}

void WindowCommands::pane_transfer(bool to_remote) {
    if (busy_for_remote()) return;
    const PaneList* files = window_.list(to_remote ? ctl::local_files : ctl::remote_files);
    const PaneList* dirs = window_.list(to_remote ? ctl::local_dirs : ctl::remote_dirs);
    const PaneTransfer direction = to_remote ? PaneTransfer::Upload : PaneTransfer::Download;
    if (!files->selected_indices().empty() || dirs->selected_indices().empty()) {
        const Qt::KeyboardModifiers mods = QGuiApplication::queryKeyboardModifiers();
        const bool invert = (mods & (Qt::ControlModifier | Qt::ShiftModifier)) != 0;
        if (worker_->start(direction, invert)) update_buttons();
        return;
    }
    if (!confirm_tree_transfer()) return;
    run_walk([this, direction] { (void)run_tree_transfer(ctx_, direction); });
}

bool WindowCommands::confirm_tree_transfer() const {
    return ctx_.services.boxes &&
           ctx_.services.boxes->show("Do you want to transfer the selected directory structures?",
                                     program_title, mb::yes_no | mb::icon_question) == mb::id_yes;
}

// A walk runs on this thread, pumping events in its waits: the buttons stay greyed for it.
void WindowCommands::run_walk(const std::function<void()>& walk) {
    recursive_ = true;
    update_buttons();
    walk();
    recursive_ = false;
    update_buttons();
    if (close_pending_) tidy_after_abort();
}

bool WindowCommands::upload_dropped_folders(const std::vector<std::string>& folders) {
    if (busy_for_remote() || !confirm_tree_transfer()) return false;
    run_walk([this, &folders] { (void)upload_local_folders(ctx_, folders); });
    return !ctx_.stop_requested.load();
}

void WindowCommands::cancel() {
    if (worker_->running()) {
        worker_->cancel();
        return;
    }
    cancel_command(ctx_);
}

void WindowCommands::forced_abort(int id) {
    ctx_.cancel_requested = true;
    if (abort_in_progress_) return;
    abort_in_progress_ = true;
    ctx_.stop_requested = true;
    if (worker_->running()) {
        ctx_.messages.print_message("Aborting thread.");
        worker_->abort_connection();
    } else {
        // This thread's own call, further down the stack: it ends at its next wait slice.
        (void)cancel_blocking_call();
        ctx_.data.shutdown_any_thread();
        ctx_.data.listener.shutdown_any_thread();
        ctx_.control.shutdown_any_thread();
    }
    ctx_.connected = false;
    window_.setWindowTitle(program_title);
    window_.update_connect_button();
    update_buttons();
    if (id == 1600 || id == 9042) close_pending_ = true;
    abort_in_progress_ = false;
    tidy_after_abort();
}

// The sockets are closed, the remote lists emptied and a pending close carried out once the
// calls that used them have returned: closing a socket under a call still using it could
// hand its number to the next socket opened.
void WindowCommands::tidy_after_abort() {
    QTimer::singleShot(tidy_retry_ms, this, [this] {
        if (is_blocking() || ctx_.busy_count.load() != 0 || transfer_running()) {
            tidy_after_abort();
            return;
        }
        (void)worker_->wait(std::chrono::milliseconds(0));
        close_data(ctx_);
        close_listener(ctx_);
        close_control(ctx_);
        ctx_.connected = false;
        ctx_.host = HostCapabilities{};
        list_remote_cached(ctx_);
        clear_listing_cache(ctx_);
        window_.update_connect_button();
        update_buttons();
        if (close_pending_) {
            close_pending_ = false;
            window_.close();
        }
    });
}

bool WindowCommands::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::Close &&
        (ctx_.busy_count.load() != 0 || transfer_running())) {
        // Closed from the desktop while busy: abort first, close when the calls have returned.
        event->ignore();
        forced_abort(1600);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

// Connect while not connected: the session comes from the profile dialog; the window's own
// connect then logs on with it. False lets the window go on (connect, or close when connected).
bool WindowCommands::connect_command(int /*id*/) {
    if (ctx_.connected) return false;
    clear_listing_cache(ctx_);
    if (run_profile_dialog()) return false;
    update_buttons();
    window_.post_command(8100);
    play_event_sound_if_enabled(ctx_, SoundEvent::Error);
    return true;
}

// True for OK; the chosen profile is then the current session (not while connected: the
// connection keeps the session it was made with).
bool WindowCommands::run_profile_dialog() {
    if (choose_session) return choose_session();
    ProfileDialog dialog(ctx_, *profile_state_, {}, &window_);
    center_dialog(&dialog, &window_);
    if (dialog.exec() != QDialog::Accepted) return false;
    if (!ctx_.connected) ctx_.session = profile_state_->working;
    return true;
}

OptionsHooks WindowCommands::options_hooks() {
    OptionsHooks h;
    h.choose_custom_font = choose_custom_font;
    h.relist_remote = [this] {
        if (ctx_.connected && !busy_for_remote()) list_remote_cached(ctx_);
    };
    h.relist_local = [this] { window_.list_local_pane(); };
    h.local_dir = [this] { return ctx_.local_dir; };
    h.window_placement = [this] {
        WindowPlacement p;
        p.maximized = window_.isMaximized();
        p.left = static_cast<unsigned>(std::max(window_.x(), 0));
        p.top = static_cast<unsigned>(std::max(window_.y(), 0));
        p.width = static_cast<unsigned>(window_.width());
        p.height = static_cast<unsigned>(window_.height());
        p.vertical_splitter = static_cast<unsigned>(std::max(window_.split_x(), 0));
        p.horizontal_splitter = static_cast<unsigned>(std::max(window_.split_y(), 0));
        return std::optional<WindowPlacement>(p);
    };
    return h;
}

void WindowCommands::show_options() {
    OptionsDialog dialog(ctx_, options_hooks(), &window_);
    center_dialog(&dialog, &window_);
    (void)dialog.exec();
    if (reload_fonts) reload_fonts();
    if (dialog.layout_changed()) window_.apply_layout_settings();
    window_.post_command(8100);
    update_buttons();
}

void WindowCommands::sort_pane(bool remote) {
    auto relist = [this, remote] {
        if (!remote) {
            window_.list_local_pane();
        } else if (ctx_.connected && !busy_for_remote()) {
            list_remote_cached(ctx_);
        }
    };
    SortDialog dialog(ctx_.settings, remote ? Pane::Remote : Pane::Local, relist, &window_);
    center_dialog(&dialog, &window_);
    (void)dialog.exec();
}

void WindowCommands::associate() {
    AssociateDialog dialog(ctx_, ctx_.prompts.answer(), options_hooks(), &window_);
    center_dialog(&dialog, &window_);
    (void)dialog.exec();
}

void WindowCommands::change_permissions() {
    if (busy_for_remote()) return;
    const PaneList& files = *window_.list(ctl::remote_files);
    std::vector<std::string> names;
    for (const int i : files.selected_indices()) names.push_back(get_entry_name(ctx_, files, i));
    (void)change_remote_permissions(ctx_, chmod_mode_, names, dialog_permissions_asker(&window_, {}));
    update_buttons();
}

void WindowCommands::show_about() {
    AboutBox box(ctx_.local_dir, &window_);
    box.adjustSize();
    center_dialog(&box, &window_);
    (void)box.exec();
}

}  // namespace varnix::ui
