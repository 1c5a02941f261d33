// What every dialog of the program shares: controls named by their control id, the help
// keys, text fields cut to their INI limits, number fields that clamp, and the host-type list.
#pragma once

#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

class QAbstractButton;
class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace varnix {
struct PlatformContext;
}

namespace varnix::ui {

// Opens the manual at a help context. An empty hook opens the program's help window
// (show_help) over the dialog; tests pass a recorder.
using HelpHook = std::function<void(int context)>;

// The ids that several dialogs share.
namespace control_id {
inline constexpr int ok = 1;
inline constexpr int cancel = 2;
inline constexpr int manual_button = 9041;  // "&Help"
}  // namespace control_id

[[nodiscard]] QString control_name(int id);

// Controls named by their control id (objectName), with their caption.
QPushButton* make_button(QWidget* parent, int id, const QString& caption);
QCheckBox* make_check(QWidget* parent, int id, const QString& caption);
QRadioButton* make_radio(QWidget* parent, int id, const QString& caption);
// A one-line text field that takes at most max_chars characters and refuses control
// characters (a line break or NUL would corrupt the configuration file).
// Radio buttons first_id, first_id + 1, ... in one group (button ids 0, 1, ...), added to
// `layout` in order.
QButtonGroup* make_radio_group(QWidget* owner, QBoxLayout* layout, int first_id,
                               std::initializer_list<const char*> captions);
QLineEdit* make_text_edit(QWidget* parent, int id, int max_chars);
// A field of decimal digits only, at most `digits` of them.
QLineEdit* make_number_edit(QWidget* parent, int id, int digits);
// A caption whose mnemonic moves the focus to `buddy`.
QLabel* make_label(QWidget* parent, const QString& caption, QWidget* buddy);

// F1 and F2 call the hook with the context; the Help button (if any) with its own.
void install_help_keys(QDialog& dialog, const HelpHook& hook, int context);
void connect_help_button(QPushButton* button, const HelpHook& hook, int context);

// The text of a field as the bytes stored (UTF-8), cut to max_bytes without splitting a
// character.
[[nodiscard]] std::string field_text(const QString& text, std::size_t max_bytes);
[[nodiscard]] std::string field_text(const QLineEdit* edit, std::size_t max_bytes);
// Bytes from the file or a server shown as text: UTF-8 when valid, else Latin-1.
[[nodiscard]] QString shown_text(std::string_view bytes);

// The number in a digits-only field, clamped to low..high; an empty field counts as 0
// (then clamped), and a number too long to read counts as `high`.
[[nodiscard]] std::int64_t field_number(const QLineEdit* edit, std::int64_t low,
                                        std::int64_t high);

// The host-type combo: every type the listing parser knows, sorted by name, each item's
// data its code. select_host_type picks the entry whose text is the code's name (none when
// the code is unknown); selected_host_type gives 6000 when nothing is selected.
void fill_host_types(QComboBox* combo);
void select_host_type(QComboBox* combo, int code);
[[nodiscard]] int selected_host_type(const QComboBox* combo);

// A message box through the program's message-box service (recorded in tests), or a
// plain warning when the context has none.
void tell_user(PlatformContext& ctx, QWidget* parent, const std::string& text,
               const std::string& caption);

[[nodiscard]] bool equal_ignoring_case(std::string_view a, std::string_view b);

}  // namespace varnix::ui

namespace varnix::ui {
// Tab moves through the widgets in this order.
void set_tab_chain(const QList<QWidget*>& widgets);
}  // namespace varnix::ui
