// Option parsing, word splitting and transfer addresses.
#include "batch/command_line.h"

#include <algorithm>
#include <charconv>
#include <strings.h>

#include "config/config_file.h"
#include "config/profiles.h"
#include "net/logon.h"
#include "platform/tls_stream.h"

namespace varnix {

namespace {

constexpr int command_line_help = 360;  // the manual's section on typing the command line

bool is_blank(char c) { return c == ' '; }

// Moves past the word at the start and the blanks after it.
std::string_view skip_word(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && !is_blank(text[i])) ++i;
    while (i < text.size() && is_blank(text[i])) ++i;
    return text.substr(i);
}

// The option's value: the next word. `text` moves past it and its blanks.
std::string take_value(std::string_view& text) {
    text = skip_word(text);
    std::size_t i = 0;
    while (i < text.size() && !is_blank(text[i])) ++i;
    std::string value(text.substr(0, i));
    while (i < text.size() && is_blank(text[i])) ++i;
    text.remove_prefix(i);
    return value;
}

bool starts_with_nocase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

// One word of split_command_words: up to a blank, with double-quoted runs kept whole.
std::size_t read_word(std::string_view text, std::size_t i, std::string& word) {
    word.clear();
    while (i < text.size() && !is_blank(text[i])) {
        if (text[i] == '"') {
            const auto close = text.find('"', i + 1);
            const std::size_t end = close == std::string_view::npos ? text.size() : close;
            word.append(text.substr(i + 1, end - i - 1));
            i = close == std::string_view::npos ? text.size() : close + 1;
        } else {
            word += text[i++];
        }
    }
    return i;
}

std::size_t skip_blanks_and_tabs(std::string_view text, std::size_t i) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    return i;
}

void reload_settings(BatchContext& ctx) { load_program_settings(ctx); }

// A whole option word, so that "-tls" and "-trust" are told apart from other "-t" words.
bool is_option_word(std::string_view text, std::string_view word) {
    return text.starts_with(word) && (text.size() == word.size() || is_blank(text[word.size()]));
}

std::optional<std::string> unknown_arguments(BatchContext& ctx, std::string_view text) {
    const std::string message = "Unknown arguments " + std::string(text);
    if (ctx.services.boxes) {
        (void)ctx.services.boxes->show(message, program_title, mb::ok | mb::icon_stop);
    }
    return std::nullopt;
}

// "host:port" of the ftp://host:port/path form; the port is kept apart. An IPv6 literal
// comes in brackets ("[::1]:2121", RFC 3986), which are dropped from the host.
void split_port(TransferAddress& address) {
    if (address.host.starts_with('[')) {
        // As above, a port that is no port leaves the whole text as the host.
        const auto close = address.host.find(']');
        if (close == std::string::npos) return;
        const std::string_view rest = std::string_view(address.host).substr(close + 1);
        int port = 0;
        if (!rest.empty()) {
            if (rest.size() < 2 || rest.front() != ':') return;
            const auto [ptr, ec] = std::from_chars(rest.data() + 1, rest.data() + rest.size(), port);
            if (ec != std::errc() || ptr != rest.data() + rest.size() || port < 1 || port > 65535) return;
        }
        address.port = port;
        address.host = address.host.substr(1, close - 1);
        return;
    }
    const auto colon = address.host.rfind(':');
    if (colon == std::string::npos || colon + 1 >= address.host.size()) return;
    int port = 0;
    const char* begin = address.host.data() + colon + 1;
    const char* end = address.host.data() + address.host.size();
    const auto [ptr, ec] = std::from_chars(begin, end, port);
    if (ec != std::errc() || ptr != end || port < 1 || port > 65535) return;
    address.port = port;
    address.host.resize(colon);
}

}  // namespace

std::string help_text() {
    return std::string(usage_text) +
           "\n\n"
           "Addresses:\n"
           "  host:/path            a file or directory on a server (host may name a profile)\n"
           "  ftp://host[:port]/path  the same; a port may follow the host\n"
           "  An IPv6 address goes in brackets: [::1]:/path, ftp://[::1]:2121/path\n"
           "  ftps://host[:port]/path  the same over implicit TLS (port 990 by default)\n"
           "  local:/path           a local file or directory\n"
           "  A * or ? in the file part transfers every matching file.\n"
           "\n"
           "Options:\n"
           "  -s SRC  -d DST        source and destination addresses\n"
           "  -m FILE               run each line of FILE as a command line\n"
           "  -a, -ascii            ASCII transfer        -b  binary transfer\n"
           "  -u USER  -w PASSWORD  -c ACCOUNT            logon values for hosts without a profile\n"
           "  -p PROFILE            load a session profile\n"
           "  -i FILE               use another configuration file\n"
           "  -q, -quiet            no message boxes on failure\n"
           "  -resume               continue a partial download from the local file's size\n"
           "                        (binary only; a complete local file is left alone)\n"
           "  -tls                  require explicit TLS (AUTH TLS) for host:path and ftp://\n"
           "  -trust SHA256:...     trust the server certificate with this fingerprint\n"
           "  -ask                  ask for the command line\n"
           "  -h, --help            this text\n"
           "  --version             the program's version\n"
           "\n"
           "A host without a profile takes its user and password from -u and -w, else from\n"
           "~/.netrc (machine, default, login, password; ignored when others can read it).\n"
           "Exit status: 0 when every transfer succeeded, 1 when one failed, 2 for a bad\n"
           "command line, 130 or 143 when stopped by SIGINT or SIGTERM.\n";
}

