// The "Advanced Profile Parameters" dialog: retries, time-out, port, masks, initial
// commands, passive mode, the names' character set, MLSD listings and the one firewall of
// [FIREWALL], on the profile working copy.
#include "ui/dialogs/advanced_profile_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "platform/ini_file.h"
#include "ui/name_charset.h"

namespace varnix::ui {

namespace {

namespace id {
constexpr int retries = 835, timeout = 4040, port = 117, init_cmd = 909;
constexpr int local_mask = 2408, remote_mask = 955, passive = 836, use_firewall = 120;
constexpr int fw_host = 106, fw_user = 108, fw_password = 109, fw_port = 118;
constexpr int fw_save_password = 113, first_fw_type = 1851, tls = 4100;
constexpr int charset = 2425, mlsd = 2426;
}  // namespace id

constexpr std::size_t firewall_text_chars = 78;
constexpr int highest_port = 65535;
constexpr int retries_digits = 3, timeout_digits = 5, port_digits = 5;

constexpr std::array<const char*, 7> firewall_type_captions{
    "SITE hostname", "USER after logon", "USER with no logon", "Proxy OPEN ",
    "user@host fireID", "fireID@host", "Transparent"};
constexpr int proxy_open = 3;  // stored when no type is checked

// In TlsMode order.
constexpr std::array<const char*, 4> tls_captions{
    "None (plain FTP)", "Explicit TLS when offered", "Explicit TLS required", "Implicit TLS"};

}  // namespace

int corrected_retries(std::int64_t typed) { return static_cast<int>(std::clamp<std::int64_t>(typed, 0, 40)); }

int corrected_timeout(std::int64_t typed) {
    return typed <= 0 ? 65 : static_cast<int>(std::min<std::int64_t>(typed, 99999));
}

int corrected_port(std::int64_t typed) {
    return typed < 10 ? 21 : static_cast<int>(std::min<std::int64_t>(typed, highest_port));
}

int corrected_firewall_port(std::int64_t typed) {
    return typed < 28 ? 21 : static_cast<int>(std::min<std::int64_t>(typed, highest_port));
}

AdvancedProfileDialog::AdvancedProfileDialog(ConfigContext& ctx, ProfileEditState& state,
                                             HelpHook help, QWidget* parent)
    : QDialog(parent), ctx_(ctx), state_(state), help_(std::move(help)) {
    setObjectName(QStringLiteral("DLG_ADV_CONNECT"));
    setWindowTitle(tr("Advanced Profile Parameters"));
    build();
    install_help_keys(*this, help_, profile_keys_help);
    show_fields();
}

void AdvancedProfileDialog::build() {
    retries_ = make_number_edit(this, id::retries, retries_digits);
    timeout_ = make_number_edit(this, id::timeout, timeout_digits);
    port_ = make_number_edit(this, id::port, port_digits);
    tls_ = new QComboBox(this);
    tls_->setObjectName(control_name(id::tls));
    for (const char* caption : tls_captions) tls_->addItem(tr(caption));
    init_cmd_ = make_text_edit(this, id::init_cmd, static_cast<int>(session_limits::init_cmd));
    local_mask_ = make_text_edit(this, id::local_mask, static_cast<int>(session_limits::local_mask));
    remote_mask_ = make_text_edit(this, id::remote_mask,
                                  static_cast<int>(session_limits::remote_mask));
    for (QLineEdit* text : {init_cmd_, local_mask_, remote_mask_})
        text->setMinimumWidth(text->fontMetrics().averageCharWidth() * 24);
    passive_ = make_check(this, id::passive, tr("Passive transfers"));
    use_firewall_ = make_check(this, id::use_firewall, tr("Use Firewall"));
    charset_ = new QComboBox(this);
    charset_->setObjectName(control_name(id::charset));
    charset_->addItem(tr("Automatic"), QString());
    for (const QString& name : name_charsets()) charset_->addItem(name, name);
    mlsd_ = make_check(this, id::mlsd, tr("List with MLSD when the server offers it"));

    auto* firewall = new QGroupBox(tr("Firewall"), this);
    firewall_box_ = firewall;
    fw_host_ = make_text_edit(firewall, id::fw_host, static_cast<int>(firewall_text_chars));
    fw_user_ = make_text_edit(firewall, id::fw_user, static_cast<int>(firewall_text_chars));
    fw_password_ = make_text_edit(firewall, id::fw_password, static_cast<int>(firewall_text_chars));
    fw_password_->setEchoMode(QLineEdit::Password);
    fw_port_ = make_number_edit(firewall, id::fw_port, port_digits);
    fw_save_password_ = make_check(firewall, id::fw_save_password, tr("Save Password"));
    auto* types = new QGroupBox(tr("Firewall Type"), firewall);
    fw_type_ = new QButtonGroup(this);
    auto* type_layout = new QGridLayout(types);
    for (int i = 0; i < static_cast<int>(firewall_type_captions.size()); ++i) {
        auto* radio = make_radio(types, id::first_fw_type + i,
                                 QString::fromLatin1(firewall_type_captions[i]));
        fw_type_->addButton(radio, i);
        type_layout->addWidget(radio, i % 4, i / 4);
    }

    auto* ok = make_button(this, control_id::ok, tr("OK"));
    auto* cancel = make_button(this, control_id::cancel, tr("Cancel"));
    auto* help = make_button(this, control_id::manual_button, tr("&Help"));
    ok->setDefault(true);

    auto* left = new QGridLayout;
    int row = 0;
    const auto add_row = [&](QGridLayout* grid, QWidget* owner, const QString& caption,
                             QWidget* field, int& at) {
        grid->addWidget(make_label(owner, caption, field), at, 0);
        // Number fields keep their own width at the left of the column.
        grid->addWidget(field, at, 1, field->maximumWidth() < QWIDGETSIZE_MAX ? Qt::AlignLeft : Qt::Alignment());
        ++at;
    };
    add_row(left, this, tr("Connection Retry:"), retries_, row);
    add_row(left, this, tr("Network &Timeout:"), timeout_, row);
    add_row(left, this, tr("Remote P&ort:"), port_, row);
    add_row(left, this, tr("T&LS:"), tls_, row);
    add_row(left, this, tr("Initialize Command:"), init_cmd_, row);
    add_row(left, this, tr("Local file mask:"), local_mask_, row);
    add_row(left, this, tr("Remote file mask:"), remote_mask_, row);
    add_row(left, this, tr("&Character set:"), charset_, row);
    left->addWidget(passive_, row++, 0, 1, 2);
    left->addWidget(mlsd_, row++, 0, 1, 2);
    left->addWidget(use_firewall_, row++, 0, 1, 2);
    left->setRowStretch(row, 1);
    left->setColumnStretch(1, 1);

    auto* fw_grid = new QGridLayout(firewall);
    int fw_row = 0;
    add_row(fw_grid, firewall, tr("Host &Name:"), fw_host_, fw_row);
    add_row(fw_grid, firewall, tr("&User ID:"), fw_user_, fw_row);
    add_row(fw_grid, firewall, tr("&Password:"), fw_password_, fw_row);
    add_row(fw_grid, firewall, tr("Po&rt:"), fw_port_, fw_row);
    fw_grid->addWidget(fw_save_password_, fw_row++, 1);
    fw_grid->addWidget(types, fw_row++, 0, 1, 2);
    fw_grid->setColumnStretch(1, 1);

    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addWidget(firewall, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {ok, cancel, help}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);

    set_tab_chain({retries_, timeout_, port_, tls_, init_cmd_, local_mask_, remote_mask_, charset_, passive_,
                   mlsd_, use_firewall_, fw_host_, fw_user_, fw_password_, fw_port_, fw_save_password_,
                   fw_type_->button(0), fw_type_->button(1), fw_type_->button(2),
                   fw_type_->button(3), fw_type_->button(4), fw_type_->button(5),
                   fw_type_->button(6), ok, cancel, help});

    connect(tls_, &QComboBox::activated, this, &AdvancedProfileDialog::tls_changed);
    connect(use_firewall_, &QCheckBox::toggled, this, &AdvancedProfileDialog::enable_firewall_fields);
    connect(ok, &QPushButton::clicked, this, &AdvancedProfileDialog::ok_clicked);
    connect(cancel, &QPushButton::clicked, this, &AdvancedProfileDialog::reject);
    connect_help_button(help, help_, advanced_profile_help);
}

void AdvancedProfileDialog::show_fields() {
    Session& w = state_.working;
    retries_->setText(QString::number(w.retries));
    timeout_->setText(QString::number(w.timeout));
    passive_->setChecked(w.passive != 0);
    mlsd_->setChecked(w.mlsd != 0);
    // A set this Qt cannot decode stays as stored (the panes then show names automatically).
    const QString charset = QString::fromStdString(w.charset);
    int at = charset_->findData(charset);
    if (at < 0) {
        charset_->addItem(charset, charset);
        at = charset_->count() - 1;
    }
    charset_->setCurrentIndex(at);
    local_mask_->setText(shown_text(w.local_mask));
    remote_mask_->setText(shown_text(w.remote_mask));
    init_cmd_->setText(shown_text(w.init_cmd));
    use_firewall_->setChecked(w.use_firewall != 0);

    const FirewallSettings stored = read_firewall_settings(ctx_);
    FirewallSettings& buffers = state_.firewall;
    if (!stored.host.empty()) {
        buffers.host = stored.host;
        buffers.user = stored.user;
        buffers.password_saved = stored.password_saved;
        if (stored.password_saved) buffers.password = stored.password;
        if (w.port < 10) w.port = 21;
    }
    port_->setText(QString::number(w.port));
    tls_->setCurrentIndex(static_cast<int>(w.tls));
    const std::int32_t fw_port = ini_get_int(ctx_.config_path, "FIREWALL", "PORT", w.port);
    fw_port_->setText(QString::number(static_cast<std::uint32_t>(fw_port)));
    fw_host_->setText(shown_text(buffers.host));
    fw_user_->setText(shown_text(buffers.user));
    fw_password_->setText(shown_text(buffers.password));
    fw_save_password_->setChecked(buffers.password_saved);
    if (QAbstractButton* type = fw_type_->button(stored.type)) type->setChecked(true);
    enable_firewall_fields(use_firewall_->isChecked());
}

void AdvancedProfileDialog::enable_firewall_fields(bool on) {
    for (QWidget* w : {static_cast<QWidget*>(fw_host_), static_cast<QWidget*>(fw_user_),
                       static_cast<QWidget*>(fw_password_), static_cast<QWidget*>(fw_port_)})
        w->setEnabled(on);
    for (QAbstractButton* b : fw_type_->buttons()) b->setEnabled(on);
}

// Implicit TLS has its own port: the port follows the choice while it holds the other default.
void AdvancedProfileDialog::tls_changed(int index) {
    const auto mode = static_cast<TlsMode>(index);
    const std::int64_t port = field_number(port_, 0, 99999);
    if (mode == TlsMode::Implicit && port == default_port(TlsMode::Plain))
        port_->setText(QString::number(implicit_tls_port));
    else if (mode != TlsMode::Implicit && port == implicit_tls_port)
        port_->setText(QString::number(default_port(TlsMode::Plain)));
}

void AdvancedProfileDialog::ok_clicked() {
    Session& w = state_.working;
    w.retries = corrected_retries(field_number(retries_, 0, 999));
    w.timeout = corrected_timeout(field_number(timeout_, 0, 99999));
    w.port = corrected_port(field_number(port_, 0, 99999));
    w.tls = tls_mode_from_key(tls_->currentIndex());
    w.init_cmd = field_text(init_cmd_, session_limits::init_cmd);
    w.local_mask = field_text(local_mask_, session_limits::local_mask);
    w.remote_mask = field_text(remote_mask_, session_limits::remote_mask);
    w.passive = passive_->isChecked() ? 1 : 0;
    w.mlsd = mlsd_->isChecked() ? 1 : 0;
    w.charset = field_text(charset_->currentData().toString(), session_limits::charset);
    if (use_firewall_->isChecked()) {
        w.use_firewall = 1;
        FirewallSettings& fw = state_.firewall;
        fw.host = field_text(fw_host_, firewall_text_chars);
        fw.user = field_text(fw_user_, firewall_text_chars);
        fw.password = field_text(fw_password_, firewall_text_chars);
        fw.password_saved = fw_save_password_->isChecked();
        fw.type = fw_type_->checkedId() >= 0 ? fw_type_->checkedId() : proxy_open;
        fw.port = corrected_firewall_port(field_number(fw_port_, 0, 99999));
        w.firewall_type = fw.type;
        w.port = fw.port;
        write_firewall_settings(ctx_, fw);
    } else {
        w.use_firewall = 0;
    }
    accept();
}

}  // namespace varnix::ui
