// The "Remote file permissions" dialog and the chmod command of the remote pane, which sends
// the chosen mode for the selected remote files as "SITE chmod".
#pragma once

#include <QDialog>
#include <array>
#include <string>
#include <vector>

#include "net/net_context.h"
#include "ui/dialogs/dialog_support.h"
#include "ui/help/help_contexts.h"

class QCheckBox;

namespace varnix::ui {

inline constexpr int chmod_prompt_help = help::chmod_command;
inline constexpr int permissions_help = help::remote_permissions;
inline constexpr int initial_permission_mode = 644;

// The mode is the decimal number whose three digits are the octal digits of owner, group
// and other (644 for rw-r--r--).
// Modal: exec() returns Accepted for OK; mode() then gives the chosen mode (0 when every box
// is unchecked).
class PermissionsDialog : public QDialog {
    Q_OBJECT
public:
    PermissionsDialog(int mode, HelpHook help, QWidget* parent = nullptr);
    [[nodiscard]] int mode() const;

private:
    std::array<QCheckBox*, 9> boxes_{};
};

// How the remote pane asks for the mode; the default opens PermissionsDialog. Returns the
// mode, or 0 for Cancel.
using PermissionsAsker = std::function<int(int remembered_mode)>;

// The text "chmod <mode> " followed by the names, separated by single blanks, each name left
// out when it would not fit a command line of `max_chars` with "SITE " before it.
[[nodiscard]] std::string chmod_text(int mode, const std::vector<std::string>& names,
                                     std::size_t max_chars);

// The chmod command: asks for the mode (remembered in *remembered_mode for the run), sends
// "SITE chmod <mode> <names>" for the selected names, or, when none fits, asks "Enter
// CHMOD string:" for the text to send. A refusal prints "Chmod failed. It may not be
// supported on remote host.". Returns the reply class of SITE, or 0 when nothing was sent.
int change_remote_permissions(NetContext& ctx, int& remembered_mode,
                              const std::vector<std::string>& selected_names,
                              const PermissionsAsker& ask);

}  // namespace varnix::ui

namespace varnix::ui {
// The asker that opens PermissionsDialog over `parent`.
[[nodiscard]] PermissionsAsker dialog_permissions_asker(QWidget* parent, HelpHook help);
}  // namespace varnix::ui
