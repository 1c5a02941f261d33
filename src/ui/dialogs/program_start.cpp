// Starting a program detached from this one, without a shell: the words of argv reach the
// program exactly as given (bytes), so a file name with blanks, quotes or ";" stays one word.
#include "ui/dialogs/program_start.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace varnix::ui {

int start_detached_program(const std::vector<std::string>& argv) {
    if (argv.empty() || argv.front().empty()) return EINVAL;
    std::vector<char*> words;
    words.reserve(argv.size() + 1);
    for (const std::string& word : argv) {
        if (word.find('\0') != std::string::npos) return EINVAL;
        words.push_back(const_cast<char*>(word.c_str()));
    }
    words.push_back(nullptr);

    posix_spawnattr_t attributes;
    if (const int error = ::posix_spawnattr_init(&attributes); error != 0) return error;
    // Its own session: closing this program does not take the started one down with it.
    (void)::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    const bool search = argv.front().find('/') == std::string::npos;
    const int error = search ? ::posix_spawnp(&pid, words[0], nullptr, &attributes, words.data(), environ)
                             : ::posix_spawn(&pid, words[0], nullptr, &attributes, words.data(), environ);
    ::posix_spawnattr_destroy(&attributes);
    if (error != 0) return error;
    // Nobody else waits for it; reaping it here keeps it from lingering as a zombie.
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return 0;
}

}  // namespace varnix::ui
