// The Session Options dialog: the twelve session options, HASH, host type, passive mode and
// firewall use of the current profile, and "Sa&ve as Default" for [_config_].
#include "ui/dialogs/session_options_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "config/config_file.h"

namespace varnix::ui {

namespace {

namespace id {
constexpr int host_type = 107, update = 834, hash = 5040, passive = 836, sorted = 908;
constexpr int firewall = 118, lowercase = 119, convert = 120, send_unique = 5100;
constexpr int receive_unique = 5090, prompt = 5050, first_sound = 1860, first_mode = 1851;
constexpr int first_link = 1856, save_as_default = 953;
}  // namespace id

enum Sound { none = 0, beeps = 1, wave = 2 };
enum Mode { ascii = 0, binary = 1, l8 = 2, auto_detect = 3 };
enum Links { as_directories = 0, as_files = 1 };

QButtonGroup* radio_group(QGroupBox* box, int first_id, std::initializer_list<const char*> captions) {
    return make_radio_group(box, new QVBoxLayout(box), first_id, captions);
}

}  // namespace

SessionOptionsDialog::SessionOptionsDialog(NetContext& ctx, OptionsHooks hooks, QWidget* parent)
    : QDialog(parent), ctx_(ctx), hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("DLG_SES_OPTIONS"));
    setWindowTitle(tr("Session Options"));
    build();
    install_help_keys(*this, hooks_.help, session_options_help);
    show_options();
}

