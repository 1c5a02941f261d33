// The "Auto Detect Extensions" dialog (the ASCII extension list, VARNIX.EXT) and the
// "Convert Extensions" dialog (the extension conversion table, VARNIX.CNV).
#include "ui/dialogs/extension_dialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "transfer/extension_lists.h"

namespace varnix::ui {

namespace {
namespace id {
constexpr int edit = 954, list = 955, add = 128, remove = 945, destination = 956;
}

QListWidget* make_list(QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setObjectName(control_name(id::list));
    list->setMinimumHeight(list->fontMetrics().height() * 8);
    return list;
}

void fill_list(QListWidget* list, const std::vector<std::string>& entries) {
    list->clear();
    for (const std::string& entry : entries) list->addItem(shown_text(entry));
}

QLabel* note(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}
}  // namespace

AsciiExtensionsDialog::AsciiExtensionsDialog(TransferContext& ctx, HelpHook help, QWidget* parent)
    : QDialog(parent), ctx_(ctx), list_(load_ascii_extensions(ctx)) {
    setObjectName(QStringLiteral("DLG_EXTENSIONS"));
    // The list box keeps its entries sorted; the file may hold them in any order.
    std::stable_sort(list_.begin(), list_.end(), [](const std::string& a, const std::string& b) {
        return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) < 0;
    });
    setWindowTitle(tr("Auto Detect Extensions"));
    extension_ = make_text_edit(this, id::edit, static_cast<int>(extension_limits::ascii_entry));
    entries_ = make_list(this);
    auto* add = make_button(this, id::add, tr("&Add"));
    auto* remove = make_button(this, id::remove, tr("&Delete"));
    auto* exit = make_button(this, control_id::ok, tr("Exit"));
    auto* help_button = make_button(this, control_id::manual_button, tr("&Help"));
    add->setDefault(true);

    auto* grid = new QGridLayout;
    grid->addWidget(make_label(this, tr("&ASCII Mode"), extension_), 0, 0);
    grid->addWidget(extension_, 1, 0);
    grid->addWidget(entries_, 2, 0, 4, 1);
    grid->addWidget(add, 1, 1);
    grid->addWidget(remove, 2, 1);
    grid->addWidget(exit, 3, 1);
    grid->addWidget(help_button, 4, 1);
    grid->setRowStretch(5, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(note(this, tr("In Auto-Mode, all files are transferred as binary unless the "
                                    "extension is listed here.")));
    set_tab_chain({extension_, add, remove, exit, help_button, entries_});
    refresh();

    install_help_keys(*this, help, ascii_extensions_help);
    connect_help_button(help_button, help, ascii_extensions_help);
    connect(add, &QPushButton::clicked, this, [this] {
        if (add_ascii_extension(list_, field_text(extension_, extension_limits::ascii_entry)))
            refresh();
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (remove_ascii_extension(list_, field_text(extension_, extension_limits::ascii_entry)))
            refresh();
    });
    connect(entries_, &QListWidget::itemClicked, this, [this, remove](QListWidgetItem* item) {
        extension_->setText(item->text());
        remove->setFocus();
    });
    connect(exit, &QPushButton::clicked, this, [this] {
        if (!save_ascii_extensions(ctx_, list_))
            tell_user(ctx_, this, "Cannot save " + ctx_.ascii_list_path, "Auto Detect Extensions");
        accept();
    });
}

void AsciiExtensionsDialog::refresh() { fill_list(entries_, list_); }

ConvertExtensionsDialog::ConvertExtensionsDialog(TransferContext& ctx, HelpHook help,
                                                 QWidget* parent)
    : QDialog(parent), ctx_(ctx), entries_(load_conversion_table(ctx)) {
    setObjectName(QStringLiteral("DLG_CONVERT"));
    setWindowTitle(tr("Convert Extensions"));
    const int field = static_cast<int>(extension_limits::dialog_field);
    source_ = make_text_edit(this, id::edit, field);
    destination_ = make_text_edit(this, id::destination, field);
    list_ = make_list(this);
    auto* add = make_button(this, id::add, tr("&Add"));
    auto* remove = make_button(this, id::remove, tr("&Delete"));
    auto* exit = make_button(this, control_id::ok, tr("Exit"));
    auto* help_button = make_button(this, control_id::manual_button, tr("&Help"));
    add->setDefault(true);

    auto* fields = new QGridLayout;
    fields->addWidget(make_label(this, tr("Source"), source_), 0, 0);
    fields->addWidget(make_label(this, tr("Destination"), destination_), 0, 1);
    fields->addWidget(source_, 1, 0);
    fields->addWidget(destination_, 1, 1);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {add, remove, exit, help_button}) buttons->addWidget(b);
    buttons->addStretch(1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(list_, 1);
    middle->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(middle);
    layout->addWidget(note(
        this, tr("Converts the source extension to the destination extension on transfer.  "
                 "Source is dependent on transfer direction.\n\nConversions are enabled or "
                 "disabled by the \"Convert Extensions\" option in the Session Options!")));
    set_tab_chain({source_, destination_, add, remove, exit, help_button, list_});
    refresh();

    install_help_keys(*this, help, convert_extensions_help);
    connect_help_button(help_button, help, convert_extensions_help);
    connect(add, &QPushButton::clicked, this, [this] {
        if (add_conversion(entries_, field_text(source_, extension_limits::dialog_field),
                           field_text(destination_, extension_limits::dialog_field)))
            refresh();
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (remove_conversion(entries_, field_text(source_, extension_limits::dialog_field)))
            refresh();
    });
    connect(list_, &QListWidget::itemClicked, this, [this, remove](QListWidgetItem* item) {
        const int row = list_->row(item);
        if (row < 0 || row >= static_cast<int>(entries_.size())) return;
        const ConversionEntry entry = split_conversion(entries_[static_cast<std::size_t>(row)]);
        source_->setText(shown_text(entry.source));
        destination_->setText(shown_text(entry.destination));
        remove->setFocus();
    });
    connect(exit, &QPushButton::clicked, this, [this] {
        if (!save_conversion_table(ctx_, entries_))
            tell_user(ctx_, this, "Cannot save " + ctx_.conversion_table_path, "Convert Extensions");
        accept();
    });
}

void ConvertExtensionsDialog::refresh() { fill_list(list_, entries_); }

}  // namespace varnix::ui
