// The netrc reader: tokens, machine/default entries and the file's permission check.
#include "config/netrc.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <strings.h>
#include <sys/stat.h>

namespace varnix {

namespace {

// Files larger than this are not credentials files.
constexpr std::size_t max_netrc_bytes = 1 << 20;

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

class Tokens {
public:
    explicit Tokens(std::string_view text) : text_(text) {}

    std::optional<std::string> next() {
        while (at_ < text_.size() && is_space(text_[at_])) ++at_;
        if (at_ >= text_.size()) return std::nullopt;
        std::string token;
        if (text_[at_] == '"') {
            for (++at_; at_ < text_.size() && text_[at_] != '"'; ++at_) {
                if (text_[at_] == '\\' && at_ + 1 < text_.size()) ++at_;
                token += text_[at_];
            }
            if (at_ < text_.size()) ++at_;  // the closing quote
            return token;
        }
        while (at_ < text_.size() && !is_space(text_[at_])) token += text_[at_++];
        return token;
    }

    // A macro definition runs from the end of its name line to the next empty line.
    void skip_macro_body() {
        const auto line_end = text_.find('\n', at_);
        if (line_end == std::string_view::npos) {
            at_ = text_.size();
            return;
        }
        const auto blank = text_.find("\n\n", line_end);
        at_ = blank == std::string_view::npos ? text_.size() : blank + 2;
    }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

bool same_host(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

std::optional<NetrcLogin> find_netrc_login(std::string_view text, std::string_view host) {
    Tokens tokens(text);
    std::optional<NetrcLogin> fallback;
    // The entry being read: whether it applies, and whether it is the default.
    enum class Entry { None, Other, Match, Default } entry = Entry::None;
    NetrcLogin current;
    const auto close_entry = [&]() -> std::optional<NetrcLogin> {
        if (entry == Entry::Match) return current;
        if (entry == Entry::Default && !fallback) fallback = current;
        return std::nullopt;
    };
    while (auto token = tokens.next()) {
        if (*token == "machine" || *token == "default") {
            if (auto found = close_entry()) return found;
            current = {};
            if (*token == "default") {
                entry = Entry::Default;
            } else {
                const auto name = tokens.next();
                entry = name && same_host(*name, host) ? Entry::Match : Entry::Other;
            }
        } else if (*token == "login" || *token == "password" || *token == "account") {
            const std::string value = tokens.next().value_or(std::string());
            if (*token == "login") current.login = value;
            else if (*token == "password") current.password = value;
            else current.account = value;
        } else if (*token == "macdef") {
            (void)tokens.next();  // the macro's name
            tokens.skip_macro_body();
        }
        // Anything else ("port", unknown words) is passed over.
    }
    if (auto found = close_entry()) return found;
    return fallback;
}

NetrcLookup read_netrc_login(const std::string& path, std::string_view host) {
    NetrcLookup result;
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return result;
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        result.refused = path + " is not used: others can read or change it (chmod 600 " + path + ")";
        return result;
    }
    if (!S_ISREG(st.st_mode) || static_cast<std::size_t>(st.st_size) > max_netrc_bytes) {
        result.refused = path + " is not used: it is not a small regular file";
        return result;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    result.login = find_netrc_login(text.str(), host);
    return result;
}

std::string netrc_path() {
    if (const char* netrc = std::getenv("NETRC"); netrc && *netrc) return netrc;
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.netrc";
    return {};
}

}  // namespace varnix
