// The configuration layer's share of the program state: the current Session, the session
// options, the program settings and the path of the configuration file. Each layer above
// extends it; a test builds a fresh one.
#pragma once

#include <string>

#include "config/program_settings.h"
#include "config/session.h"
#include "platform/platform_context.h"

namespace varnix {

struct ConfigContext : PlatformContext {
    std::string config_path = "VARNIX.INI";  // the configuration file every INI access names
    // The per-user settings file that stands in for win.ini ([VARNIX] SPFLAGS, [Extensions]);
    // empty: none. init_config_paths() sets both paths at start-up.
    std::string user_profile_path;
    ProgramSettings settings;
    Session session;
    SessionOptions options;
};

}  // namespace varnix
