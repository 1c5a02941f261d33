// The Program Options dialog: the program-wide settings of [_config_] (layout, messages,
// viewer, e-mail address, transfer log, double click, rates, buffer sizes, list font).
#pragma once

#include <QDialog>

#include "config/config_context.h"
#include "ui/dialogs/options_hooks.h"
#include "ui/help/help_contexts.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace varnix::ui {

inline constexpr int program_options_help = help::program_options;

// Modal: exec() returns Accepted for Save (every setting written to [_config_] in one
// replacement of the file and put into memory) and Rejected for Cancel (nothing written).
class ProgramOptionsDialog : public QDialog {
    Q_OBJECT
public:
    ProgramOptionsDialog(ConfigContext& ctx, OptionsHooks hooks, QWidget* parent = nullptr);
    // After Save: LAYOUT or BONTOP changed, so the main window must be laid out again.
    [[nodiscard]] bool layout_changed() const { return layout_changed_; }

private:
    void build();
    void show_settings();
    void save_clicked();

    ConfigContext& ctx_;
    OptionsHooks hooks_;
    bool layout_changed_ = false;

    QCheckBox* layout_ = nullptr;
    QCheckBox* buttons_on_top_ = nullptr;
    QCheckBox* long_dir_ = nullptr;
    QCheckBox* autosave_ = nullptr;
    QCheckBox* verify_delete_ = nullptr;
    QCheckBox* autostart_ = nullptr;
    QCheckBox* debug_ = nullptr;
    QLineEdit* viewer_ = nullptr;
    QLineEdit* mail_ = nullptr;
    QLineEdit* log_file_ = nullptr;
    QCheckBox* log_enabled_ = nullptr;
    QButtonGroup* double_click_ = nullptr;
    QButtonGroup* rates_ = nullptr;
    QLineEdit* receive_bytes_ = nullptr;
    QLineEdit* send_bytes_ = nullptr;
    QButtonGroup* font_ = nullptr;
    QCheckBox* scale_ = nullptr;
};

}  // namespace varnix::ui
