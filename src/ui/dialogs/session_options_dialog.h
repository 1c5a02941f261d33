// The Session Options dialog: the twelve session options, HASH, host type, passive mode and
// firewall use of the current profile, and "Sa&ve as Default" for [_config_].
#pragma once

#include <QDialog>

#include "net/net_context.h"
#include "ui/dialogs/options_hooks.h"
#include "ui/help/help_contexts.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;

namespace varnix::ui {

inline constexpr int session_options_help = help::session_options;

// Modal: exec() returns Accepted for Save (memory set; the current profile keeps the values
// that differ from [_config_], and always TYPE) and Rejected for Cancel. "Sa&ve as Default"
// writes [_config_] at once and leaves memory and the dialog as they are.
class SessionOptionsDialog : public QDialog {
    Q_OBJECT
public:
    SessionOptionsDialog(NetContext& ctx, OptionsHooks hooks, QWidget* parent = nullptr);

private:
    void build();
    void show_options();
    void save_clicked();
    void save_as_default_clicked();
    [[nodiscard]] int bell() const;
    [[nodiscard]] int usewave() const;

    NetContext& ctx_;
    OptionsHooks hooks_;

    QComboBox* host_type_ = nullptr;
    QCheckBox* update_ = nullptr;
    QCheckBox* hash_ = nullptr;
    QCheckBox* passive_ = nullptr;
    QCheckBox* sorted_ = nullptr;
    QCheckBox* firewall_ = nullptr;
    QCheckBox* lowercase_ = nullptr;
    QCheckBox* convert_ = nullptr;
    QCheckBox* send_unique_ = nullptr;
    QCheckBox* receive_unique_ = nullptr;
    QCheckBox* prompt_ = nullptr;
    QButtonGroup* sounds_ = nullptr;
    QButtonGroup* mode_ = nullptr;
    QButtonGroup* links_ = nullptr;
};

}  // namespace varnix::ui
