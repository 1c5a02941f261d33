// The one-line question dialogs ("Input", "Password", "Input" with a history drop-down) and
// the Prompter that shows them while the main window is up.
//
// Wiring (main window): build one QtPrompter for the program's run and hand it to the engine
// as the prompter of its Services:
//     QtPrompter prompter([this] { return static_cast<QWidget*>(this); },   // dialogs' owner
//                         &terminal_prompter);                                // when no window
//     services.prompter = &prompter;
// Help, F1 and F2 open the help window at the question's help context (show_help).
// The engine asks on the GUI thread (a worker's question is carried there by the UiInvoker);
// the dialog runs a nested event loop until it is answered. A caller passes the cached remote directories as the request's choices; the
// history drop-down shows each once, sorted.
#pragma once

#include <QDialog>
#include <QLabel>
#include <functional>
#include <optional>
#include <string>

#include "platform/services.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace varnix::ui {

// Opens the help topic of a help context (0: the help index); empty: show_help().
using HelpHook = std::function<void(int context)>;

// Control ids of the three dialogs, used as the controls' object names.
namespace input_ids {
inline constexpr int prompt = 3010;
inline constexpr int edit = 3020;
inline constexpr int combo = 2405;
inline constexpr int ok = 1;
inline constexpr int cancel = 2;
inline constexpr int manual_button = 9041;  // "&Help": opens the manual
}  // namespace input_ids

// The text as UTF-8, at most `max_bytes` bytes, never a character cut in half.
[[nodiscard]] std::string utf8_prefix(const QString& text, std::size_t max_bytes);

// A static text that wraps at blanks and, for a long path without any, anywhere.
class PromptLabel : public QLabel {
    Q_OBJECT
public:
    explicit PromptLabel(const QString& text, QWidget* parent = nullptr);
    // The height the text needs at the given width.
    [[nodiscard]] int height_for(int width) const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class InputDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int answer_chars = 69;

    InputDialog(PromptKind kind, QWidget* owner, HelpHook help = {});

    // Prompt text, starting answer (selected, with the focus), help context and, for the
    // history dialog, the drop-down's choices.
    void set_request(const PromptRequest& request);
    // The entry's text as bytes: the original bytes when the user kept a name as it was
    // given (so a name that is not UTF-8 goes back unchanged), else UTF-8, at most 69 bytes
    // and never a character cut in half.
    [[nodiscard]] std::string answer() const;
    [[nodiscard]] QString entry_text() const;
    [[nodiscard]] PromptKind kind() const { return kind_; }
    [[nodiscard]] QLineEdit* line_edit() const { return edit_; }
    [[nodiscard]] QComboBox* combo_box() const { return combo_; }

    // Shows the question modally; the answer on OK, nullopt on Cancel or close.
    static std::optional<std::string> ask(const PromptRequest& request, QWidget* owner,
                                          const HelpHook& help);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void build_controls();
    void place_controls();
    void open_help();

    PromptKind kind_;
    HelpHook help_;
    int help_context_ = 0;
    PromptLabel* prompt_ = nullptr;
    QLineEdit* edit_ = nullptr;  // the edit, or the combo box's edit field
    QComboBox* combo_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* help_button_ = nullptr;
    // Display text -> original bytes, for the starting text and the choices.
    std::vector<std::pair<QString, std::string>> originals_;
    std::string name_charset_;  // the server's, when the answer is a name on it
};

// Puts the engine's questions on the screen while the main window is shown; before it is up
// (start-up, batch runs) the fallback answers them (none: every question is cancelled).
class QtPrompter : public QObject, public Prompter {
    Q_OBJECT
public:
    using OwnerHook = std::function<QWidget*()>;
    QtPrompter(OwnerHook owner, Prompter* fallback, HelpHook help = {}, QObject* parent = nullptr);
    std::optional<std::string> ask(const PromptRequest& request) override;

private:
    OwnerHook owner_;
    Prompter* fallback_;
    HelpHook help_;
};

}  // namespace varnix::ui
