// File associations: running a local file (itself when executable, else the program the
// [Extensions] store names for its extension, else the desktop's opener), and the
// "Associate" dialog that adds an association.
#include "ui/dialogs/associations.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/ini_file.h"
#include "transfer/file_operations.h"
#include "ui/dialogs/program_start.h"

namespace varnix::ui {

namespace {

namespace id {
constexpr int extension = 121, program = 122, browse = 123;
}

constexpr const char* dialog_caption = "Associate";

std::string_view base_name(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// A path a program cannot mistake for an option, and that execvp does not look up in PATH.
std::string as_argument(const std::string& path) {
    if (!path.empty() && path.front() == '/') return path;
    return "./" + path;
}

std::string lower_ascii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool contains_ignoring_case(std::string_view text, std::string_view part) {
    return lower_ascii(std::string(text)).find(lower_ascii(std::string(part))) != std::string::npos;
}

// A word holding blanks or quotes, quoted so split_command gives it back whole.
QString quoted_if_needed(const QString& word) {
    if (!word.contains(QLatin1Char(' ')) && !word.contains(QLatin1Char('\t'))) return word;
    return QLatin1Char('"') + word + QLatin1Char('"');
}

}  // namespace

Launcher desktop_launcher() {
    Launcher launcher;
    launcher.start_detached = [](const std::vector<std::string>& argv) {
        return start_detached_program(argv) == 0;
    };
    launcher.open_with_desktop = [](const std::string& path) {
        if (start_detached_program({"xdg-open", path}) == 0) return true;
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(path.c_str())));
    };
    return launcher;
}

std::string file_extension(std::string_view file_name) {
    const std::string_view name = base_name(file_name);
    const auto dot = name.find('.');
    if (dot == std::string_view::npos) return {};
    return std::string(name.substr(dot + 1));
}

std::vector<std::string> split_command(std::string_view command) {
    // The viewer's command line and an association's are split by the same rules.
    return split_command_line(command);
}

std::vector<std::string> association_argv(std::string_view value, const std::string& file) {
    const auto caret = value.find('^');
    std::vector<std::string> argv = split_command(value.substr(0, caret));
    if (argv.empty()) return {};
    argv.push_back(as_argument(file));
    return argv;
}

std::string find_association(const ConfigContext& ctx, std::string_view file_name) {
    if (ctx.user_profile_path.empty()) return {};
    std::string extension = file_extension(file_name);
    const IniFile store = IniFile::load(ctx.user_profile_path).file;
    while (!extension.empty()) {
        std::string value = store.get_string(extensions_section, extension, "",
                                             association_program_chars);
        if (!value.empty()) return value;
        const auto dot = extension.find('.');
        if (dot == std::string::npos) break;
        extension.erase(0, dot + 1);
    }
    return {};
}

LaunchPlan plan_execution(const ConfigContext& ctx, const std::string& path) {
    LaunchPlan plan;
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return plan;
    if (S_ISREG(st.st_mode) && (st.st_mode & 0111) != 0 && ::access(path.c_str(), X_OK) == 0) {
        plan.kind = LaunchPlan::Kind::Program;
        plan.argv = {as_argument(path)};
        return plan;
    }
    if (const std::string value = find_association(ctx, path); !value.empty()) {
        plan.argv = association_argv(value, path);
        if (!plan.argv.empty()) {
            plan.kind = LaunchPlan::Kind::Program;
            return plan;
        }
    }
    plan.kind = LaunchPlan::Kind::Desktop;
    plan.path = path;
    return plan;
}

bool execute_by_association(const ConfigContext& ctx, const std::string& path,
                            const Launcher& launcher) {
    const LaunchPlan plan = plan_execution(ctx, path);
    switch (plan.kind) {
    case LaunchPlan::Kind::Program:
        return launcher.start_detached && launcher.start_detached(plan.argv);
    case LaunchPlan::Kind::Desktop:
        return launcher.open_with_desktop && launcher.open_with_desktop(plan.path);
    case LaunchPlan::Kind::Nothing:
        break;
    }
    return false;
}

std::string association_value(std::string_view program, std::string_view extension) {
    std::string value(program);
    const auto caret = value.find('^');
    if (caret == std::string::npos) return value + " ^." + std::string(extension);
    if (!contains_ignoring_case(value, extension))
        value = value.substr(0, caret) + "^." + std::string(extension);
    return value;
}

