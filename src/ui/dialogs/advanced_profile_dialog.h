// The "Advanced Profile Parameters" dialog: retries, time-out, port, masks, initial
// commands, passive mode and the one firewall of [FIREWALL], on the profile working copy.
#pragma once

#include <QDialog>

#include "ui/dialogs/dialog_support.h"
#include "ui/dialogs/profile_dialog.h"

class QButtonGroup;
class QComboBox;

namespace varnix::ui {

// Modal, opened by the profile dialog's Advanced button. OK stores the fields into
// state.working (with their corrections) and, only with "Use Firewall" checked, writes
// [FIREWALL]; Cancel keeps what the working copy already held.
class AdvancedProfileDialog : public QDialog {
    Q_OBJECT
public:
    AdvancedProfileDialog(ConfigContext& ctx, ProfileEditState& state, HelpHook help,
                          QWidget* parent = nullptr);

private:
    void build();
    void show_fields();
    void enable_firewall_fields(bool on);
    void tls_changed(int index);
    void ok_clicked();

    ConfigContext& ctx_;
    ProfileEditState& state_;
    HelpHook help_;

    QLineEdit* retries_ = nullptr;
    QLineEdit* timeout_ = nullptr;
    QLineEdit* port_ = nullptr;
    QComboBox* tls_ = nullptr;  // the TLS key, one entry per TlsMode
    QLineEdit* init_cmd_ = nullptr;
    QLineEdit* local_mask_ = nullptr;
    QLineEdit* remote_mask_ = nullptr;
    QCheckBox* passive_ = nullptr;
    QCheckBox* use_firewall_ = nullptr;
    QComboBox* charset_ = nullptr;
    QCheckBox* mlsd_ = nullptr;
    QLineEdit* fw_host_ = nullptr;
    QLineEdit* fw_user_ = nullptr;
    QLineEdit* fw_password_ = nullptr;
    QLineEdit* fw_port_ = nullptr;
    QCheckBox* fw_save_password_ = nullptr;
    QButtonGroup* fw_type_ = nullptr;
    QWidget* firewall_box_ = nullptr;
};

// The corrections OK applies to the typed numbers.
[[nodiscard]] int corrected_retries(std::int64_t typed);        // above 40: 40
[[nodiscard]] int corrected_timeout(std::int64_t typed);        // 0: 65
[[nodiscard]] int corrected_port(std::int64_t typed);           // below 10: 21
[[nodiscard]] int corrected_firewall_port(std::int64_t typed);  // below 28: 21

}  // namespace varnix::ui
