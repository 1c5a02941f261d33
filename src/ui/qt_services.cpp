// Qt timers, the GUI thread's blocking hook, message boxes, prompts, beeps and status fields.
#include "ui/qt_services.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>

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

}  // namespace varnix::ui
