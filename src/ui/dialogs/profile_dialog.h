// The "Session Profile" dialog: picks, creates, edits, saves and deletes session profiles on a
// working copy of the Session; the connect command copies the copy over the current one.
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <string_view>

#include "config/config_file.h"
#include "config/session.h"
#include "ui/dialogs/dialog_support.h"
#include "ui/help/help_contexts.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace varnix::ui {

inline constexpr int profile_dialog_help = help::session_profile;
inline constexpr int advanced_profile_help = help::advanced_profile;
inline constexpr int profile_keys_help = help::connecting;  // F1 or F2 in either profile dialog

// What the profile dialogs keep for the whole run: the working copy of the Session and the
// firewall fields of the advanced dialog (host, user ID, password, Save Password).
struct ProfileEditState {
    Session working;
    FirewallSettings firewall;
};

// Why a name cannot be a profile section ("]", "=", a line break or NUL would corrupt the
// configuration file; "_config_", "FIREWALL" and "VARNIX" hold the program's own settings),
// or nothing when it can.
[[nodiscard]] std::optional<std::string> profile_name_problem(std::string_view name);

// Modal: exec() returns QDialog::Accepted for OK (state.working then holds the chosen
// profile; the caller copies it over ctx.session and connects) and Rejected for Cancel
// (state.working is the current Session again, the session options as they were).
class ProfileDialog : public QDialog {
    Q_OBJECT
public:
    ProfileDialog(ConfigContext& ctx, ProfileEditState& state, HelpHook help,
                  QWidget* parent = nullptr);

    void reject() override;

private:
    void build();
    void open_profile();
    void show_record();
    void profile_name_changed(const QString& text);
    void anonymous_clicked(bool checked);
    void ask_mail_address();
    [[nodiscard]] bool take_fields(bool for_saving);
    void save_current();
    void save_clicked();
    void ok_clicked();
    void new_clicked();
    void delete_clicked();
    void advanced_clicked();
    void add_to_list(const QString& name);

    ConfigContext& ctx_;
    ProfileEditState& state_;
    HelpHook help_;
    SessionOptions options_at_open_;
    bool password_ban_ = false;
    bool showing_ = false;  // set while fields are filled, so the name box's signals rest

    QComboBox* name_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* new_ = nullptr;
    QLineEdit* host_ = nullptr;
    QComboBox* host_type_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* account_ = nullptr;
    QLineEdit* remote_dir_ = nullptr;
    QLineEdit* local_dir_ = nullptr;
    QLineEdit* comment_ = nullptr;
    QCheckBox* anonymous_ = nullptr;
    QCheckBox* save_password_ = nullptr;
    QCheckBox* autosave_ = nullptr;
};

}  // namespace varnix::ui
