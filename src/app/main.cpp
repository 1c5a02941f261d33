// The program's entry. On a desktop (DISPLAY or WAYLAND_DISPLAY set) it becomes the window
// program beside it; otherwise, with --no-window, or when that program is missing, it does
// everything without a window, which lives in the batch layer.
#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>

#include "batch/batch_program.h"

namespace {

#ifdef VARNIX_WINDOW_PROGRAM
bool display_available() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

// The window program in this program's own folder.
std::string window_program_path() {
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return {};
    std::string path(self, static_cast<std::size_t>(n));
    path.erase(path.find_last_of('/') + 1);
    return path + VARNIX_WINDOW_PROGRAM;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    // --no-window keeps the terminal program on a desktop; it reaches no command line.
    bool no_window = false, help = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word == "--no-window") {
            no_window = true;
            continue;
        }
        // Help and the version are printed at the terminal, never in a window.
        help = help || word == "-h" || word == "--help" || word == "--version";
        argv[kept++] = argv[i];
    }
    argc = kept;
    argv[argc] = nullptr;
#ifdef VARNIX_WINDOW_PROGRAM
    if (!no_window && !help && display_available()) {
        const std::string window = window_program_path();
        if (!window.empty()) ::execv(window.c_str(), argv);
        // Not there or not startable: go on without a window.
    }
#endif
    // A launcher's --minimized means nothing without a window.
    kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) != "--minimized") argv[kept++] = argv[i];
    }
    argv[kept] = nullptr;
    return varnix::run_batch_program(kept, argv);
}
