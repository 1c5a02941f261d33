// The main window's command table: pane transfers on the worker thread and the recursive
// walks, the file operations of both panes, view and execute, Cancel and the forced abort,
// exit while busy, the FTP command menu, the About box and the busy state of the buttons.
// Installed as the window's command handler; what it leaves alone the window does itself.
#pragma once

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "transfer/file_operations.h"
#include "transfer/multi_transfer.h"

class QWidget;

namespace varnix::ui {

class MainWindow;
struct Command;
struct OptionsHooks;
struct ProfileEditState;

class WindowCommands : public QObject {
    Q_OBJECT
public:
    // Made after the window and destroyed before it (the worker is finished then).
    explicit WindowCommands(MainWindow& window);
    ~WindowCommands() override;

    // The window's command handler: true when the command was carried out here.
    bool handle(const Command& command);

    // The window's button rules, then everything that must wait while a transfer runs.
    void update_buttons();

    // Whether a pane transfer (worker or recursive walk) is in progress.
    [[nodiscard]] bool transfer_running() const;
    // Ends a running worker for good (cancel, sockets shut down) and waits at most `bound`
    // for it, keeping the window's events moving; true when no worker is left.
    bool finish_worker(std::chrono::milliseconds bound);

    [[nodiscard]] TransferWorker& worker() { return *worker_; }
    // Folders dropped on the remote list from another program: after the same question as
    // the "-->" of selected folders, each is copied whole into the remote directory. False
    // when declined, refused as busy or stopped.
    bool upload_dropped_folders(const std::vector<std::string>& folders);
    [[nodiscard]] FileOperationHooks& file_hooks() { return hooks_; }

    // Set by the program: the list font chooser and applying the list font again after the
    // options. Either may be empty.
    std::function<void(QWidget* owner)> choose_custom_font;
    std::function<void()> reload_fonts;
    // Picks the session to connect to; true to connect with ctx.session. Empty: the
    // "Session Profile" dialog.
    std::function<bool()> choose_session;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handle_remote_only(int id);
    bool handle_pane_command(const Command& command);
    bool handle_ftp_menu(int id);
    void pane_transfer(bool to_remote);
    [[nodiscard]] bool confirm_tree_transfer() const;
    void run_walk(const std::function<void()>& walk);
    void cancel();
    void forced_abort(int id);
    void tidy_after_abort();
    void read_masks();
    void close_when_idle();
    [[nodiscard]] bool busy_for_remote() const;
    void show_about();
    bool connect_command(int id);
    [[nodiscard]] bool run_profile_dialog();
    void show_options();
    void sort_pane(bool remote);
    void associate();
    void change_permissions();
    [[nodiscard]] OptionsHooks options_hooks();

    MainWindow& window_;
    TransferContext& ctx_;
    std::unique_ptr<TransferWorker> worker_;
    FileOperationHooks hooks_;
    // The profile dialogs' working copy, kept for the run.
    std::unique_ptr<ProfileEditState> profile_state_;
    int chmod_mode_;                  // the permission mode remembered for the run
    bool recursive_ = false;         // a recursive walk runs on this thread
    bool abort_in_progress_ = false;
    bool close_pending_ = false;     // the window closes once nothing is on the stack
};

}  // namespace varnix::ui
