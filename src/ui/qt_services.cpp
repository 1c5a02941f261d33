// Qt timers and the GUI thread's blocking hook.
#include "ui/qt_services.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>

namespace varnix::ui {

namespace {

bool on_gui_thread() {
    return QCoreApplication::instance() &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

}  // namespace

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

}  // namespace varnix::ui
