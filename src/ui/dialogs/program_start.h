// Starting a program detached from this one, without a shell: the words of argv reach the
// program exactly as given (bytes), so a file name with blanks, quotes or ";" stays one word.
#pragma once

#include <string>
#include <vector>

namespace varnix::ui {

// Starts argv[0] (searched in PATH when it holds no "/") in its own session; the child is
// reaped in the background. Returns 0, or the errno value of why it could not be started.
[[nodiscard]] int start_detached_program(const std::vector<std::string>& argv);

}  // namespace varnix::ui
