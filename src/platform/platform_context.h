// The platform layer's share of the program state: the user-facing services and the message
// and prompt services built on them.
#pragma once

#include "platform/messages.h"
#include "platform/services.h"

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
        prompts.set_prompter(s.prompter);
    }

    Services services;
    MessageOutput messages;
    Prompts prompts;
};

}  // namespace varnix
