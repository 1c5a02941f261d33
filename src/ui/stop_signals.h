// SIGINT, SIGTERM and SIGHUP for the window program: a logout, `kill` or Ctrl+C in the
// starting terminal closes the window the way its Exit command does (a transfer in progress
// is aborted, the session and window settings are saved) instead of ending the process with
// the settings unsaved. A second signal ends the program at once.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace varnix::ui {

class StopSignals : public QObject {
public:
    // Installs the handlers; `on_stop` runs on the GUI thread with the signal's number.
    // One instance at a time; destroying it puts the previous handlers back.
    explicit StopSignals(std::function<void(int)> on_stop, QObject* parent = nullptr);
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Whether the handlers are in place (false when the pipe could not be made).
    [[nodiscard]] bool installed() const { return notifier_ != nullptr; }

private:
    void read_signals();

    std::function<void(int)> on_stop_;
    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace varnix::ui
