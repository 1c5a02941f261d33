// The Options dialog: the hub that opens the program, session and pro options, the extension
// and association dialogs, and saves the directory names and the window's placement.
#include "ui/dialogs/options_dialog.h"

#include <QGridLayout>
#include <QPushButton>

#include "config/profiles.h"
#include "ui/dialogs/associations.h"
#include "ui/dialogs/extension_dialogs.h"
#include "ui/dialogs/pro_options_dialog.h"
#include "ui/dialogs/program_options_dialog.h"
#include "ui/dialogs/session_options_dialog.h"

namespace varnix::ui {

namespace {
namespace id {
constexpr int program = 915, session = 917, pro = 918, ascii = 129, convert = 131;
constexpr int associations = 130, directories = 911, window = 128;
}  // namespace id
constexpr std::size_t local_dir_chars = 255;
}  // namespace

void save_window_locations(ConfigContext& ctx, const WindowPlacement& p) {
    (void)update_config_file(ctx, [&](IniFile& ini) {
        if (p.maximized) return ini.put(config_section, "MAXIMIZE", "1");
        IniStatus status = ini.put(config_section, "MAXIMIZE", std::nullopt);
        const std::string location =
            std::to_string(p.left) + "," + std::to_string(p.top) + "," + std::to_string(p.width) +
            "," + std::to_string(p.height) + "," + std::to_string(p.vertical_splitter) + "," +
            std::to_string(p.horizontal_splitter);
        if (status.ok()) status = ini.put(config_section, "LOC", location);
        return status;
    });
}

OptionsDialog::OptionsDialog(TransferContext& ctx, OptionsHooks hooks, QWidget* parent)
    : QDialog(parent), ctx_(ctx), hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("DLG_OPTIONS"));
    setWindowTitle(tr("Options"));
    auto* program = make_button(this, id::program, tr("&Program Options..."));
    auto* session = make_button(this, id::session, tr("&Session Options..."));
    auto* pro = make_button(this, id::pro, tr("Pro &Options..."));
    auto* ascii = make_button(this, id::ascii, tr("ASCII &Extensions..."));
    auto* convert = make_button(this, id::convert, tr("Extension &Conversions..."));
    auto* associations = make_button(this, id::associations, tr("File &Associations..."));
    auto* directories = make_button(this, id::directories, tr("Sa&ve Directory Names"));
    auto* window = make_button(this, id::window, tr("Save &Window Locations"));
    auto* exit = make_button(this, control_id::ok, tr("E&xit"));
    auto* help = make_button(this, control_id::manual_button, tr("&Help"));
    exit->setDefault(true);
    directories->setEnabled(ctx_.connected);
    window->setEnabled(static_cast<bool>(hooks_.window_placement));

    auto* grid = new QGridLayout(this);
    const QList<QPushButton*> left{program, session, pro, ascii, convert};
    const QList<QPushButton*> right{associations, directories, window, exit, help};
    for (int i = 0; i < left.size(); ++i) {
        grid->addWidget(left[i], i, 0);
        grid->addWidget(right[i], i, 1);
    }
    set_tab_chain({program, session, pro, ascii, convert, associations, directories, window, exit,
                   help});
    install_help_keys(*this, hooks_.help, options_help);
    connect_help_button(help, hooks_.help, options_help);

    connect(program, &QPushButton::clicked, this, [this] {
        ProgramOptionsDialog dialog(ctx_, hooks_, this);
        if (dialog.exec() == QDialog::Accepted && dialog.layout_changed()) layout_changed_ = true;
    });
    connect(session, &QPushButton::clicked, this, [this] {
        SessionOptionsDialog dialog(ctx_, hooks_, this);
        (void)dialog.exec();
    });
    connect(pro, &QPushButton::clicked, this, [this] {
        ProOptionsDialog dialog(ctx_, hooks_, this);
        (void)dialog.exec();
    });
    connect(ascii, &QPushButton::clicked, this, [this] {
        AsciiExtensionsDialog dialog(ctx_, hooks_.help, this);
        (void)dialog.exec();
    });
    connect(convert, &QPushButton::clicked, this, [this] {
        ConvertExtensionsDialog dialog(ctx_, hooks_.help, this);
        (void)dialog.exec();
    });
    connect(associations, &QPushButton::clicked, this, [this] {
        AssociateDialog dialog(ctx_, ctx_.prompts.answer(), hooks_, this);
        (void)dialog.exec();
    });
    connect(directories, &QPushButton::clicked, this, &OptionsDialog::save_directory_names_clicked);
    connect(window, &QPushButton::clicked, this, &OptionsDialog::save_window_locations_clicked);
    connect(exit, &QPushButton::clicked, this, &OptionsDialog::accept);
}

void OptionsDialog::save_directory_names_clicked() {
    if (!ctx_.connected) return;
    // The local pane's folder is its own path, not the process's working directory.
    std::string local = hooks_.local_dir ? hooks_.local_dir() : ctx_.local_dir;
    if (local.size() > local_dir_chars) local.resize(local_dir_chars);
    save_directory_names(ctx_, ctx_.current_remote_dir, local);
}

void OptionsDialog::save_window_locations_clicked() {
    if (!hooks_.window_placement) return;
    if (const auto placement = hooks_.window_placement()) save_window_locations(ctx_, *placement);
}

}  // namespace varnix::ui
