// The program's entry: the window on a desktop, else everything it does without a window,
// which lives in the batch layer.
#include <string_view>

#include "batch/batch_program.h"
#ifdef VARNIX_WITH_WINDOW
#include "ui/startup.h"
#endif

int main(int argc, char** argv) {
#ifdef VARNIX_WITH_WINDOW
    // --no-window keeps the terminal program on a desktop; --minimized starts the window
    // minimized. Neither reaches the command line the program reads.
    varnix::ui::WindowProgramOptions options;
    bool no_window = false, help = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word == "--no-window") {
            no_window = true;
        } else if (word == "--minimized") {
            options.start_minimized = true;
        } else {
            help = help || word == "-h" || word == "--help";
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    if (!no_window && !help && varnix::ui::display_available()) {
        return varnix::ui::run_window_program(argc, argv, options);
    }
#endif
    return varnix::run_batch_program(argc, argv);
}
