// The main window: the 43 controls of the control table laid out from the client size, the
// captions and frames, the two splitters, the common keyboard and mouse behaviour of every
// control, and the command dispatch (button, list, accelerator and posted commands).
#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "batch/batch_context.h"
#include "ui/fonts.h"
#include "ui/layout.h"

class QLabel;
class QLineEdit;
class QScrollBar;
class QAbstractButton;
class QPushButton;
class QTimer;

namespace varnix::ui {

class MessageArea;
class PaneList;
class PathBox;

// How a control reported its command.
enum class Notify { Clicked, SelectionChanged, DoubleClicked, FocusIn, FocusOut, Posted };

struct Command {
    int id = 0;
    Notify notify = Notify::Clicked;
    std::string text;  // the parameter of a posted command (the batch command line)
};

// The dialog base units the layout works in (DialogUnits of the window's font), in
// device-independent pixels.
struct BaseUnits {
    int bx = 0;
    int by = 0;
};

// Places a dialog centred over the main window's client area (over the desktop when the main
// window is minimized or hidden), `extra_y` lower, never at negative screen coordinates.
void center_dialog(QWidget* dialog, const QWidget* main_window, int extra_y = 0);

// The help section Ctrl+F1 opens for control `index` of the table.
[[nodiscard]] int control_help_section(int index);

class MainWindow : public QWidget {
    Q_OBJECT
public:
    // `client_width`/`client_height`/`split_*` come from the stored placement.
    MainWindow(BatchContext& ctx, int split_x, int split_y, QWidget* parent = nullptr);
    ~MainWindow() override;

    [[nodiscard]] BatchContext& context() { return ctx_; }
    [[nodiscard]] QWidget* control(int index) const;
    [[nodiscard]] PaneList* list(int index) const;  // ctl::local_dirs ... ctl::remote_files
    [[nodiscard]] PathBox* path_box(int index) const;  // ctl::local_path, ctl::remote_path
    [[nodiscard]] QLineEdit* mask_edit(bool remote) const;
    [[nodiscard]] QLabel* status_field(bool remote) const;
    [[nodiscard]] MessageArea& message_area() { return *message_area_; }
    [[nodiscard]] const LayoutResult& current_layout() const { return layout_; }
    [[nodiscard]] BaseUnits units() const { return units_; }

    // LAYOUT and BONTOP changed: lay everything out anew.
    void apply_layout_settings();
    // Recomputes the layout from the current client size and moves every control.
    void relayout();
    // The splits as they are now (for "LOC").
    [[nodiscard]] int split_x() const { return split_x_; }
    [[nodiscard]] int split_y() const { return split_y_; }
    void set_splits(int split_x, int split_y);
    // The start-up size and splits that the resize rule compares with; and whether the first
    // connect command has been handled (from then on a resize resets the splits).
    void remember_startup_size();
    void set_connect_handled() { resize_.connect_handled = true; }
    // The folder the program started in ("origdir" in a profile names it).
    void set_startup_directory(std::string dir) { startup_dir_ = std::move(dir); }
    [[nodiscard]] const std::string& startup_directory() const { return startup_dir_; }

    // The controls that show the list font: the four lists, the path boxes, the mask edits.
    [[nodiscard]] std::vector<QWidget*> list_font_controls() const;

    // Commands. The handler sees every command first; it returns false for those it leaves to
    // the window's own handling.
    using CommandHandler = std::function<bool(const Command&)>;
    void set_command_handler(CommandHandler handler) { handler_ = std::move(handler); }
    // Carries a command out now.
    void dispatch(const Command& command);
    // Queues a command for the event loop (a posted message).
    void post_command(int id, std::string text = {});

    // Hooks for what other parts of the window provide.
    std::function<void(int control_index, QPoint global_pos)> on_popup;  // -1: the window itself
    std::function<void(int context)> on_help;  // 0: the index
    std::function<bool(int control_index)> on_drag_start;  // a file list's left button
    std::function<void()> on_show_log;
    std::function<void()> on_closing;  // the window closes: sockets, settings

    // The local lists show the current folder; the remote ones what the connection lists.
    void list_local_pane();
    // Not connected: the remote lists and path box are emptied.
    void empty_remote_pane();
    // Button states from the connection and the selections.
    void update_buttons();
    // The mode buttons from the transfer mode and the automatic flag.
    void update_mode_buttons();
    // The connect button reads "&Close" while connected.
    void update_connect_button();
    // The engine became busy or idle: the busy cursor over the window while a command or a
    // transfer of the GUI thread runs.
    void update_busy();

    // Where the keyboard opens a control's popup menu (screen coordinates): under a list's
    // focused entry, else the control's centre.
    [[nodiscard]] QPoint popup_anchor(int index) const;

    // Test access to the splitter drag.
    [[nodiscard]] bool dragging() const { return drag_ != SplitterHit::None; }

signals:
    void command_dispatched(int id);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void changeEvent(QEvent* event) override;

private:
    void create_controls();
    void create_shortcuts();
    void connect_control(int index);
    void place_controls();
    void fit_button_fonts();
    [[nodiscard]] int index_of(QObject* object) const;
    bool handle_control_event(int index, QEvent* event);
    void read_mask(bool remote, bool relist);
    void move_focus(bool forward);
    void update_cursor(QPoint pos);
    void show_drag_bar(QPoint pos);
    bool default_command(const Command& command);
    void sync_scroll_bar();

    BatchContext& ctx_;
    BaseUnits units_;
    ButtonFont button_font_;
    std::array<QWidget*, control_count> controls_{};
    std::unique_ptr<MessageArea> message_area_;
    LayoutResult layout_;
    int split_x_ = 0, split_y_ = 0;
    ResizeState resize_;
    bool relayout_running_ = false;
    SplitterHit drag_ = SplitterHit::None;
    QWidget* drag_bar_ = nullptr;
    bool busy_cursor_ = false;
    CommandHandler handler_;
    std::string startup_dir_;
};

}  // namespace varnix::ui
