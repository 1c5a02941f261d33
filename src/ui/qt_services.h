// Qt implementations of the platform services: timers delivered on the GUI thread and the
// blocking hook that keeps the window live, the call from the worker onto the GUI thread, and
// message boxes (called on the GUI thread only). The prompts, sounds and progress display are
// in input_dialogs.h, qt_sound.h and transfer_status_dialog.h.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "platform/services.h"
#include "platform/ui_invoker.h"

class QWidget;

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

// Whether the calling thread is the GUI thread.
[[nodiscard]] bool on_gui_thread();

// Carries the worker's calls onto the GUI thread through Qt's event queue.
class QtInvoker : public QObject, public UiInvoker {
    Q_OBJECT
public:
    explicit QtInvoker(QObject* parent = nullptr) : QObject(parent) {}
    [[nodiscard]] bool on_gui_thread() const override;
    void post(std::function<void()> fn) override;
};

// Message boxes owned by the main window, with the caption and icon the style asks for.
class QtMessageBoxes : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* owner = nullptr) : owner_(owner) {}
    void set_owner(QWidget* owner) { owner_ = owner; }
    int show(std::string_view text, std::string_view caption, int style) override;

private:
    QPointer<QWidget> owner_;
};

}  // namespace varnix::ui
