// The "Pro Options" dialog (drag and drop, auto reget, the sort order of both panes) and the
// Sort Options dialog that sets one pane's order for the current run only.
#pragma once

#include <QDialog>

#include "net/net_context.h"
#include "ui/dialogs/options_hooks.h"
#include "ui/help/help_contexts.h"

class QCheckBox;
class QLineEdit;

namespace varnix::ui {

class SortChoice;

inline constexpr int pro_options_help = help::pro_options;
inline constexpr int sort_options_help = help::sort_options;

enum class Pane : int { Local = 0, Remote = 1 };

// Modal: Save (Accepted) puts PRODRAG, PROREGET, LFSORT and RFSORT into memory and
// [_config_], then lists the remote pane (when connected) and the local pane again.
class ProOptionsDialog : public QDialog {
    Q_OBJECT
public:
    ProOptionsDialog(NetContext& ctx, OptionsHooks hooks, QWidget* parent = nullptr);

private:
    void save_clicked();

    NetContext& ctx_;
    OptionsHooks hooks_;
    QCheckBox* drag_ = nullptr;
    QCheckBox* reget_ = nullptr;
    QCheckBox* mdtm_ = nullptr;
    QLineEdit* idle_noop_ = nullptr;
    SortChoice* local_ = nullptr;
    SortChoice* remote_ = nullptr;
};

// Modal: OK (Accepted) sets the pane's sort code in memory only (nothing is written) and
// lists that pane again through the hook.
class SortDialog : public QDialog {
    Q_OBJECT
public:
    SortDialog(ProgramSettings& settings, Pane pane, std::function<void()> relist,
               QWidget* parent = nullptr);

private:
    ProgramSettings& settings_;
    Pane pane_;
    std::function<void()> relist_;
    SortChoice* choice_ = nullptr;
};

}  // namespace varnix::ui
