// The Program Options dialog: the program-wide settings of [_config_] (layout, messages,
// viewer, e-mail address, transfer log, double click, rates, buffer sizes, list font).
#include "ui/dialogs/program_options_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <array>

#include "config/config_file.h"

namespace varnix::ui {

namespace {

namespace id {
constexpr int layout = 907, buttons_on_top = 912, long_dir = 833, autosave = 837;
constexpr int verify_delete = 952, autostart = 5120, debug = 5110, viewer = 3020;
constexpr int mail = 5250, log_file = 2406, log_enabled = 2407, first_double_click = 125;
constexpr int first_rate = 1851, receive_bytes = 958, send_bytes = 959, first_font = 131;
constexpr int scale = 2403;
}  // namespace id

constexpr int buffer_digits = 7;
constexpr int custom_font = 4;

}  // namespace

ProgramOptionsDialog::ProgramOptionsDialog(ConfigContext& ctx, OptionsHooks hooks,
                                           QWidget* parent)
    : QDialog(parent), ctx_(ctx), hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("DLG_PROG_OPTIONS"));
    setWindowTitle(tr("Program Options"));
    build();
    install_help_keys(*this, hooks_.help, program_options_help);
    show_settings();
}

void ProgramOptionsDialog::build() {
    layout_ = make_check(this, id::layout, tr("Alter&nate Screen Layout"));
    buttons_on_top_ = make_check(this, id::buttons_on_top, tr("Show &Buttons at Top of Screen"));
    long_dir_ = make_check(this, id::long_dir, tr("Show Full Directory &Information"));
    autosave_ = make_check(this, id::autosave, tr("Auto &Save Host Configurations"));
    verify_delete_ = make_check(this, id::verify_delete, tr("&Verify Deletions"));
    autostart_ = make_check(this, id::autostart, tr("Show &Connect Dialog on Startup"));
    debug_ = make_check(this, id::debug, tr("&Debug Messages"));
    viewer_ = make_text_edit(this, id::viewer, static_cast<int>(config_limits::viewer));
    mail_ = make_text_edit(this, id::mail, static_cast<int>(config_limits::mail_address));
    log_file_ = make_text_edit(this, id::log_file, static_cast<int>(config_limits::logfile));
    log_enabled_ = make_check(this, id::log_enabled, tr("Enable log"));

    auto* click_box = new QGroupBox(tr("&Double Click"), this);
    auto* click_layout = new QVBoxLayout(click_box);
    double_click_ = make_radio_group(click_box, click_layout, id::first_double_click,
                                {"Transfer", "View", "Nothing"});
    auto* rate_box = new QGroupBox(tr("Transfer Rates"), this);
    auto* rate_layout = new QVBoxLayout(rate_box);
    rates_ = make_radio_group(rate_box, rate_layout, id::first_rate, {"bits/sec", "Bytes/sec"});
    auto* buffer_box = new QGroupBox(tr("Buffer Sizes"), this);
    auto* buffer_grid = new QGridLayout(buffer_box);
    receive_bytes_ = make_number_edit(buffer_box, id::receive_bytes, buffer_digits);
    send_bytes_ = make_number_edit(buffer_box, id::send_bytes, buffer_digits);
    buffer_grid->addWidget(make_label(buffer_box, tr("Recv Bytes"), receive_bytes_), 0, 0);
    buffer_grid->addWidget(receive_bytes_, 0, 1);
    buffer_grid->addWidget(make_label(buffer_box, tr("Send Bytes"), send_bytes_), 1, 0);
    buffer_grid->addWidget(send_bytes_, 1, 1);
    auto* font_box = new QGroupBox(tr("Listbox &Font"), this);
    auto* font_layout = new QVBoxLayout(font_box);
    font_ = make_radio_group(font_box, font_layout, id::first_font,
                             {"System Variable", "System Fixed", "ANSI Variable", "ANSI Fixed",
                              "Custom Font"});
    scale_ = make_check(font_box, id::scale, tr("Scale Fonts"));
    font_layout->addWidget(scale_);
    font_layout->addStretch(1);

    auto* save = make_button(this, control_id::ok, tr("Save"));
    auto* cancel = make_button(this, control_id::cancel, tr("Cancel"));
    auto* help = make_button(this, control_id::manual_button, tr("&Help"));
    save->setDefault(true);

    auto* checks = new QVBoxLayout;
    for (QWidget* w : {layout_, buttons_on_top_, long_dir_, autosave_, verify_delete_, autostart_,
                       debug_})
        checks->addWidget(w);
    checks->addStretch(1);
    auto* texts = new QGridLayout;
    texts->addWidget(make_label(this, tr("Text &Viewer:"), viewer_), 0, 0);
    texts->addWidget(viewer_, 0, 1, 1, 2);
    texts->addWidget(make_label(this, tr("&E-Mail Address:"), mail_), 1, 0);
    texts->addWidget(mail_, 1, 1, 1, 2);
    texts->addWidget(make_label(this, tr("Log filename:"), log_file_), 2, 0);
    texts->addWidget(log_file_, 2, 1);
    texts->addWidget(log_enabled_, 2, 2);
    texts->setColumnStretch(1, 1);
    auto* groups = new QVBoxLayout;
    groups->addWidget(click_box);
    groups->addWidget(rate_box);
    groups->addWidget(buffer_box);
    auto* top = new QHBoxLayout;
    top->addLayout(checks, 1);
    top->addLayout(groups);
    top->addWidget(font_box);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {save, cancel, help}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(texts);
    layout->addLayout(buttons);

    QList<QWidget*> chain{layout_, buttons_on_top_, long_dir_, autosave_, verify_delete_,
                          autostart_, debug_};
    for (QAbstractButton* b : double_click_->buttons()) chain << b;
    for (QAbstractButton* b : rates_->buttons()) chain << b;
    chain << receive_bytes_ << send_bytes_;
    for (QAbstractButton* b : font_->buttons()) chain << b;
    chain << scale_ << viewer_ << mail_ << log_file_ << log_enabled_ << save << cancel << help;
    set_tab_chain(chain);

    connect(font_->button(custom_font), &QAbstractButton::clicked, this, [this] {
        if (hooks_.choose_custom_font) hooks_.choose_custom_font(this);
    });
    connect(save, &QPushButton::clicked, this, &ProgramOptionsDialog::save_clicked);
    connect(cancel, &QPushButton::clicked, this, &ProgramOptionsDialog::reject);
    connect_help_button(help, hooks_.help, program_options_help);
}

