// Terminal services: standard error for output, the controlling terminal for answers.
#include "batch/terminal.h"

#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace varnix {

namespace {

bool interactive() { return ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO); }

std::optional<std::string> read_answer(bool hidden) {
    termios saved{};
    const bool masked = hidden && ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (masked) {
        termios quiet = saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        (void)::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string line;
    const bool got = static_cast<bool>(std::getline(std::cin, line));
    if (masked) {
        (void)::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::cerr << '\n';
    }
    if (!got) return std::nullopt;
    return line;
}

}  // namespace

void TerminalMessageView::show_message_lines(std::string_view, std::string_view lower) {
    out_ << lower << '\n' << std::flush;
}

int TerminalMessageBoxes::show(std::string_view text, std::string_view caption, int style) {
    out_ << caption << ": " << text << '\n' << std::flush;
    const int buttons = style & 0xF;
    if (buttons != mb::yes_no && buttons != mb::yes_no_cancel) return mb::id_ok;
    if (!interactive()) return mb::id_no;
    out_ << "(y/n) " << std::flush;
    const auto answer = read_answer(false);
    return answer && !answer->empty() && (answer->front() == 'y' || answer->front() == 'Y') ? mb::id_yes
                                                                                           : mb::id_no;
}

std::optional<std::string> TerminalPrompter::ask(const PromptRequest& request) {
    if (!interactive()) return std::nullopt;
    std::cerr << request.prompt;
    if (!request.initial.empty() && request.kind != PromptKind::Password) {
        std::cerr << " [" << request.initial << "]";
    }
    std::cerr << ' ' << std::flush;
    auto answer = read_answer(request.kind == PromptKind::Password);
    if (answer && answer->empty() && request.kind != PromptKind::Password) return request.initial;
    return answer;
}

}  // namespace varnix
