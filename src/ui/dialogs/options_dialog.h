// The Options dialog: the hub that opens the program, session and pro options, the extension
// and association dialogs, and saves the directory names and the window's placement.
#pragma once

#include <QDialog>

#include "transfer/transfer_context.h"
#include "ui/dialogs/options_hooks.h"
#include "ui/help/help_contexts.h"

class QPushButton;

namespace varnix::ui {

inline constexpr int options_help = help::options;

// Modal: exec() returns when the user presses Exit. Afterwards the caller applies the list
// font again and refreshes the main window; layout_changed() tells that LAYOUT or BONTOP
// changed, so the window must be laid out again.
class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    OptionsDialog(TransferContext& ctx, OptionsHooks hooks, QWidget* parent = nullptr);
    [[nodiscard]] bool layout_changed() const { return layout_changed_; }

private:
    void save_directory_names_clicked();
    void save_window_locations_clicked();

    TransferContext& ctx_;
    OptionsHooks hooks_;
    bool layout_changed_ = false;
};

// Save Window Locations: MAXIMIZE=1 alone when maximised (LOC stays as it was); otherwise
// MAXIMIZE deleted and LOC written as "left,top,width,height,vertical,horizontal".
void save_window_locations(ConfigContext& ctx, const WindowPlacement& placement);

}  // namespace varnix::ui
