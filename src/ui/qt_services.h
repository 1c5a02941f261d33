// Qt implementations of the platform services that the engine's blocking waits rely on:
// timers delivered on the GUI thread, and the blocking hook that keeps the window live.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "platform/services.h"

namespace varnix::ui {

// Timers owned by the GUI thread. start_timer and stop_timer may be called from any thread;
// ticks always run on the GUI thread. process_events() pumps the GUI thread's events when
// called there (the blocking hook) and does nothing on other threads.
class QtTimers : public QObject, public TimerService {
    Q_OBJECT
public:
    explicit QtTimers(QObject* parent = nullptr);
    ~QtTimers() override;
    void start_timer(int id, int period_ms, std::function<void()> on_tick) override;
    void stop_timer(int id) override;
    bool process_events() override;

private:
    void start_on_gui_thread(int id, int period_ms, std::function<void()> on_tick);
    void stop_on_gui_thread(int id);
    std::map<int, std::unique_ptr<QTimer>> timers_;
};

}  // namespace varnix::ui
