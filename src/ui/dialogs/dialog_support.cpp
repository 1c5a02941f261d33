// What every dialog of the program shares: controls named by their control id, the help
// keys, text fields cut to their INI limits, number fields that clamp, and the host-type list.
#include "ui/dialogs/dialog_support.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QStringDecoder>
#include <algorithm>
#include <charconv>
#include <vector>

#include "dirlex/dirlex.h"
#include "platform/platform_context.h"
#include "ui/help/help_window.h"
#include "config/session.h"

namespace varnix::ui {

QString control_name(int id) { return QString::number(id); }

QPushButton* make_button(QWidget* parent, int id, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(control_name(id));
    button->setAutoDefault(false);
    return button;
}

QCheckBox* make_check(QWidget* parent, int id, const QString& caption) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(control_name(id));
    return box;
}

QRadioButton* make_radio(QWidget* parent, int id, const QString& caption) {
    auto* button = new QRadioButton(caption, parent);
    button->setObjectName(control_name(id));
    return button;
}

QButtonGroup* make_radio_group(QWidget* owner, QBoxLayout* layout, int first_id,
                               std::initializer_list<const char*> captions) {
    auto* group = new QButtonGroup(owner);
    int i = 0;
    for (const char* caption : captions) {
        auto* radio = make_radio(owner, first_id + i, QString::fromLatin1(caption));
        group->addButton(radio, i++);
        layout->addWidget(radio);
    }
    return group;
}

QLineEdit* make_text_edit(QWidget* parent, int id, int max_chars) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(control_name(id));
    edit->setMaxLength(max_chars);
    static const QRegularExpression printable(QStringLiteral("[^\\x00-\\x1f\\x7f]*"));
    edit->setValidator(new QRegularExpressionValidator(printable, edit));
    return edit;
}

QLineEdit* make_number_edit(QWidget* parent, int id, int digits) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(control_name(id));
    edit->setMaxLength(digits);
    const QRegularExpression pattern(QStringLiteral("[0-9]{0,%1}").arg(digits));
    edit->setValidator(new QRegularExpressionValidator(pattern, edit));
    // Wide enough for every digit it takes, and no wider.
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * (digits + 1) +
                        16);
    return edit;
}

QLabel* make_label(QWidget* parent, const QString& caption, QWidget* buddy) {
    auto* label = new QLabel(caption, parent);
    label->setBuddy(buddy);
    return label;
}

namespace {
void ask_help(QWidget* over, const HelpHook& hook, int context) {
    if (hook) hook(context);
    else show_help(over, context);
}
}  // namespace

void install_help_keys(QDialog& dialog, const HelpHook& hook, int context) {
    for (const auto key : {Qt::Key_F1, Qt::Key_F2}) {
        auto* shortcut = new QShortcut(QKeySequence(key), &dialog);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, &dialog,
                         [over = &dialog, hook, context] { ask_help(over, hook, context); });
    }
    // Ctrl+F1: the focused control's own section when it has one, else the dialog's.
    auto* control = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F1), &dialog);
    control->setContext(Qt::WindowShortcut);
    QObject::connect(control, &QShortcut::activated, &dialog, [over = &dialog, hook, context] {
        const QWidget* focus = over->focusWidget();
        const int own = focus && over->isAncestorOf(focus) ? control_help(focus) : 0;
        ask_help(over, hook, own > 0 ? own : context);
    });
}

void connect_help_button(QPushButton* button, const HelpHook& hook, int context) {
    QObject::connect(button, &QPushButton::clicked, button,
                     [button, hook, context] { ask_help(button->window(), hook, context); });
}

std::string field_text(const QString& text, std::size_t max_bytes) {
    std::string bytes = text.toStdString();
    if (bytes.size() <= max_bytes) return bytes;
    std::size_t cut = max_bytes;
    // Never keep half of a UTF-8 sequence: back up over continuation bytes.
    while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80) --cut;
    bytes.resize(cut);
    return bytes;
}

std::string field_text(const QLineEdit* edit, std::size_t max_bytes) {
    return field_text(edit->text(), max_bytes);
}

QString shown_text(std::string_view bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::int64_t field_number(const QLineEdit* edit, std::int64_t low, std::int64_t high) {
    const std::string text = edit->text().trimmed().toStdString();
    std::int64_t value = 0;
    if (!text.empty()) {
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error == std::errc::result_out_of_range) value = high;
        else if (error != std::errc() || end != text.data() + text.size()) value = 0;
    }
    return std::clamp(value, low, high);
}

namespace {

class ComboSink : public dirlex::HostTypeListSink {
public:
    void add_item(std::string_view text, std::uint16_t code) override {
        items.push_back({shown_text(text), code});
    }
    struct Item {
        QString text;
        std::uint16_t code;
    };
    std::vector<Item> items;
};

}  // namespace

void fill_host_types(QComboBox* combo) {
    ComboSink sink;
    dirlex::fill_host_type_list(sink);
    std::stable_sort(sink.items.begin(), sink.items.end(), [](const auto& a, const auto& b) {
        return a.text.compare(b.text, Qt::CaseInsensitive) < 0;
    });
    combo->clear();
    for (const auto& item : sink.items) combo->addItem(item.text, int{item.code});
}

void select_host_type(QComboBox* combo, int code) {
    combo->setCurrentIndex(combo->findText(shown_text(dirlex::host_type_name(code))));
    // An unknown code has the library's "Unknown host type" name, which is no entry.
    if (combo->currentIndex() >= 0 && combo->currentData().toInt() != code)
        combo->setCurrentIndex(-1);
}

int selected_host_type(const QComboBox* combo) {
    if (combo->currentIndex() < 0) return host_type_automatic;
    return combo->currentData().toInt();
}

void tell_user(PlatformContext& ctx, QWidget* parent, const std::string& text,
               const std::string& caption) {
    if (ctx.services.boxes) {
        (void)ctx.services.boxes->show(text, caption, mb::ok | mb::icon_exclamation);
        return;
    }
    QMessageBox::warning(parent, QString::fromStdString(caption), QString::fromStdString(text));
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

}  // namespace varnix::ui

namespace varnix::ui {

void set_tab_chain(const QList<QWidget*>& widgets) {
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous) QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

}  // namespace varnix::ui
