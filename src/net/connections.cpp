// Owned connection streams and their cross-thread shutdown.
#include "net/connections.h"

namespace varnix {

StreamSlot::~StreamSlot() { (void)close(); }

void StreamSlot::shutdown_any_thread(ShutdownHow how) const {
    std::lock_guard lock(mutex_);
    if (stream_) stream_->shutdown(how);
}

void StreamSlot::set(std::unique_ptr<Stream> stream) {
    std::lock_guard lock(mutex_);
    stream_ = std::move(stream);
    descriptor_ = stream_ ? stream_->descriptor() : -1;
    open_ = stream_ != nullptr;
}

std::unique_ptr<Stream> StreamSlot::take() {
    std::lock_guard lock(mutex_);
    descriptor_ = -1;
    open_ = false;
    return std::move(stream_);
}

void StreamSlot::open(std::unique_ptr<Stream> stream) {
    // Closed outside the guard: nothing else can reach it once taken.
    if (auto old = take()) (void)old->close();
    set(std::move(stream));
}

bool StreamSlot::wrap_stream(const StreamWrapper& wrap) {
    auto wrapped = wrap(take());
    const bool ok = wrapped != nullptr;
    set(std::move(wrapped));
    return ok;
}

int StreamSlot::close() {
    auto stream = take();
    return stream ? stream->close() : 0;
}

}  // namespace varnix