void ProgramOptionsDialog::show_settings() {
    const ProgramSettings& s = ctx_.settings;
    layout_->setChecked(s.alternate_layout != 0);
    buttons_on_top_->setChecked(s.buttons_on_top != 0);
    long_dir_->setChecked(s.full_directory_info != 0);
    autosave_->setChecked(s.auto_save_profiles != 0);
    verify_delete_->setChecked(s.verify_deletions != 0);
    autostart_->setChecked(s.connect_at_start != 0);
    debug_->setChecked(s.verbose != 0);
    viewer_->setText(shown_text(read_viewer(ctx_)));
    mail_->setText(shown_text(s.mail_address));
    const LogSettings log = read_log_settings(ctx_);
    log_file_->setText(shown_text(log.file));
    log_enabled_->setChecked(log.enabled);
    if (QAbstractButton* b = double_click_->button(s.double_click_action < 0 || s.double_click_action > 2 ? 2 : s.double_click_action))
        b->setChecked(true);
    rates_->button(s.rates_in_bytes == 1 ? 1 : 0)->setChecked(true);
    receive_bytes_->setText(QString::number(s.receive_chunk_bytes));
    send_bytes_->setText(QString::number(s.send_chunk_bytes));
    if (QAbstractButton* b = font_->button(s.list_font)) b->setChecked(true);
    scale_->setChecked(s.scale_fonts != 0);
}

void ProgramOptionsDialog::save_clicked() {
    ProgramSettings& s = ctx_.settings;
    const int old_layout = s.alternate_layout, old_bontop = s.buttons_on_top;
    const auto flag = [](const QCheckBox* box) { return box->isChecked() ? 1 : 0; };
    s.alternate_layout = flag(layout_);
    s.buttons_on_top = flag(buttons_on_top_);
    s.full_directory_info = flag(long_dir_);
    s.auto_save_profiles = flag(autosave_);
    s.verify_deletions = flag(verify_delete_);
    s.connect_at_start = flag(autostart_);
    s.verbose = flag(debug_);
    const std::string viewer = field_text(viewer_, config_limits::viewer);
    s.mail_address = field_text(mail_, config_limits::mail_address);
    const std::string log_file = field_text(log_file_, config_limits::logfile);
    s.log_transfers = flag(log_enabled_);
    s.double_click_action = double_click_->checkedId() == 0 ? 0 : double_click_->checkedId() == 1 ? 1 : 2;
    s.rates_in_bytes = rates_->checkedId() == 1 ? 1 : 0;
    namespace limits = transfer_buffer_limits;
    s.receive_chunk_bytes = static_cast<int>(field_number(receive_bytes_, limits::smallest, limits::largest));
    s.send_chunk_bytes = static_cast<int>(field_number(send_bytes_, limits::smallest, limits::largest));
    if (font_->checkedId() >= 0) s.list_font = font_->checkedId();
    s.scale_fonts = flag(scale_);
    ctx_.messages.set_verbose(s.verbose == 1);
    layout_changed_ = s.alternate_layout != old_layout || s.buttons_on_top != old_bontop;

    (void)update_config_file(ctx_, [&](IniFile& ini) {
        IniStatus status;
        const auto number = [&](int ProgramSettings::*field) {
            if (status.ok())
                status = ini.put_uint(config_section, setting_key(field),
                                      static_cast<std::uint32_t>(s.*field));
        };
        const auto text = [&](std::string_view key, const std::string& value) {
            if (status.ok()) status = ini.put(config_section, key, value);
        };
        number(&ProgramSettings::alternate_layout);
        number(&ProgramSettings::buttons_on_top);
        number(&ProgramSettings::full_directory_info);
        number(&ProgramSettings::auto_save_profiles);
        number(&ProgramSettings::verify_deletions);
        number(&ProgramSettings::connect_at_start);
        number(&ProgramSettings::verbose);
        text("VIEWER", viewer);
        text("MAILADDR", s.mail_address);
        text("logfile", log_file);
        number(&ProgramSettings::log_transfers);
        number(&ProgramSettings::double_click_action);
        number(&ProgramSettings::rates_in_bytes);
        number(&ProgramSettings::receive_chunk_bytes);
        number(&ProgramSettings::send_chunk_bytes);
        number(&ProgramSettings::list_font);
        number(&ProgramSettings::scale_fonts);
        return status;
    });
    accept();
}

}  // namespace varnix::ui
