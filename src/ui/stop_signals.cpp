// The stop signals of the window program: the handler only writes the signal's number into a
// pipe (all a handler may safely do); the GUI thread reads it through a socket notifier.
#include "ui/stop_signals.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace varnix::ui {

namespace {

constexpr std::array<int, 3> handled_signals{SIGINT, SIGTERM, SIGHUP};

// The pipe's writing end for the handler; -1 while no instance exists.
volatile std::sig_atomic_t write_end = -1;
std::array<struct sigaction, handled_signals.size()> previous{};

extern "C" void note_stop_signal(int signal) {
    const int saved_errno = errno;
    const auto byte = static_cast<unsigned char>(signal);
    if (write_end >= 0) (void)!::write(write_end, &byte, 1);
    errno = saved_errno;
}

}  // namespace

StopSignals::StopSignals(std::function<void(int)> on_stop, QObject* parent)
    : QObject(parent), on_stop_(std::move(on_stop)) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    write_end = pipe_[1];
    for (std::size_t i = 0; i < handled_signals.size(); ++i) {
        struct sigaction action {};
        action.sa_handler = note_stop_signal;
        sigemptyset(&action.sa_mask);
        // The first signal asks for an orderly close; a second one, if that hangs, ends the
        // program as the signal normally would.
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        (void)::sigaction(handled_signals[i], &action, &previous[i]);
    }
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { read_signals(); });
}

StopSignals::~StopSignals() {
    if (notifier_) {
        for (std::size_t i = 0; i < handled_signals.size(); ++i) {
            (void)::sigaction(handled_signals[i], &previous[i], nullptr);
        }
    }
    write_end = -1;
    for (int& fd : pipe_) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

void StopSignals::read_signals() {
    unsigned char byte = 0;
    while (::read(pipe_[0], &byte, 1) == 1) {
        if (on_stop_) on_stop_(byte);
    }
}

}  // namespace varnix::ui
