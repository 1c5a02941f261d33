// The message history (60 lines of 99 characters), its diagnostic filter and batch mirror,
// and the one-line prompts over the Prompter interface.
#include "platform/messages.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace varnix {

namespace {

std::string format_text(std::size_t limit, const char* format, va_list args) {
    std::string text(limit + 1, '\0');
    const int n = std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(n < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(n), limit));
    return text;
}

bool is_control(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '\t') || byte == 0x7F;
}

}  // namespace

void MessageOutput::print_message(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprint_message(format, args);
    va_end(args);
}

void MessageOutput::vprint_message(const char* format, va_list args) {
    add_message_line(format_text(format_buffer - 1, format, args));
}

void MessageOutput::add_message_line(std::string_view text) {
    if (!verbose_.load() && !text.empty() && text.front() == '[') return;
    // A name from a hostile server may hold line breaks or other control bytes: shown as
    // they are, they would split the line or forge one in the mirror file.
    if (std::any_of(text.begin(), text.end(), [](char c) { return is_control(c); })) {
        std::string shown(text);
        std::replace_if(shown.begin(), shown.end(), is_control, '?');
        append_to_history(shown);
        return;
    }
    append_to_history(text);
}

void MessageOutput::set_view(MessageView* view) {
    std::lock_guard lock(mutex_);
    view_ = view;
}

void MessageOutput::set_invoker(UiInvoker* invoker) {
    std::lock_guard lock(mutex_);
    invoker_ = invoker;
}

void MessageOutput::set_mirror_path(std::string path) {
    std::lock_guard lock(mutex_);
    mirror_path_ = std::move(path);
}

void MessageOutput::append_to_mirror(std::string_view text) {
    std::FILE* file = std::fopen(mirror_path_.c_str(), "a");
    if (!file) return;  // a mirror that cannot be opened is skipped
    std::fwrite(text.data(), 1, text.size(), file);
    std::fputc('\n', file);
    std::fclose(file);
}

int MessageOutput::append_to_history(std::string_view text) {
    Shown shown;
    int slot;
    {
        std::lock_guard lock(mutex_);
        if (batch_.load()) append_to_mirror(text);
        // Shift only once all sixty history_slots hold a line, so the history keeps sixty lines.
        if (stored_ == history_slots) {
            for (int i = 1; i < history_slots; ++i) history_[i - 1] = std::move(history_[i]);
        } else {
            ++stored_;
        }
        slot = stored_ - 1;
        history_[slot].assign(text.substr(0, slot_chars));
        shown = pair_at(slot);
        shown.appended.assign(text);
        shown.append = true;
        view_index_ = slot;
    }
    show(std::move(shown));
    return slot;
}

MessageOutput::Shown MessageOutput::pair_at(int lower_slot) const {
    Shown shown;
    shown.view = view_;
    shown.invoker = invoker_;
    if (lower_slot > 0) shown.upper = history_[lower_slot - 1];
    shown.lower = history_[lower_slot];
    return shown;
}

void MessageOutput::show(Shown shown) {
    if (!shown.view) return;
    MessageView* view = shown.view;
    UiInvoker* invoker = shown.invoker;
    post_to_gui_thread(invoker, [view, shown = std::move(shown)] {
        if (shown.append) view->log_window_append(shown.appended);
        view->show_message_lines(shown.upper, shown.lower);
    });
}

void MessageOutput::scroll_messages(int delta) {
    Shown shown;
    {
        std::lock_guard lock(mutex_);
        int view = view_index_ + delta;
        const int newest = stored_ - 1;
        if (view > 0) {
            if (view > newest) {
                view_index_ = std::max(newest, 0);
                return;
            }
            view_index_ = view;
            shown = pair_at(view);
        } else {
            view_index_ = 1;
            return;
        }
    }
    show(std::move(shown));
}

std::vector<std::string> MessageOutput::history() const {
    std::lock_guard lock(mutex_);
    return {history_.begin(), history_.begin() + stored_};
}

int MessageOutput::newest_index() const {
    std::lock_guard lock(mutex_);
    return stored_ - 1;
}

int MessageOutput::view_index() const {
    std::lock_guard lock(mutex_);
    return view_index_;
}

std::string Prompts::answer() const {
    std::lock_guard lock(answer_mutex_);
    return answer_;
}

void Prompts::clear_answer() {
    std::lock_guard lock(answer_mutex_);
    answer_.clear();
}

void Prompts::set_name_charset(std::string charset) {
    std::lock_guard lock(answer_mutex_);
    name_charset_ = std::move(charset);
}

void Prompts::set_answer(std::string_view text) {
    std::lock_guard lock(answer_mutex_);
    answer_.assign(text.substr(0, answer_chars));
}

int Prompts::ask(PromptKind kind, std::string initial, std::vector<std::string> choices,
                 const char* format, va_list args) {
    PromptRequest request;
    request.kind = kind;
    request.prompt = format_text(prompt_chars, format, args);
    request.initial = std::move(initial);
    request.help_context = help_context_.exchange(0);
    request.choices = std::move(choices);
    {
        std::lock_guard lock(answer_mutex_);
        request.name_charset = std::exchange(name_charset_, std::string());
    }
    set_answer(request.initial);
    std::optional<std::string> reply;
    if (prompter_) {
        Prompter* prompter = prompter_;
        if (!run_on_gui_thread(invoker_, [&] { reply = prompter->ask(request); })) reply.reset();
    }
    if (!reply) return 0;
    set_answer(*reply);
    return 1;
}

int Prompts::ask_text(std::string* buffer, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int ok = ask(PromptKind::Text, buffer ? *buffer : std::string(), {}, format, args);
    va_end(args);
    if (ok && buffer) *buffer = answer();
    return ok;
}

int Prompts::ask_password(std::string& buffer, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int ok = ask(PromptKind::Password, buffer, {}, format, args);
    va_end(args);
    if (ok) buffer = answer();
    return ok;
}

int Prompts::ask_with_history(std::string_view initial, const std::vector<std::string>& choices,
                              const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int ok = ask(PromptKind::WithHistory, std::string(initial), choices, format, args);
    va_end(args);
    return ok;
}

}  // namespace varnix
