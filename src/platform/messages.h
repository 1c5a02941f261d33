// Message output and one-line prompts: every line the program prints goes through
// MessageOutput (the message history, the diagnostic filter, the batch mirror file), and
// every one-line question through Prompts.
#pragma once

#include <array>
#include <atomic>
#include <cstdarg>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/services.h"
#include "platform/ui_invoker.h"

namespace varnix {

// Every member: any thread. The view is called after the history lock is released, on the
// GUI thread (posted there from the worker), so printing never waits for the other thread.
class MessageOutput {
public:
    static constexpr int history_slots = 60;
    static constexpr std::size_t slot_chars = 99;
    static constexpr std::size_t format_buffer = 256;

    explicit MessageOutput(MessageView* view = nullptr) : view_(view) {}
    void set_view(MessageView* view);
    void set_invoker(UiInvoker* invoker);

    // printf-style; the formatted text is cut to 255 characters.
    void print_message(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void vprint_message(const char* format, va_list args);
    // Drops diagnostics (lines beginning with '[') unless verbose is on.
    void add_message_line(std::string_view text);
    // Stores the line in the history and shows it; returns the slot used.
    int append_to_history(std::string_view text);
    // -1 shows the pair one line older, +1 one line newer.
    void scroll_messages(int delta);

    void set_verbose(bool on) { verbose_.store(on); }
    [[nodiscard]] bool verbose() const { return verbose_.load(); }
    // In batch mode every line is also appended to the mirror file.
    void set_batch(bool on) { batch_.store(on); }
    [[nodiscard]] bool batch() const { return batch_.load(); }
    void set_mirror_path(std::string path);

    // The stored lines, oldest first.
    [[nodiscard]] std::vector<std::string> history() const;
    // The slot of the newest line (-1 while the history is empty).
    [[nodiscard]] int newest_index() const;
    [[nodiscard]] int view_index() const;

private:
    // A redraw decided under the lock and shown after it.
    struct Shown {
        MessageView* view = nullptr;
        UiInvoker* invoker = nullptr;
        std::string upper, lower, appended;
        bool append = false;
    };
    void append_to_mirror(std::string_view text);
    [[nodiscard]] Shown pair_at(int lower_slot) const;
    static void show(Shown shown);

    mutable std::mutex mutex_;
    MessageView* view_;
    UiInvoker* invoker_ = nullptr;
    std::array<std::string, history_slots> history_{};
    int stored_ = 0;
    int view_index_ = 0;
    std::atomic<bool> verbose_{false};
    std::atomic<bool> batch_{false};
    std::string mirror_path_ = "xferlog.txt";
};

// Any thread: a prompt from the worker is asked on the GUI thread while the worker waits.
// The answer buffer is behind a lock; the prompter is called without it.
class Prompts {
public:
    static constexpr std::size_t answer_chars = 69;
    static constexpr std::size_t prompt_chars = 511;

    explicit Prompts(Prompter* prompter = nullptr) : prompter_(prompter) {}
    void set_prompter(Prompter* prompter) { prompter_ = prompter; }
    void set_invoker(UiInvoker* invoker) { invoker_ = invoker; }

    // The help topic of the next prompt; every prompt resets it to 0 when it returns.
    void set_help_context(int context) { help_context_.store(context); }
    // The next prompt asks for a name on the server, in this character set (the profile's
    // CHARSET; empty: automatic). Every prompt resets it.
    void set_name_charset(std::string charset);
    [[nodiscard]] int help_context() const { return help_context_.load(); }

    // 1 for OK, 0 for Cancel. The answer starts as *buffer (empty when none) and is copied
    // back into it on OK.
    int ask_text(std::string* buffer, const char* format, ...)
        __attribute__((format(printf, 3, 4)));
    // The same with an entry that shows no characters.
    int ask_password(std::string& buffer, const char* format, ...)
        __attribute__((format(printf, 3, 4)));
    // A text prompt with a drop-down list of `choices`; the answer stays in answer() only.
    int ask_with_history(std::string_view initial, const std::vector<std::string>& choices,
                         const char* format, ...) __attribute__((format(printf, 4, 5)));

    // The shared answer buffer: the last confirmed answer (a copy: the other thread may
    // change it right after).
    [[nodiscard]] std::string answer() const;
    void clear_answer();

private:
    int ask(PromptKind kind, std::string initial, std::vector<std::string> choices,
            const char* format, va_list args);
    void set_answer(std::string_view text);

    Prompter* prompter_;
    UiInvoker* invoker_ = nullptr;
    mutable std::mutex answer_mutex_;
    std::string answer_;
    std::string name_charset_;  // behind answer_mutex_
    std::atomic<int> help_context_{0};
};

}  // namespace varnix
