// The three one-line question dialogs and the Qt prompter.
#include "ui/input_dialogs.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>
#include <cmath>

#include "ui/dialog_units.h"
#include "ui/help/help_window.h"
#include "ui/message_area.h"
#include "ui/name_charset.h"

namespace varnix::ui {

namespace {

QTextOption wrap_option() {
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

// The history drop-down lists each directory once, sorted as a sorted combo box sorts
// (without regard to case, the exact text deciding ties).
std::vector<std::pair<QString, std::string>> sorted_choices(const std::vector<std::string>& names,
                                                           const std::string& charset) {
    NameDecoder decoder;
    std::vector<std::string> unique(names);
    std::sort(unique.begin(), unique.end());
    unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
    std::vector<std::pair<QString, std::string>> shown;
    shown.reserve(unique.size());
    for (auto& name : unique) {
        if (!name.empty()) shown.emplace_back(decoder.decode(name, charset), std::move(name));
    }
    std::stable_sort(shown.begin(), shown.end(), [](const auto& a, const auto& b) {
        const int c = a.first.compare(b.first, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.first < b.first;
    });
    return shown;
}

}  // namespace

std::string utf8_prefix(const QString& text, std::size_t max_bytes) {
    std::string bytes = text.toStdString();
    if (bytes.size() <= max_bytes) return bytes;
    std::size_t end = max_bytes;
    while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80) --end;
    bytes.resize(end);
    return bytes;
}

PromptLabel::PromptLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    // A file name with "<" or "&" in it is shown as it is, never as markup or a mnemonic.
    setTextFormat(Qt::PlainText);
}

int PromptLabel::height_for(int width) const {
    QTextLayout layout(text(), font());
    layout.setTextOption(wrap_option());
    layout.beginLayout();
    qreal height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        height += line.height();
    }
    layout.endLayout();
    return static_cast<int>(std::ceil(height));
}

void PromptLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                   QPalette::WindowText));
    painter.drawText(QRectF(contentsRect()), text(), wrap_option());
}

