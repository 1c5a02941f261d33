// Qt timers, the GUI thread's blocking hook, message boxes, prompts, beeps and status fields.
#include "ui/qt_services.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/messages.h"
#include "ui/help/help_window.h"
#include "ui/message_area.h"

namespace varnix::ui {

bool on_gui_thread() {
    return QCoreApplication::instance() &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

bool QtInvoker::on_gui_thread() const { return QThread::currentThread() == thread(); }

void QtInvoker::post(std::function<void()> fn) {
    QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

QtTimers::QtTimers(QObject* parent) : QObject(parent) {}

QtTimers::~QtTimers() = default;

void QtTimers::start_timer(int id, int period_ms, std::function<void()> on_tick) {
    if (on_gui_thread()) {
        start_on_gui_thread(id, period_ms, std::move(on_tick));
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, id, period_ms, tick = std::move(on_tick)]() mutable {
            start_on_gui_thread(id, period_ms, std::move(tick));
        },
        Qt::QueuedConnection);
}

void QtTimers::stop_timer(int id) {
    if (on_gui_thread()) {
        stop_on_gui_thread(id);
        return;
    }
    QMetaObject::invokeMethod(this, [this, id] { stop_on_gui_thread(id); }, Qt::QueuedConnection);
}

void QtTimers::start_on_gui_thread(int id, int period_ms, std::function<void()> on_tick) {
    auto& timer = timers_[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        timer->setTimerType(Qt::PreciseTimer);  // a 5-second tick must not come early
    }
    timer->stop();
    timer->disconnect();
    QObject::connect(timer.get(), &QTimer::timeout, this, [tick = std::move(on_tick)] { tick(); });
    timer->start(period_ms);
}

void QtTimers::stop_on_gui_thread(int id) {
    const auto it = timers_.find(id);
    if (it != timers_.end()) it->second->stop();
}

bool QtTimers::process_events() {
    if (!on_gui_thread()) return false;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher) return false;
    return dispatcher->processEvents(QEventLoop::AllEvents);
}

// --- message boxes

int QtMessageBoxes::show(std::string_view text, std::string_view caption, int style) {
    int answer = mb::id_ok;
    QMessageBox box(owner_);
    box.setWindowTitle(display_text(caption));
    box.setText(display_text(text));
    switch (style & 0xF0) {
    case mb::icon_stop: box.setIcon(QMessageBox::Critical); break;
    case mb::icon_question: box.setIcon(QMessageBox::Question); break;
    case mb::icon_exclamation: box.setIcon(QMessageBox::Warning); break;
    case mb::icon_information: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    switch (style & 0x0F) {
    case mb::ok_cancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case mb::yes_no_cancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case mb::yes_no: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    switch (box.exec()) {
    case QMessageBox::Cancel: answer = mb::id_cancel; break;
    case QMessageBox::Yes: answer = mb::id_yes; break;
    case QMessageBox::No: answer = mb::id_no; break;
    default: answer = (style & 0x0F) == mb::ok ? mb::id_ok : mb::id_cancel; break;
    }
    if (box.clickedButton() == box.button(QMessageBox::Ok)) answer = mb::id_ok;
    return answer;
}

// --- prompts

std::optional<std::string> QtPrompter::ask(const PromptRequest& request) {
    QDialog dialog(owner_);
    dialog.setObjectName("prompt_dialog");
    dialog.setWindowTitle(request.kind == PromptKind::Password ? "Password" : "Input");
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(display_text(request.prompt), &dialog);
    label->setObjectName("3010");
    label->setWordWrap(true);
    layout->addWidget(label);
    QLineEdit* edit = nullptr;
    QComboBox* combo = nullptr;
    const int limit = static_cast<int>(Prompts::answer_chars);
    if (request.kind == PromptKind::WithHistory) {
        combo = new QComboBox(&dialog);
        combo->setObjectName("2405");
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        std::vector<std::string> choices = request.choices;
        std::sort(choices.begin(), choices.end());
        choices.erase(std::unique(choices.begin(), choices.end()), choices.end());
        for (const auto& choice : choices) combo->addItem(display_text(choice));
        combo->setEditText(display_text(request.initial));
        combo->lineEdit()->setMaxLength(limit);
        combo->lineEdit()->selectAll();
        layout->addWidget(combo);
    } else {
        edit = new QLineEdit(display_text(request.initial), &dialog);
        edit->setObjectName("3020");
        edit->setMaxLength(limit);
        if (request.kind == PromptKind::Password) edit->setEchoMode(QLineEdit::Password);
        edit->selectAll();
        layout->addWidget(edit);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help,
                                         &dialog);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    const int help_context = request.help_context;
    QObject::connect(buttons, &QDialogButtonBox::helpRequested, &dialog,
                     [&dialog, help_context] { show_help(&dialog, help_context); });
    install_help_keys(&dialog, help_context);
    dialog.resize(std::max(dialog.sizeHint().width(), 360), dialog.sizeHint().height());
    if (combo) {
        combo->setFocus();
    } else {
        edit->setFocus();
    }
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QString text = combo ? combo->currentText() : edit->text();
    std::string answer = text.toStdString();
    if (answer.size() > Prompts::answer_chars) answer.resize(Prompts::answer_chars);
    return answer;
}

// --- sounds

bool QtBeepSound::play_wave(const std::string&) { return false; }

void QtBeepSound::beep() { QApplication::beep(); }

// --- status fields

void StatusFieldProgress::open(ProgressMode mode, bool, std::string_view) {
    field_ = mode == ProgressMode::Sending ? local_.data() : remote_.data();
    if (field_) field_->clear();
}

void StatusFieldProgress::set_status(std::string_view text) {
    if (!field_) return;
    field_->setText(display_text(text));
    field_->repaint();  // the transfer loop pumps events only between chunks
}

void StatusFieldProgress::set_bar(int, std::string_view) {}

void StatusFieldProgress::close() {
    if (field_) field_->clear();
    field_ = nullptr;
}

}  // namespace varnix::ui
