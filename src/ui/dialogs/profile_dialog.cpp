// The "Session Profile" dialog: picks, creates, edits, saves and deletes session profiles on a
// working copy of the Session; the connect command copies the copy over the current one.
#include "ui/dialogs/profile_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "config/profiles.h"
#include "platform/ini_file.h"
#include "ui/dialogs/advanced_profile_dialog.h"

namespace varnix::ui {

namespace {

namespace id {
constexpr int name = 105, remove = 102, save = 101, add_new = 103;
constexpr int host = 106, host_type = 107, user = 108, password = 109, account = 119;
constexpr int remote_dir = 110, local_dir = 832, comment = 954;
constexpr int anonymous = 111, save_password = 113, autosave = 837, advanced = 913;
}  // namespace id

constexpr std::size_t comment_read_chars = 79;
constexpr std::size_t comment_chars = 78;
constexpr const char* dialog_caption = "Session Profile";

bool is_anonymous(std::string_view user) { return equal_ignoring_case(user, "anonymous"); }

std::string without_leading_spaces(std::string text) {
    text.erase(0, text.find_first_not_of(' ') == std::string::npos ? text.size()
                                                                  : text.find_first_not_of(' '));
    return text;
}

}  // namespace

std::optional<std::string> profile_name_problem(std::string_view name) {
    if (name.find_first_of(std::string_view("]=\r\n\0", 5)) != std::string_view::npos)
        return "A profile name cannot hold \"]\", \"=\", a line break or a NUL character.";
    for (const std::string_view reserved : {"_config_", "FIREWALL", "VARNIX"})
        if (equal_ignoring_case(name, reserved))
            return "\"" + std::string(name) +
                   "\" holds the program's own settings and cannot be a profile name.";
    return std::nullopt;
}

ProfileDialog::ProfileDialog(ConfigContext& ctx, ProfileEditState& state, HelpHook help,
                             QWidget* parent)
    : QDialog(parent), ctx_(ctx), state_(state), help_(std::move(help)) {
    setObjectName(QStringLiteral("DLG_HOST"));
    setWindowTitle(QString::fromLatin1(dialog_caption));
    build();
    install_help_keys(*this, help_, profile_keys_help);
    open_profile();
}

void ProfileDialog::build() {
    name_ = new QComboBox(this);
    name_->setObjectName(control_name(id::name));
    name_->setEditable(true);
    name_->setInsertPolicy(QComboBox::NoInsert);
    name_->lineEdit()->setMaxLength(static_cast<int>(session_limits::name));
    name_->setMinimumContentsLength(24);
    delete_ = make_button(this, id::remove, tr("D&elete"));
    save_ = make_button(this, id::save, tr("&Save"));
    new_ = make_button(this, id::add_new, tr("Ne&w"));
    host_ = make_text_edit(this, id::host, static_cast<int>(session_limits::host));
    host_type_ = new QComboBox(this);
    host_type_->setObjectName(control_name(id::host_type));
    user_ = make_text_edit(this, id::user, static_cast<int>(session_limits::user));
    password_ = make_text_edit(this, id::password, static_cast<int>(session_limits::password));
    password_->setEchoMode(QLineEdit::Password);
    account_ = make_text_edit(this, id::account, static_cast<int>(session_limits::account));
    comment_ = make_text_edit(this, id::comment, static_cast<int>(comment_chars));
    anonymous_ = make_check(this, id::anonymous, tr("Anonymous &Login"));
    save_password_ = make_check(this, id::save_password, tr("Sa&ve Password"));
    autosave_ = make_check(this, id::autosave, tr("Auto Save Config"));
    auto* directories = new QGroupBox(tr("Initial Directories"), this);
    remote_dir_ = make_text_edit(directories, id::remote_dir,
                                 static_cast<int>(session_limits::remote_dir));
    local_dir_ = make_text_edit(directories, id::local_dir,
                                static_cast<int>(session_limits::local_dir));
    auto* ok = make_button(this, control_id::ok, tr("OK"));
    auto* cancel = make_button(this, control_id::cancel, tr("Cancel"));
    auto* advanced = make_button(this, id::advanced, tr("&Advanced..."));
    auto* help = make_button(this, control_id::manual_button, tr("&Help"));
    ok->setDefault(true);

    auto* grid = new QGridLayout;
    int row = 0;
    const auto add_row = [&](const QString& caption, QWidget* field, QWidget* beside = nullptr) {
        grid->addWidget(make_label(this, caption, field), row, 0);
        grid->addWidget(field, row, 1);
        if (beside) grid->addWidget(beside, row, 2);
        ++row;
    };
    auto* profile_buttons = new QHBoxLayout;
    profile_buttons->addWidget(delete_);
    profile_buttons->addWidget(save_);
    profile_buttons->addWidget(new_);
    grid->addWidget(make_label(this, tr("&Profile Name:"), name_), row, 0);
    grid->addWidget(name_, row, 1);
    grid->addLayout(profile_buttons, row, 2);
    ++row;
    add_row(tr("Host &Name:"), host_);
    add_row(tr("Host &Type:"), host_type_);
    add_row(tr("&User ID:"), user_, anonymous_);
    add_row(tr("Passwor&d:"), password_, save_password_);
    add_row(tr("A&ccount:"), account_, autosave_);
    add_row(tr("&Comment:"), comment_);
    grid->setColumnStretch(1, 1);

    auto* dir_grid = new QGridLayout(directories);
    dir_grid->addWidget(make_label(directories, tr("Remote H&ost:"), remote_dir_), 0, 0);
    dir_grid->addWidget(remote_dir_, 0, 1);
    dir_grid->addWidget(make_label(directories, tr("Local &PC:"), local_dir_), 1, 0);
    dir_grid->addWidget(local_dir_, 1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {ok, cancel, advanced, help}) buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(directories);
    layout->addLayout(buttons);
    set_tab_chain({name_, delete_, save_, new_, host_, host_type_, user_, anonymous_, password_,
                   save_password_, account_, autosave_, comment_, remote_dir_, local_dir_, ok,
                   cancel, advanced, help});

    connect(name_, &QComboBox::textActivated, this, &ProfileDialog::profile_name_changed);
    connect(name_, &QComboBox::editTextChanged, this, &ProfileDialog::profile_name_changed);
    connect(anonymous_, &QCheckBox::clicked, this, &ProfileDialog::anonymous_clicked);
    connect(save_, &QPushButton::clicked, this, &ProfileDialog::save_clicked);
    connect(ok, &QPushButton::clicked, this, &ProfileDialog::ok_clicked);
    connect(cancel, &QPushButton::clicked, this, &ProfileDialog::reject);
    connect(new_, &QPushButton::clicked, this, &ProfileDialog::new_clicked);
    connect(delete_, &QPushButton::clicked, this, &ProfileDialog::delete_clicked);
    connect(advanced, &QPushButton::clicked, this, &ProfileDialog::advanced_clicked);
    connect_help_button(help, help_, profile_dialog_help);
}

void ProfileDialog::open_profile() {
    showing_ = true;
    std::vector<std::string> names = list_profiles(ctx_);
    QStringList list;
    for (const std::string& name : names) list << shown_text(name);
    list.sort(Qt::CaseInsensitive);
    name_->addItems(list);
    fill_host_types(host_type_);
    showing_ = false;

    options_at_open_ = ctx_.options;
    state_.working = ctx_.session;
    (void)load_profile(ctx_, state_.working);
    password_ban_ = password_saving_banned(ctx_);
    if (password_ban_) {
        save_password_->hide();
        state_.working.password_saved = 0;
    }
    show_record();
    if (is_anonymous(state_.working.user) && state_.working.password.empty()) {
        ask_mail_address();
        state_.working.password = cut_to(ctx_.settings.mail_address, session_limits::password);
        password_->setText(shown_text(state_.working.password));
    }
    autosave_->setChecked(ctx_.settings.auto_save_profiles != 0);
}

// Fills every field from the working copy and the profile's COMMENT.
void ProfileDialog::show_record() {
    const Session& w = state_.working;
    showing_ = true;
    name_->setEditText(shown_text(w.name));
    host_->setText(shown_text(w.host));
    select_host_type(host_type_, w.host_type);
    user_->setText(shown_text(w.user));
    password_->setText(shown_text(w.password));
    account_->setText(shown_text(w.account));
    save_password_->setChecked(w.password_saved != 0);
    const bool anonymous = is_anonymous(w.user);
    anonymous_->setChecked(anonymous);
    password_->setEchoMode(anonymous ? QLineEdit::Normal : QLineEdit::Password);
    remote_dir_->setText(shown_text(w.remote_dir));
    local_dir_->setText(shown_text(w.local_dir));
    const std::string comment =
        w.name.empty() ? std::string()
                       : ini_get_string(ctx_.config_path, w.name, "COMMENT", "", comment_read_chars);
    comment_->setText(shown_text(comment));
    showing_ = false;
}

void ProfileDialog::profile_name_changed(const QString& text) {
    if (showing_) return;
    const std::string name = field_text(text, session_limits::name);
    if (name.empty() || profile_name_problem(name)) return;
    if (ini_get_string(ctx_.config_path, name, profile_key::host, "", session_limits::host).empty()) return;
    const int cursor = name_->lineEdit()->cursorPosition();
    state_.working.name = name;
    (void)load_profile(ctx_, state_.working);
    if (password_ban_) state_.working.password_saved = 0;
    show_record();
    name_->lineEdit()->setCursorPosition(cursor);
}

void ProfileDialog::ask_mail_address() {
    std::string& mail = ctx_.settings.mail_address;
    while (mail.empty()) {
        ctx_.prompts.set_help_context(270);
        if (!ctx_.prompts.ask_text(&mail, "Enter your e-mail address:")) break;
    }
}

void ProfileDialog::anonymous_clicked(bool checked) {
    if (checked) {
        user_->setText(QStringLiteral("anonymous"));
        ask_mail_address();
        password_->setText(shown_text(ctx_.settings.mail_address));
        account_->clear();
        password_->setEchoMode(QLineEdit::Normal);
    } else {
        password_->setEchoMode(QLineEdit::Password);
    }
    anonymous_->setFocus();
}

// The fields common to Save and OK. False (after telling the user why) when the name cannot
// be stored; nothing is taken then.
bool ProfileDialog::take_fields(bool for_saving) {
    const std::string host = field_text(host_, session_limits::host);
    std::string name = field_text(name_->currentText(), session_limits::name);
    if (name.empty()) name = host;
    name = without_leading_spaces(std::move(name));
    if (const auto problem = profile_name_problem(name)) {
        tell_user(ctx_, this, *problem, dialog_caption);
        name_->setFocus();
        return false;
    }
    if (for_saving && name.empty()) {
        tell_user(ctx_, this, "Enter a profile name or a host name to save the profile under.",
                  dialog_caption);
        name_->setFocus();
        return false;
    }
    ctx_.settings.auto_save_profiles = autosave_->isChecked() ? 1 : 0;
    Session& w = state_.working;
    w.host = host;
    w.name = name;
    w.user = field_text(user_, session_limits::user);
    w.password = field_text(password_, session_limits::password);
    w.account = field_text(account_, session_limits::account);
    w.password_saved = !password_ban_ && save_password_->isChecked() ? 1 : 0;
    w.host_type = selected_host_type(host_type_);
    w.remote_dir = field_text(remote_dir_, session_limits::remote_dir);
    w.local_dir = field_text(local_dir_, session_limits::local_dir);
    return true;
}

// save_profile, then the COMMENT it does not carry.
void ProfileDialog::save_current() {
    const Session& w = state_.working;
    save_profile(ctx_, w);
    const std::string comment = field_text(comment_, comment_chars);
    (void)update_config_file(ctx_, [&](IniFile& ini) {
        return ini.put(w.name, "COMMENT",
                       comment.empty() ? std::nullopt : std::optional<std::string_view>(comment));
    });
    add_to_list(shown_text(w.name));
}

void ProfileDialog::add_to_list(const QString& name) {
    if (name_->findText(name, Qt::MatchFixedString | Qt::MatchCaseSensitive) >= 0) return;
    int at = 0;
    while (at < name_->count() && name_->itemText(at).compare(name, Qt::CaseInsensitive) < 0) ++at;
    showing_ = true;
    const QString typed = name_->currentText();
    name_->insertItem(at, name);
    name_->setEditText(typed);
    showing_ = false;
}

void ProfileDialog::save_clicked() {
    if (!take_fields(true)) return;
    save_current();
    showing_ = true;
    name_->setEditText(shown_text(state_.working.name));
    showing_ = false;
    name_->setFocus();
}

void ProfileDialog::ok_clicked() {
    if (!take_fields(autosave_->isChecked())) return;
    if (ctx_.settings.auto_save_profiles) save_current();
    accept();
}

void ProfileDialog::reject() {
    state_.working = ctx_.session;
    ctx_.options = options_at_open_;
    QDialog::reject();
}

void ProfileDialog::new_clicked() {
    state_.working.name.clear();
    (void)load_profile(ctx_, state_.working);
    // A new profile uses TLS whenever the server offers it.
    state_.working.tls = TlsMode::WhenOffered;
    if (password_ban_) state_.working.password_saved = 0;
    show_record();
    showing_ = true;
    name_->setEditText(QString());
    showing_ = false;
    name_->setFocus();
}

void ProfileDialog::delete_clicked() {
    const std::string name = field_text(name_->currentText(), session_limits::name);
    if (name.empty()) return;
    if (const auto problem = profile_name_problem(name)) {
        tell_user(ctx_, this, *problem, dialog_caption);
        return;
    }
    (void)update_config_file(ctx_, [&](IniFile& ini) {
        ini.erase_section(name);
        return IniStatus{};
    });
    showing_ = true;
    const int at = name_->findText(shown_text(name), Qt::MatchFixedString);
    if (at >= 0) {
        name_->removeItem(at);
        name_->setCurrentIndex(at < name_->count() ? at : (name_->count() > 0 ? 0 : -1));
    }
    const QString now_named = at < 0 ? shown_text(name)
                              : name_->currentIndex() >= 0 ? name_->currentText() : QString();
    name_->setEditText(now_named);
    showing_ = false;
    state_.working.name = field_text(now_named, session_limits::name);
    (void)load_profile(ctx_, state_.working);
    if (password_ban_) state_.working.password_saved = 0;
    show_record();
}

void ProfileDialog::advanced_clicked() {
    AdvancedProfileDialog dialog(ctx_, state_, help_, this);
    (void)dialog.exec();
}

}  // namespace varnix::ui
