// Text helpers.
#include "listing/text_helpers.h"

namespace varnix {

namespace {

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool is_trailing_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

void lower_case(std::string& text) {
    for (char& c : text) c = fold(c);
}

std::string lowered(std::string_view text) {
    std::string result(text);
    lower_case(result);
    return result;
}

void strip_trailing_blanks(std::string& text) {
    std::size_t end = text.size();
    while (end > 0 && is_trailing_blank(text[end - 1])) --end;
    text.resize(end);
}

std::optional<std::size_t> find_text(std::string_view text, std::string_view pattern) {
    const auto at = text.find(pattern);
    if (at == std::string_view::npos) return std::nullopt;
    return at;
}

}  // namespace varnix