AssociateDialog::AssociateDialog(ConfigContext& ctx, const std::string& initial_extension,
                                 OptionsHooks hooks, QWidget* parent)
    : QDialog(parent), ctx_(ctx), hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("DLG_ASSOCIATE"));
    setWindowTitle(QString::fromLatin1(dialog_caption));
    extension_ = new QComboBox(this);
    extension_->setObjectName(control_name(id::extension));
    extension_->setEditable(true);
    extension_->setInsertPolicy(QComboBox::NoInsert);
    extension_->lineEdit()->setMaxLength(static_cast<int>(association_extension_chars));
    program_ = new QComboBox(this);
    program_->setObjectName(control_name(id::program));
    program_->setEditable(true);
    program_->setInsertPolicy(QComboBox::NoInsert);
    program_->lineEdit()->setMaxLength(static_cast<int>(association_program_chars));
    program_->setMinimumContentsLength(32);
    auto* ok = make_button(this, control_id::ok, tr("OK"));
    auto* cancel = make_button(this, control_id::cancel, tr("Cancel"));
    auto* browse = make_button(this, id::browse, tr("&Browse..."));
    auto* help = make_button(this, control_id::manual_button, tr("&Help"));
    ok->setDefault(true);

    auto* grid = new QGridLayout;
    grid->addWidget(make_label(this, tr("&Files with Extension: "), extension_), 0, 0);
    grid->addWidget(extension_, 0, 1);
    grid->addWidget(make_label(this, tr("&Associate With:"), program_), 1, 0);
    grid->addWidget(program_, 1, 1);
    grid->setColumnStretch(1, 1);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {ok, cancel, browse, help}) buttons->addWidget(b);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);
    set_tab_chain({extension_, program_, ok, cancel, browse, help});

    fill_lists();
    extension_->setEditText(shown_text(initial_extension));
    extension_chosen();

    install_help_keys(*this, hooks_.help, associate_help);
    connect_help_button(help, hooks_.help, associate_help);
    connect(extension_, &QComboBox::textActivated, this, [this] { extension_chosen(); });
    connect(extension_->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { extension_chosen(); });
    connect(ok, &QPushButton::clicked, this, &AssociateDialog::ok_clicked);
    connect(cancel, &QPushButton::clicked, this, &AssociateDialog::reject);
    connect(browse, &QPushButton::clicked, this, &AssociateDialog::browse_clicked);
}

void AssociateDialog::fill_lists() {
    if (ctx_.user_profile_path.empty()) return;
    const IniFile store = IniFile::load(ctx_.user_profile_path).file;
    QStringList programs;
    for (const std::string& key : store.keys(extensions_section)) {
        const std::string value =
            store.get_string(extensions_section, key, "", association_program_chars);
        if (value.empty()) continue;
        extension_->addItem(shown_text(lower_ascii(key)));
        const std::vector<std::string> words = split_command(value);
        if (words.empty()) continue;
        const QString program = quoted_if_needed(shown_text(words.front()));
        const bool listed = std::any_of(programs.begin(), programs.end(), [&](const QString& p) {
            return p.startsWith(program);
        });
        if (!listed) programs << program;
    }
    program_->addItems(programs);
}

void AssociateDialog::extension_chosen() {
    const std::string extension = field_text(extension_->currentText(), association_extension_chars);
    std::string value;
    if (!extension.empty() && !ctx_.user_profile_path.empty())
        value = ini_get_string(ctx_.user_profile_path, extensions_section, extension, "",
                               association_program_chars);
    program_->setEditText(shown_text(value));
}

void AssociateDialog::ok_clicked() {
    std::string extension = field_text(extension_->currentText().trimmed(), association_extension_chars);
    if (!extension.empty() && extension.front() == '.') extension.erase(0, 1);
    const std::string program = field_text(program_->currentText().trimmed(), association_program_chars);
    if (extension.empty() || program.empty()) return reject();
    if (extension.find_first_of(std::string_view(" \t=[]/\\\r\n\0", 11)) != std::string::npos) {
        tell_user(ctx_, this, "An extension cannot hold blanks, \"=\", \"[\", \"]\", slashes or "
                              "control characters.", dialog_caption);
        extension_->setFocus();
        return;
    }
    if (ctx_.user_profile_path.empty()) {
        tell_user(ctx_, this, "There is no settings folder to keep associations in.", dialog_caption);
        return reject();
    }
    const IniStatus status = ini_put(ctx_.user_profile_path, extensions_section, extension,
                                     association_value(program, extension));
    if (!status.ok()) {
        tell_user(ctx_, this, "Cannot save " + ctx_.user_profile_path + ": " +
                                  std::strerror(status.error), dialog_caption);
        return reject();
    }
    accept();
}

void AssociateDialog::browse_clicked() {
    QString chosen;
    if (hooks_.browse_program) {
        chosen = hooks_.browse_program(this);
    } else {
        QFileDialog dialog(this, tr("Browse"), QStringLiteral("/usr/bin"));
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters({tr("Programs (*)"), tr("All Files (*)")});
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().front();
    }
    if (!chosen.isEmpty()) program_->setEditText(quoted_if_needed(chosen));
}

}  // namespace varnix::ui
