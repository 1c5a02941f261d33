// The window program: started by varnix on a desktop with the same command line.
#include <string_view>

#include "ui/startup.h"

int main(int argc, char** argv) {
    // --minimized: the launcher asked for a minimized start; it reaches no command line.
    varnix::ui::WindowProgramOptions options;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--minimized") {
            options.start_minimized = true;
            continue;
        }
        argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;
    return varnix::ui::run_window_program(argc, argv, options);
}
