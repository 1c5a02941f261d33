// The "Remote file permissions" dialog and the chmod command of the remote pane, which sends
// the chosen mode for the selected remote files as "SITE chmod".
#include "ui/dialogs/permissions_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "net/control_connection.h"

namespace varnix::ui {

namespace {
constexpr int first_box = 1101;
constexpr std::array<int, 3> digit_weights{100, 10, 1};  // owner, group, other
constexpr std::array<int, 3> bit_values{4, 2, 1};         // read, write, execute
constexpr std::string_view site_prefix = "SITE ";
}  // namespace

PermissionsDialog::PermissionsDialog(int mode, HelpHook help, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DLG_CHMOD"));
    setWindowTitle(tr("Remote file permissions"));
    auto* groups = new QHBoxLayout;
    const std::array<QString, 3> who{tr("Owner"), tr("Group"), tr("Other")};
    const std::array<QString, 3> what{tr("Read"), tr("Write"), tr("Execute")};
    for (std::size_t g = 0; g < who.size(); ++g) {
        auto* box = new QGroupBox(who[g], this);
        auto* column = new QVBoxLayout(box);
        const int digit = (mode / digit_weights[g]) % 10;
        for (std::size_t b = 0; b < what.size(); ++b) {
            QCheckBox*& check = boxes_[g * 3 + b];
            check = make_check(box, first_box + static_cast<int>(g * 3 + b), what[b]);
            check->setChecked((digit & bit_values[b]) != 0);
            column->addWidget(check);
        }
        groups->addWidget(box);
    }
    auto* note = new QLabel(tr("These are only applicable on UNIX host systems."), this);
    auto* ok = make_button(this, control_id::ok, tr("OK"));
    auto* cancel = make_button(this, control_id::cancel, tr("Cancel"));
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addWidget(note);
    layout->addLayout(buttons);
    QList<QWidget*> chain;
    for (QCheckBox* box : boxes_) chain << box;
    set_tab_chain(chain << ok << cancel);
    install_help_keys(*this, help, permissions_help);
    connect(ok, &QPushButton::clicked, this, &PermissionsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &PermissionsDialog::reject);
}

int PermissionsDialog::mode() const {
    int mode = 777;
    for (std::size_t g = 0; g < 3; ++g)
        for (std::size_t b = 0; b < 3; ++b)
            if (!boxes_[g * 3 + b]->isChecked()) mode -= bit_values[b] * digit_weights[g];
    return mode;
}

std::string chmod_text(int mode, const std::vector<std::string>& names, std::size_t max_chars) {
    std::string text = "chmod " + std::to_string(mode) + " ";
    bool first = true;
    for (const std::string& name : names) {
        const std::size_t added = name.size() + (first ? 0 : 1);
        if (site_prefix.size() + text.size() + added > max_chars) continue;
        if (!first) text += ' ';
        text += name;
        first = false;
    }
    return text;
}

int change_remote_permissions(NetContext& ctx, int& remembered_mode,
                              const std::vector<std::string>& selected_names,
                              const PermissionsAsker& ask) {
    const int mode = ask ? ask(remembered_mode) : 0;
    if (mode == 0) return 0;
    remembered_mode = mode;
    std::string text = chmod_text(mode, selected_names, max_command_line);
    const bool has_name = text.size() > ("chmod " + std::to_string(mode) + " ").size();
    if (!has_name) {
        ctx.prompts.set_help_context(chmod_prompt_help);
        if (!ctx.prompts.ask_text(&text, "Enter CHMOD string:")) return 0;
    }
    const CommandReply reply = send_command_text(ctx, std::string(site_prefix) + text);
    if (!reply.completed()) ctx.messages.print_message("Chmod failed. It may not be supported on remote host.");
    return reply.class_number();
}

}  // namespace varnix::ui

namespace varnix::ui {

PermissionsAsker dialog_permissions_asker(QWidget* parent, HelpHook help) {
    return [parent, help](int remembered_mode) {
        PermissionsDialog dialog(remembered_mode, help, parent);
        return dialog.exec() == QDialog::Accepted ? dialog.mode() : 0;
    };
}

}  // namespace varnix::ui
