// The "Message Log" window: the whole message history in a read-only text view that keeps
// receiving new lines while it is open, with copy, select all and "Save as...".
//
// Wiring (main window):
//     QPointer<MessageLogWindow> log_window;                       // member, none at start
//     MessageLogWindow::Hooks hooks{
//         [&ctx] { return ctx.busy_count.load() != 0; },             // busy cursor
//         [this](QWidget* over, QPoint at) { ... }}; // popup menu at `at`
//     // commands 5557 / 9047, "Show log...", a double click in the message area:
//     show_log_window(log_window, ctx.messages, this, hooks);
//     // every line the engine prints (MessageArea::line_appended):
//     connect(area, &MessageArea::line_appended, [&] (const QString& l) {
//         if (log_window) log_window->append_line(l); });
//     // at shut-down: delete log_window.data();
// Everything here runs on the GUI thread (MessageArea carries worker lines over).
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>

#include "platform/messages.h"

class QPlainTextEdit;

namespace varnix::ui {

namespace log_ids {
inline constexpr int edit = 5554;
inline constexpr int exit = 5555;
inline constexpr int save_as = 5556;
inline constexpr int copy = 2200;
inline constexpr int select_all = 2201;
}  // namespace log_ids

class MessageLogWindow : public QMainWindow {
    Q_OBJECT
public:
    struct Hooks {
        // True while a network command or transfer runs (the busy cursor).
        std::function<bool()> busy;
        // The program's popup menu for the text view, shown at the screen point `at` (owned
        // by the main window). Without it the view's own menu (copy, select all) is offered.
        std::function<void(QWidget* over, QPoint at)> popup;
    };

    // Fills the view with the history as it is now; the caller shows the window.
    MessageLogWindow(const MessageOutput& messages, Hooks hooks, QWidget* parent = nullptr);

    // A new line, appended whole (the history keeps 99 characters of it).
    void append_line(const QString& line);
    // "&Copy": the selection to the clipboard, then everything selected.
    void copy();
    void select_all();
    // "&Save as...": asks for a file name, then save_history_to().
    void save_log_as();
    // The history as stored, one line per slot; false (and nothing said) when the file
    // cannot be written.
    bool save_history_to(const QString& path) const;

    [[nodiscard]] QPlainTextEdit* edit() const { return edit_; }
    [[nodiscard]] QString text() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build_menu();
    void fill_from_history();
    void update_cursor();

    const MessageOutput& messages_;
    Hooks hooks_;
    QPlainTextEdit* edit_;
    QString last_save_path_;
};

// Opens the log window (at the main window's left, its top + 40, its width and half its
// height) or, when it is open, raises it and puts the focus in its text.
MessageLogWindow* show_log_window(QPointer<MessageLogWindow>& window, const MessageOutput& messages,
                                  const QWidget* main_window, const MessageLogWindow::Hooks& hooks);

}  // namespace varnix::ui
