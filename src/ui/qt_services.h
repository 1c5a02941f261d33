// Qt implementations of the platform services: timers delivered on the GUI thread and the
// blocking hook that keeps the window live, the call from the worker onto the GUI thread,
// message boxes, one-line prompts, the desktop beep, and the main window's transfer status
// fields. Apart from the timers and the invoker the engine calls them on the GUI thread only.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "platform/progress_display.h"
#include "platform/services.h"
#include "platform/ui_invoker.h"

class QLabel;
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

// One-line questions in a small modal dialog: text, password (shows no characters) or text
// with a sorted drop-down of earlier answers. The answer keeps its first 69 characters.
class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget* owner = nullptr) : owner_(owner) {}
    void set_owner(QWidget* owner) { owner_ = owner; }
    std::optional<std::string> ask(const PromptRequest& request) override;

private:
    QPointer<QWidget> owner_;
};

// The desktop beep; a wave file it cannot play makes the engine beep instead.
class QtBeepSound : public SoundService {
public:
    bool play_wave(const std::string& path) override;
    void beep() override;
};

// Transfer progress in the main window's status fields: the local one while sending, the
// remote one while receiving.
class StatusFieldProgress : public ProgressDisplay {
public:
    StatusFieldProgress(QLabel* local, QLabel* remote) : local_(local), remote_(remote) {}
    void open(ProgressMode mode, bool dialog, std::string_view caption) override;
    void set_status(std::string_view text) override;
    void set_bar(int percent, std::string_view text) override;
    void close() override;

private:
    QPointer<QLabel> local_, remote_;
    QLabel* field_ = nullptr;
};

}  // namespace varnix::ui
