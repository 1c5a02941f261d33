// The help window: the program's HTML manual, compiled in as a resource, in a browser with
// contents, back and forward and find in page; show_help opens it at a help context's section.
#pragma once

#include <QUrl>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTextBrowser;
class QTreeWidget;

namespace varnix::ui {

// The hook every Help button and F1 key calls (a dialog's help callback is
// [this](int context) { ui::show_help(this, context); }): opens (or raises) the help window at the
// section of the context (help/help_contexts.h); 0..10 and unknown numbers show the contents.
// Opened from a modal dialog, the window belongs to that dialog so it takes input while the
// dialog is open, and stays open on its own when the dialog closes; otherwise it belongs to
// parent's window (none when parent is null).
void show_help(QWidget* parent, int context);

// F1, F2 and Ctrl+F1 anywhere in the widget's window open the section of the context.
void install_help_keys(QWidget* widget, int context);

// The help number of a control (Ctrl+F1 on it opens its section); control_help gives the
// number of the widget or of its nearest parent that has one, 0 when none has.
void set_control_help(QWidget* control, int context);
[[nodiscard]] int control_help(const QWidget* widget);

// The main window's keys: F1 the contents, F2 the main window's section, Ctrl+F1 the section
// of the control that has the focus (set_control_help).
void install_main_window_help_keys(QWidget* window);

// The manual address of a context: qrc:/manual/<page>#<anchor>.
[[nodiscard]] QUrl help_url(int context);

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    void open(const QUrl& url);
    [[nodiscard]] QUrl current_url() const;
    [[nodiscard]] QTextBrowser* browser() const { return browser_; }
    [[nodiscard]] QTreeWidget* contents_tree() const { return tree_; }

    // Finds the text from the cursor on (backwards when asked), wrapping around once.
    bool find(const QString& text, bool backwards = false);

    // Makes the window belong to owner's family (a window of its own when owner is null).
    void set_owner(QWidget* owner);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void find_from_field(bool backwards);
    void update_buttons();
    void fill_contents_tree();
    void follow_in_tree(const QUrl& url);

    QTextBrowser* browser_;
    QTreeWidget* tree_;
    QPushButton* back_;
    QPushButton* forward_;
    QLineEdit* find_field_;
    QLabel* find_result_;
    QWidget* modal_owner_ = nullptr;  // the modal dialog the window belongs to for now
};

// The help window if one is open (for tests and for closing it at exit), else nullptr.
[[nodiscard]] HelpWindow* help_window();

}  // namespace varnix::ui
