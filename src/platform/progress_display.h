// The interface of the transfer progress display the window (or a batch run) provides; the
// engine side that decides what it shows is in transfer/progress.h.
#pragma once

#include <string_view>

namespace varnix {

enum class ProgressMode { Sending = 1, Receiving = 2 };

// What shows the progress: with `dialog` the "Transfer Status" window (caption, status line,
// percentage bar, Cancel); without it only a status field of the main window (the local one
// while sending, the remote one while receiving). The engine calls every member on the GUI
// thread (from the worker it posts them), so an implementation never sees another thread.
class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    virtual void open(ProgressMode mode, bool dialog, std::string_view caption) = 0;
    virtual void set_status(std::string_view text) = 0;
    // The bar's percentage and its text ("50%"); only while the expected size is known.
    virtual void set_bar(int percent, std::string_view text) = 0;
    virtual void close() = 0;
};

}  // namespace varnix