std::optional<std::string> parse_options(BatchContext& ctx, std::string_view text) {
    reload_settings(ctx);
    ctx.batch.user.clear();
    ctx.batch.password.clear();
    ctx.batch.account.clear();
    ctx.batch.require_tls = false;
    ctx.batch.trusted_fingerprints.clear();
    std::string owned;  // holds a command line typed at the -ask prompt
    while (!text.empty() && text.front() == '-') {
        const char option = text.size() > 1 ? text[1] : '\0';
        switch (option) {
            case 'a':
                // Only a "k" inside the option's own word makes it -ask: "-a kfile" is ASCII.
                if (text.size() > 3 && text.substr(0, 4).find(' ') == std::string_view::npos &&
                    text[3] == 'k') {
                    std::string typed;
                    ctx.prompts.set_help_context(command_line_help);
                    if (ctx.prompts.ask_text(&typed, "Enter command line:")) {
                        owned = typed;
                        text = owned;
                    } else {
                        text = skip_word(text);
                    }
                } else {
                    ctx.options.mode = 'A';
                    text = skip_word(text);
                }
                break;
            case 'b':
                ctx.options.mode = 'I';
                text = skip_word(text);
                break;
            case 'c':
                ctx.batch.account = cut_to(take_value(text), session_limits::account);
                ctx.session.account = ctx.batch.account;
                break;
            case 'd': ctx.batch.destination = take_value(text); break;
            case 'i':
                ctx.config_path = take_value(text);
                reload_settings(ctx);
                break;
            case 'm':
                ctx.batch.batch_file = take_value(text);
                ctx.messages.set_batch(true);
                break;
            case 'p': {
                const std::string name = take_value(text);
                new_current_profile(ctx, name);
                break;
            }
            case 'q':
                ctx.batch.quiet = true;
                text = skip_word(text);
                break;
            case 'r':
                // -resume continues partial downloads; any other -r word is unknown.
                if (!is_option_word(text, "-resume")) return unknown_arguments(ctx, text);
                ctx.batch.resume = true;
                text = skip_word(text);
                break;
            case 's':
                ctx.batch.source = take_value(text);
                ctx.messages.set_batch(true);
                break;
            case 't':
                if (is_option_word(text, "-tls")) {
                    ctx.batch.require_tls = true;
                    text = skip_word(text);
                } else if (is_option_word(text, "-trust")) {
                    const std::string value = take_value(text);
                    const auto fingerprint = parse_fingerprint(value);
                    if (!fingerprint) return unknown_arguments(ctx, "-trust " + value + " (not a SHA-256 fingerprint)");
                    ctx.batch.trusted_fingerprints.push_back(*fingerprint);
                } else {
                    return unknown_arguments(ctx, text);
                }
                break;
            case 'u':
                ctx.batch.user = cut_to(take_value(text), session_limits::user);
                ctx.session.user = ctx.batch.user;
                break;
            case 'w':
                ctx.batch.password = cut_to(take_value(text), session_limits::password);
                ctx.session.password = ctx.batch.password;
                break;
            default: return unknown_arguments(ctx, text);
        }
    }
    return std::string(text);
}

std::vector<std::string> command_words(std::string_view text) {
    std::vector<std::string> words;
    for (std::size_t i = skip_blanks_and_tabs(text, 0); i < text.size();
         i = skip_blanks_and_tabs(text, i)) {
        std::string word;
        i = read_word(text, i, word);
        words.push_back(std::move(word));
    }
    return words;
}

int split_command_words(std::string_view text, std::string& first, std::string& second) {
    const std::vector<std::string> words = command_words(text);
    first = words.size() > 0 ? words[0] : std::string();
    second = words.size() > 1 ? words[1] : std::string();
    return static_cast<int>(std::min<std::size_t>(words.size(), 2));
}

TransferAddress parse_transfer_address(std::string_view word) {
    TransferAddress address;
    if (word.empty()) return address;
    if (starts_with_nocase(word, "local:")) {
        address.kind = AddressKind::Local;
        address.path = word.substr(6);
        return address;
    }
    if (word.find(':') == std::string_view::npos && !word.starts_with("//")) {
        address.kind = AddressKind::Local;
        address.path = word;
        return address;
    }
    address.kind = AddressKind::Remote;
    if (starts_with_nocase(word, "ftps://")) {
        // TLS from the first byte, as curl and lftp read this form.
        address.implicit_tls = true;
        word.remove_prefix(5);
    }
    if (starts_with_nocase(word, "ftp:")) word.remove_prefix(4);
    if (starts_with_nocase(word, "file:")) word.remove_prefix(5);
    const bool url_form = word.starts_with("//");
    // "[::1]:/path": an IPv6 literal in brackets, then the colon that ends the host.
    if (!url_form && word.starts_with('[')) {
        const auto close = word.find("]:");
        if (close != std::string_view::npos) {
            address.host = word.substr(1, close - 1);
            auto rest = word.substr(close + 1);
            while (!rest.empty() && rest.front() == ':') rest.remove_prefix(1);
            address.path = rest;
            return address;
        }
    }
    if (!word.starts_with("//") && word.find(':') != std::string_view::npos) {
        const auto colon = word.find(':');
        address.host = word.substr(0, colon);
        auto rest = word.substr(colon);
        while (!rest.empty() && rest.front() == ':') rest.remove_prefix(1);
        address.path = rest;
        return address;
    }
    while (!word.empty() && word.front() == '/') word.remove_prefix(1);
    const auto slash = word.find('/');
    address.host = word.substr(0, slash);
    address.path = slash == std::string_view::npos ? std::string() : std::string(word.substr(slash));
    if (url_form) split_port(address);
    return address;
}

std::string file_part(std::string_view path) {
    auto cut = path.rfind('\\');
    if (cut == std::string_view::npos) cut = path.rfind('/');
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

}  // namespace varnix
