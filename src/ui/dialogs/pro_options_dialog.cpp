// The "Pro Options" dialog (drag and drop, auto reget, server times on downloads, the idle
// NOOP, the sort order of both panes) and the
// Sort Options dialog that sets one pane's order for the current run only.
#include "ui/dialogs/pro_options_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <tuple>

#include "config/config_file.h"
#include "ui/dialogs/sort_choice.h"
#include "ui/help/help_window.h"

namespace varnix::ui {

namespace {
namespace id {
constexpr int drag = 2415, reget = 2416, local_first = 1851, local_reverse = 1101;
constexpr int mdtm = 2427, idle_noop = 2428;
constexpr int remote_first = 1856, remote_reverse = 1102;
}  // namespace id

constexpr int idle_noop_digits = 4;
constexpr std::int64_t max_idle_noop_s = 3600;

QHBoxLayout* button_row(std::initializer_list<QPushButton*> buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QPushButton* b : buttons) row->addWidget(b);
    return row;
}
}  // namespace

ProOptionsDialog::ProOptionsDialog(NetContext& ctx, OptionsHooks hooks, QWidget* parent)
    : QDialog(parent), ctx_(ctx), hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("DLG_PRO_OPTIONS"));
    setWindowTitle(tr("Pro Options"));
    drag_ = make_check(this, id::drag, tr("&Enable drag and drop between windows"));
    set_control_help(drag_, help::drag_and_drop);
    reget_ = make_check(this, id::reget, tr("Enable auto &reget of failed transfers"));
    mdtm_ = make_check(this, id::mdtm, tr("Downloads keep the server's &modification time"));
    idle_noop_ = make_number_edit(this, id::idle_noop, idle_noop_digits);
    local_ = new SortChoice(tr("Local Files"), id::local_first, id::local_reverse, this);
    remote_ = new SortChoice(tr("Remote Files"), id::remote_first, id::remote_reverse, this);
    auto* save = make_button(this, control_id::ok, tr("Save"));
    auto* cancel = make_button(this, control_id::cancel, tr("&Cancel"));
    auto* help = make_button(this, control_id::manual_button, tr("&Help"));
    save->setDefault(true);

    auto* sorts = new QHBoxLayout;
    sorts->addWidget(local_);
    sorts->addWidget(remote_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(drag_);
    layout->addWidget(reget_);
    layout->addWidget(mdtm_);
    auto* noop_row = new QHBoxLayout;
    noop_row->addWidget(make_label(this, tr("Send NOOP after this many idle &seconds (0: never):"), idle_noop_));
    noop_row->addWidget(idle_noop_);
    noop_row->addStretch(1);
    layout->addLayout(noop_row);
    layout->addLayout(sorts);
    layout->addLayout(button_row({save, cancel, help}));
    set_tab_chain(QList<QWidget*>{drag_, reget_, mdtm_, idle_noop_} + local_->tab_chain() + remote_->tab_chain() +
                  QList<QWidget*>{save, cancel, help});

    const ProgramSettings& s = ctx_.settings;
    drag_->setChecked(s.drag_and_drop != 0);
    reget_->setChecked(s.auto_reget != 0);
    mdtm_->setChecked(s.keep_remote_times != 0);
    idle_noop_->setText(QString::number(s.idle_noop));
    local_->set_code(s.local_sort);
    remote_->set_code(s.remote_sort);

    install_help_keys(*this, hooks_.help, pro_options_help);
    connect(save, &QPushButton::clicked, this, &ProOptionsDialog::save_clicked);
    connect(cancel, &QPushButton::clicked, this, &ProOptionsDialog::reject);
    connect_help_button(help, hooks_.help, pro_options_help);
}

void ProOptionsDialog::save_clicked() {
    ProgramSettings& s = ctx_.settings;
    s.drag_and_drop = drag_->isChecked() ? 1 : 0;
    s.auto_reget = reget_->isChecked() ? 1 : 0;
    s.keep_remote_times = mdtm_->isChecked() ? 1 : 0;
    s.idle_noop = static_cast<int>(field_number(idle_noop_, 0, max_idle_noop_s));
    s.local_sort = local_->code();
    s.remote_sort = remote_->code();
    (void)update_config_file(ctx_, [&](IniFile& ini) {
        IniStatus status;
        for (const auto field : {&ProgramSettings::drag_and_drop, &ProgramSettings::auto_reget,
                                 &ProgramSettings::local_sort, &ProgramSettings::remote_sort})
            if (status.ok())
                status = ini.put_uint(config_section, setting_key(field),
                                      static_cast<std::uint32_t>(s.*field));
        // The newer keys are stored only while they differ from their defaults, so a file
        // written by an older version reads the same after a Save.
        const ProgramSettings defaults;
        for (const auto field : {&ProgramSettings::keep_remote_times, &ProgramSettings::idle_noop}) {
            if (!status.ok()) break;
            status = s.*field == defaults.*field
                         ? ini.put(config_section, setting_key(field), std::nullopt)
                         : ini.put_uint(config_section, setting_key(field),
                                        static_cast<std::uint32_t>(s.*field));
        }
        return status;
    });
    if (ctx_.connected && hooks_.relist_remote) hooks_.relist_remote();
    if (hooks_.relist_local) hooks_.relist_local();
    accept();
}

SortDialog::SortDialog(ProgramSettings& settings, Pane pane, std::function<void()> relist,
                       QWidget* parent)
    : QDialog(parent), settings_(settings), pane_(pane), relist_(std::move(relist)) {
    setObjectName(QStringLiteral("DLG_SORT"));
    setWindowTitle(pane == Pane::Local ? tr("Sort Options - Local") : tr("Sort Options - Remote"));
    choice_ = new SortChoice(tr("Sort Order"), 1851, 1101, this);
    choice_->set_code(pane == Pane::Local ? settings.local_sort : settings.remote_sort);
    auto* ok = make_button(this, control_id::ok, tr("OK"));
    auto* cancel = make_button(this, control_id::cancel, tr("Cancel"));
    ok->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(choice_);
    layout->addLayout(button_row({ok, cancel}));
    set_tab_chain(choice_->tab_chain() + QList<QWidget*>{ok, cancel});
    connect(ok, &QPushButton::clicked, this, [this] {
        (pane_ == Pane::Local ? settings_.local_sort : settings_.remote_sort) = choice_->code();
        if (relist_) relist_();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &SortDialog::reject);
    install_help_keys(*this, nullptr, sort_options_help);
}

}  // namespace varnix::ui
