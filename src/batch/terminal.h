// The services of a run without a display: message-area lines and message boxes on standard
// error, prompts answered at the terminal (or cancelled when there is none).
#pragma once

#include <iosfwd>

#include "platform/services.h"

namespace varnix {

class TerminalMessageView : public MessageView {
public:
    explicit TerminalMessageView(std::ostream& out) : out_(out) {}
    void show_message_lines(std::string_view upper, std::string_view lower) override;
    void log_window_append(std::string_view) override {}

private:
    std::ostream& out_;
};

class TerminalMessageBoxes : public MessageBoxes {
public:
    explicit TerminalMessageBoxes(std::ostream& out) : out_(out) {}
    // Yes/No questions are answered at the terminal; without one, No.
    int show(std::string_view text, std::string_view caption, int style) override;

private:
    std::ostream& out_;
};

class TerminalPrompter : public Prompter {
public:
    std::optional<std::string> ask(const PromptRequest& request) override;
};

class SilentSound : public SoundService {
public:
    bool play_wave(const std::string&) override { return true; }
    void beep() override {}
};

}  // namespace varnix