void SessionOptionsDialog::build() {
    host_type_ = new QComboBox(this);
    host_type_->setObjectName(control_name(id::host_type));
    update_ = make_check(this, id::update, tr("&Auto Update Remote Directories"));
    hash_ = make_check(this, id::hash, tr("Sh&ow Transfer Dialog"));
    passive_ = make_check(this, id::passive, tr("&Use PASV Transfer Mode"));
    sorted_ = make_check(this, id::sorted, tr("Sorted &Listboxes (see Pro options)"));
    sorted_->setEnabled(false);
    firewall_ = make_check(this, id::firewall, tr("Use &Firewall"));
    lowercase_ = make_check(this, id::lowercase, tr("Force Lowercase"));
    convert_ = make_check(this, id::convert, tr("Convert Extensions"));
    send_unique_ = make_check(this, id::send_unique, tr("&Send Unique (host assigns name)"));
    receive_unique_ = make_check(this, id::receive_unique, tr("&Receive Unique (PC assigns name)"));
    prompt_ = make_check(this, id::prompt, tr("Prompt for &Destination File Names"));
    auto* sound_box = new QGroupBox(tr("Sounds"), this);
    sounds_ = radio_group(sound_box, id::first_sound, {"None", "Beeps", "Wave"});
    auto* mode_box = new QGroupBox(tr("Transfer &Mode"), this);
    mode_ = radio_group(mode_box, id::first_mode, {"ASCII", "Binary", "L8", "Auto Detect"});
    auto* link_box = new QGroupBox(tr("View links"), this);
    links_ = radio_group(link_box, id::first_link, {"as directories", "as files"});
    auto* as_default = make_button(this, id::save_as_default, tr("Sa&ve as Default"));
    auto* save = make_button(this, control_id::ok, tr("Save"));
    auto* cancel = make_button(this, control_id::cancel, tr("&Cancel"));
    auto* help = make_button(this, control_id::manual_button, tr("&Help"));
    save->setDefault(true);

    auto* type_row = new QHBoxLayout;
    type_row->addWidget(make_label(this, tr("Host &Type:"), host_type_));
    type_row->addWidget(host_type_, 1);
    auto* checks = new QVBoxLayout;
    for (QWidget* w : {update_, hash_, passive_, sorted_, firewall_, lowercase_, convert_,
                       send_unique_, receive_unique_, prompt_})
        checks->addWidget(w);
    checks->addStretch(1);
    auto* groups = new QVBoxLayout;
    groups->addWidget(sound_box);
    groups->addWidget(mode_box);
    groups->addWidget(link_box);
    groups->addStretch(1);
    auto* middle = new QHBoxLayout;
    middle->addLayout(checks, 1);
    middle->addLayout(groups);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(as_default);
    buttons->addStretch(1);
    for (QPushButton* b : {save, cancel, help}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(type_row);
    layout->addLayout(middle);
    layout->addLayout(buttons);

    QList<QWidget*> chain{host_type_, update_, hash_, passive_, firewall_, lowercase_, convert_,
                          send_unique_, receive_unique_, prompt_};
    for (QButtonGroup* group : {sounds_, mode_, links_})
        for (QAbstractButton* b : group->buttons()) chain << b;
    chain << as_default << save << cancel << help;
    set_tab_chain(chain);

    connect(save, &QPushButton::clicked, this, &SessionOptionsDialog::save_clicked);
    connect(as_default, &QPushButton::clicked, this, &SessionOptionsDialog::save_as_default_clicked);
    connect(cancel, &QPushButton::clicked, this, &SessionOptionsDialog::reject);
    connect_help_button(help, hooks_.help, session_options_help);
}

void SessionOptionsDialog::show_options() {
    const SessionOptions& o = ctx_.options;
    fill_host_types(host_type_);
    select_host_type(host_type_, ctx_.session.host_type);
    update_->setChecked(o.relist_after_change != 0);
    hash_->setChecked(ctx_.settings.show_transfer_dialog != 0);
    passive_->setChecked(ctx_.session.passive != 0);
    sorted_->setChecked(o.sorted_lists != 0);
    firewall_->setChecked(ctx_.session.use_firewall != 0);
    lowercase_->setChecked(o.force_lowercase != 0);
    convert_->setChecked(o.convert_extensions != 0);
    send_unique_->setChecked(o.send_unique != 0);
    receive_unique_->setChecked(o.receive_unique != 0);
    prompt_->setChecked(o.prompt_for_names != 0);
    sounds_->button(o.play_sounds && o.use_wave_files ? wave : o.play_sounds ? beeps : none)->setChecked(true);
    const int mode = o.auto_mode                       ? auto_detect
                     : o.mode == static_cast<int>(TransferMode::Ascii)  ? ascii
                     : o.mode == static_cast<int>(TransferMode::Local8) ? l8
                                                   : binary;
    mode_->button(mode)->setChecked(true);
    links_->button(o.links_as_directories == 1 ? as_directories : as_files)->setChecked(true);
}

int SessionOptionsDialog::bell() const { return sounds_->checkedId() == none ? 0 : 1; }
int SessionOptionsDialog::usewave() const { return sounds_->checkedId() == wave ? 1 : 0; }

void SessionOptionsDialog::save_clicked() {
    SessionOptions& o = ctx_.options;
    const auto flag = [](const QCheckBox* box) { return box->isChecked() ? 1 : 0; };
    o.send_unique = flag(send_unique_);
    o.receive_unique = flag(receive_unique_);
    ctx_.session.passive = flag(passive_);
    o.relist_after_change = flag(update_);
    ctx_.settings.show_transfer_dialog = flag(hash_);
    o.prompt_for_names = flag(prompt_);
    o.force_lowercase = flag(lowercase_);
    o.convert_extensions = flag(convert_);
    o.play_sounds = bell();
    o.use_wave_files = usewave();
    switch (mode_->checkedId()) {
    case ascii: o.auto_mode = 0, o.mode = static_cast<int>(TransferMode::Ascii); break;
    case l8: o.auto_mode = 0, o.mode = static_cast<int>(TransferMode::Local8); break;
    case auto_detect: o.auto_mode = 1; break;  // the type chosen before stays as MODE
    default: o.auto_mode = 0, o.mode = static_cast<int>(TransferMode::Binary); break;
    }
    o.sorted_lists = flag(sorted_);
    o.links_as_directories = links_->checkedId() == as_directories ? 1 : 0;
    ctx_.session.host_type = selected_host_type(host_type_);
    ctx_.session.use_firewall = flag(firewall_);

    // Without a current profile there is no section to keep the overrides in.
    const std::string section = ctx_.session.name;
    if (!section.empty()) {
        (void)update_config_file(ctx_, [&](IniFile& ini) {
            const auto put = [&](std::string_view key, int value) {
                profile_put_override(ini, section, key, value);
            };
            // Written in this order, so a new profile's keys read as they always did.
            const auto option = [&](int SessionOptions::*field) { put(option_key(field), o.*field); };
            option(&SessionOptions::send_unique);
            option(&SessionOptions::receive_unique);
            put(profile_key::passive, ctx_.session.passive);
            option(&SessionOptions::relist_after_change);
            put(setting_key(&ProgramSettings::show_transfer_dialog),
                ctx_.settings.show_transfer_dialog);
            option(&SessionOptions::prompt_for_names);
            option(&SessionOptions::force_lowercase);
            option(&SessionOptions::convert_extensions);
            option(&SessionOptions::play_sounds);
            option(&SessionOptions::use_wave_files);
            option(&SessionOptions::auto_mode);
            option(&SessionOptions::mode);
            option(&SessionOptions::sorted_lists);
            option(&SessionOptions::links_as_directories);
            const IniStatus status = ini.put_uint(
                section, profile_key::host_type, static_cast<std::uint32_t>(ctx_.session.host_type));
            put(profile_key::use_firewall, ctx_.session.use_firewall);
            return status;
        });
    }
    if (ctx_.connected && hooks_.relist_remote) hooks_.relist_remote();
    accept();
}

void SessionOptionsDialog::save_as_default_clicked() {
    const auto flag = [](const QCheckBox* box) { return box->isChecked() ? 1u : 0u; };
    const int mode = mode_->checkedId();
    const unsigned mode_code = mode == ascii ? 'A' : mode == l8 ? 'L' : 'I';
    (void)update_config_file(ctx_, [&](IniFile& ini) {
        IniStatus status;
        const auto put = [&](std::string_view key, unsigned value) {
            if (status.ok()) status = ini.put_uint(config_section, key, value);
        };
        put(profile_key::use_firewall, flag(firewall_));
        put(profile_key::passive, flag(passive_));
        put(option_key(&SessionOptions::relist_after_change), flag(update_));
        put(setting_key(&ProgramSettings::show_transfer_dialog), flag(hash_));
        put(option_key(&SessionOptions::send_unique), flag(send_unique_));
        put(option_key(&SessionOptions::receive_unique), flag(receive_unique_));
        put(option_key(&SessionOptions::prompt_for_names), flag(prompt_));
        put(option_key(&SessionOptions::force_lowercase), flag(lowercase_));
        put(option_key(&SessionOptions::convert_extensions), flag(convert_));
        put(option_key(&SessionOptions::play_sounds), static_cast<unsigned>(bell()));
        put(option_key(&SessionOptions::use_wave_files), static_cast<unsigned>(usewave()));
        put(option_key(&SessionOptions::auto_mode), mode == auto_detect ? 1u : 0u);
        put(option_key(&SessionOptions::mode), mode_code);
        put(option_key(&SessionOptions::links_as_directories),
            links_->checkedId() == as_directories ? 1u : 0u);
        return status;
    });
}

}  // namespace varnix::ui