InputDialog::InputDialog(PromptKind kind, QWidget* owner, HelpHook help)
    : QDialog(owner), kind_(kind), help_(std::move(help)) {
    setWindowTitle(kind == PromptKind::Password ? tr("Password") : tr("Input"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    build_controls();
    place_controls();
}

void InputDialog::build_controls() {
    prompt_ = new PromptLabel(tr("Standard prompt"), this);
    prompt_->setObjectName(QString::number(input_ids::prompt));
    if (kind_ == PromptKind::WithHistory) {
        combo_ = new QComboBox(this);
        combo_->setObjectName(QString::number(input_ids::combo));
        combo_->setEditable(true);
        combo_->setInsertPolicy(QComboBox::NoInsert);
        combo_->setMaxVisibleItems(8);
        edit_ = combo_->lineEdit();
        combo_->setAccessibleName(tr("Answer"));
    } else {
        edit_ = new QLineEdit(this);
        edit_->setObjectName(QString::number(input_ids::edit));
        edit_->setAccessibleName(kind_ == PromptKind::Password ? tr("Password") : tr("Answer"));
        if (kind_ == PromptKind::Password) {
            edit_->setEchoMode(QLineEdit::Password);
            // Nothing typed here may reach the clipboard or an input method's history.
            edit_->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhNoPredictiveText |
                                       Qt::ImhSensitiveData);
        }
    }
    edit_->setMaxLength(answer_chars);

    ok_ = new QPushButton(tr("OK"), this);
    ok_->setObjectName(QString::number(input_ids::ok));
    ok_->setDefault(true);
    cancel_ = new QPushButton(tr("Cancel"), this);
    cancel_->setObjectName(QString::number(input_ids::cancel));
    cancel_->setAutoDefault(false);
    help_button_ = new QPushButton(tr("&Help"), this);
    help_button_->setObjectName(QString::number(input_ids::manual_button));
    help_button_->setAutoDefault(false);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(help_button_, &QPushButton::clicked, this, &InputDialog::open_help);
    setTabOrder(combo_ ? static_cast<QWidget*>(combo_) : edit_, ok_);
    setTabOrder(ok_, cancel_);
    setTabOrder(cancel_, help_button_);
}

// Positions in dialog units of the dialog's own font; a prompt longer than its two lines
// pushes the entry down rather than being cut off.
void InputDialog::place_controls() {
    const DialogUnits du(font());
    const bool history = kind_ == PromptKind::WithHistory;
    QRect prompt = history ? du.rect(3, 9, 143, 12) : du.rect(3, 9, 143, 21);
    const int needed = prompt_->height_for(prompt.width());
    const int extra = std::max(0, needed - prompt.height());
    prompt.setHeight(prompt.height() + extra);
    prompt_->setGeometry(prompt);

    QRect entry = history ? du.rect(4, 26, 144, 12) : du.rect(3, 35, 144, 12);
    QWidget* entry_widget = history ? static_cast<QWidget*>(combo_) : edit_;
    entry.setHeight(std::max(entry.height(), entry_widget->sizeHint().height()));
    entry.translate(0, extra);
    entry_widget->setGeometry(entry);

    int bottom = entry.bottom();
    int y = 4;
    for (QPushButton* button : {ok_, cancel_, help_button_}) {
        QRect r = du.rect(155, y, 44, 14);
        r.setHeight(std::max(r.height(), button->minimumSizeHint().height()));
        r.setWidth(std::max(r.width(), button->minimumSizeHint().width()));
        button->setGeometry(r);
        bottom = std::max(bottom, r.bottom());
        y += 17;
    }
    const QSize template_size = du.size(201, 57);
    const int width = std::max(template_size.width(), help_button_->geometry().right() + du.x(2));
    const int height = std::max(template_size.height() + extra, bottom + du.y(6));
    setFixedSize(width, height);
}

void InputDialog::set_request(const PromptRequest& request) {
    prompt_->setText(display_text(request.prompt));
    // The question is read out with the entry (no buddy: a name's "&" is no shortcut).
    (combo_ ? static_cast<QWidget*>(combo_) : edit_)->setAccessibleDescription(prompt_->text());
    help_context_ = request.help_context;
    originals_.clear();
    if (combo_) {
        combo_->clear();
        for (auto& choice : sorted_choices(request.choices, request.name_charset)) {
            combo_->addItem(choice.first);
            originals_.push_back(std::move(choice));
        }
    }
    name_charset_ = request.name_charset;
    const QString initial = NameDecoder().decode(request.initial, name_charset_);
    originals_.emplace_back(initial, request.initial);
    if (combo_) combo_->setEditText(initial);
    edit_->setText(initial);
    edit_->selectAll();
    place_controls();
}

QString InputDialog::entry_text() const { return edit_->text(); }

std::string InputDialog::answer() const {
    const QString text = edit_->text();
    for (const auto& [shown, bytes] : originals_) {
        if (shown == text && bytes.size() <= static_cast<std::size_t>(answer_chars)) return bytes;
    }
    return encode_name(text, name_charset_, answer_chars);
}

void InputDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centre_over_owner(this, parentWidget());
    edit_->selectAll();
    if (combo_) {
        combo_->setFocus(Qt::OtherFocusReason);
    } else {
        edit_->setFocus(Qt::OtherFocusReason);
    }
}

void InputDialog::keyPressEvent(QKeyEvent* event) {
    // F1 and F2 reach the dialog from whichever control has the focus.
    if (event->key() == Qt::Key_F1 || event->key() == Qt::Key_F2) {
        open_help();
        return;
    }
    QDialog::keyPressEvent(event);
}

void InputDialog::open_help() {
    if (help_) {
        help_(help_context_);
    } else {
        show_help(this, help_context_);
    }
}

std::optional<std::string> InputDialog::ask(const PromptRequest& request, QWidget* owner,
                                            const HelpHook& help) {
    InputDialog dialog(request.kind, owner, help);
    dialog.set_request(request);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.answer();
}

QtPrompter::QtPrompter(OwnerHook owner, Prompter* fallback, HelpHook help, QObject* parent)
    : QObject(parent), owner_(std::move(owner)), fallback_(fallback), help_(std::move(help)) {}

std::optional<std::string> QtPrompter::ask(const PromptRequest& request) {
    QWidget* owner = owner_ ? owner_() : nullptr;
    if (owner && owner->isVisible()) return InputDialog::ask(request, owner, help_);
    if (fallback_) return fallback_->ask(request);
    return std::nullopt;
}

}  // namespace varnix::ui
