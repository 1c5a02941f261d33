// The trusted-certificates store: reading, answering and rewriting the file.
#include "config/trusted_certs.h"

#include <cerrno>
#include <charconv>
#include <optional>

#include "platform/settings_file.h"
#include "platform/tls_stream.h"

namespace varnix {

namespace {

bool same_host(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::string_view next_word(std::string_view& text) {
    const auto start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        text = {};
        return {};
    }
    text.remove_prefix(start);
    const auto end = text.find_first_of(" \t");
    const std::string_view word = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end);
    return word;
}

std::optional<std::int32_t> parse_port(std::string_view text) {
    std::int32_t port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

}  // namespace

TrustedCertificates TrustedCertificates::from_text(std::string_view text) {
    TrustedCertificates store;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        std::string_view raw = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        Line line;
        line.raw = std::string(raw);
        std::string_view rest = raw;
        const std::string_view host = next_word(rest);
        const auto port = parse_port(next_word(rest));
        const auto fingerprint = parse_fingerprint(next_word(rest));
        if (!host.empty() && host.front() != '#' && port && fingerprint && next_word(rest).empty()) {
            line.host = std::string(host);
            line.port = *port;
            line.fingerprint = *fingerprint;
        }
        store.lines_.push_back(std::move(line));
    }
    return store;
}

TrustedCertificates::Loaded TrustedCertificates::load(const std::string& path) {
    Loaded loaded;
    std::string text;
    const int error = read_settings_file(path, text);
    if (error == ENOENT) return loaded;
    if (error) {
        loaded.status.error = error;
        return loaded;
    }
    loaded.store = from_text(text);
    return loaded;
}

CertTrust TrustedCertificates::check(std::string_view host, std::int32_t port,
                                     std::string_view fingerprint) const {
    const auto wanted = parse_fingerprint(fingerprint);
    bool known = false;
    for (const Line& line : lines_) {
        if (line.fingerprint.empty() || line.port != port || !same_host(line.host, host)) continue;
        if (wanted && line.fingerprint == *wanted) return CertTrust::Trusted;
        known = true;
    }
    return known ? CertTrust::Changed : CertTrust::Unknown;
}

void TrustedCertificates::trust(std::string_view host, std::int32_t port, std::string_view fingerprint) {
    const auto canonical = parse_fingerprint(fingerprint);
    if (!canonical || host.empty()) return;
    std::erase_if(lines_, [&](const Line& line) {
        return !line.fingerprint.empty() && line.port == port && same_host(line.host, host);
    });
    Line line;
    line.host = std::string(host);
    line.port = port;
    line.fingerprint = *canonical;
    line.raw = line.host + ' ' + std::to_string(port) + ' ' + line.fingerprint;
    lines_.push_back(std::move(line));
}

std::string TrustedCertificates::text() const {
    std::string out;
    for (const Line& line : lines_) {
        out += line.raw;
        out += '\n';
    }
    return out;
}

IniStatus TrustedCertificates::save(const std::string& path) const {
    return replace_file_safely(path, text());
}

std::string trusted_certs_path(const ConfigContext& ctx) {
    const auto slash = ctx.user_profile_path.rfind('/');
    if (slash == std::string::npos) return {};
    return ctx.user_profile_path.substr(0, slash + 1) + trusted_certs_file_name;
}

IniStatus trust_always(const std::string& path, std::string_view host, std::int32_t port,
                       std::string_view fingerprint) {
    if (path.empty()) return {ENOENT};
    auto loaded = TrustedCertificates::load(path);
    if (!loaded.status.ok()) return loaded.status;
    loaded.store.trust(host, port, fingerprint);
    return loaded.store.save(path);
}

}  // namespace varnix
