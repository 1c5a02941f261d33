// The platform layer's share of the program state: the user-facing services, the message
// and prompt services built on them, and the window's events (see window_interface.h).
#pragma once

#include "platform/messages.h"
#include "platform/services.h"
#include "platform/window_interface.h"

namespace varnix {

struct PlatformContext {
    PlatformContext() = default;
    explicit PlatformContext(const Services& s) { set_services(s); }
    PlatformContext(const PlatformContext&) = delete;
    PlatformContext& operator=(const PlatformContext&) = delete;
    virtual ~PlatformContext() = default;

    void set_services(const Services& s) {
        services = s;
        messages.set_view(s.view);
        messages.set_invoker(s.invoker);
        prompts.set_prompter(s.prompter);
        prompts.set_invoker(s.invoker);
    }

    // Set on the GUI thread before a worker starts; read-only afterwards.
    Services services;
    WindowEvents events;
    MessageOutput messages;
    Prompts prompts;
};

}  // namespace varnix
