// The FEAT and MDTM reply parsers.
#include "net/features.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>

namespace varnix {

namespace {

constexpr std::size_t max_feature_line = 512;
constexpr std::size_t max_features = 256;

bool iequal(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

std::string_view trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

bool starts_with_code(std::string_view line, std::string_view code) {
    return line.size() >= 4 && line.substr(0, 3) == code && (line[3] == '-' || line[3] == ' ');
}

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// "type*;size*;modify*;perm;" -> type, size, modify, perm.
std::vector<std::string> read_facts(std::string_view list) {
    std::vector<std::string> facts;
    while (!list.empty() && facts.size() < max_features) {
        const auto semi = list.find(';');
        std::string_view fact = trim(list.substr(0, semi));
        list = semi == std::string_view::npos ? std::string_view{} : list.substr(semi + 1);
        while (!fact.empty() && fact.back() == '*') fact.remove_suffix(1);
        if (fact.empty()) continue;
        std::string lower(fact);
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        facts.push_back(std::move(lower));
    }
    return facts;
}

std::optional<int> digits(std::string_view text, std::size_t at, std::size_t count) {
    int value = 0;
    const char* first = text.data() + at;
    const auto [end, ec] = std::from_chars(first, first + count, value);
    if (ec != std::errc() || end != first + count) return std::nullopt;
    return value;
}

}  // namespace

bool ServerFeatures::offers(std::string_view name) const {
    return std::any_of(features.begin(), features.end(),
                       [&](const Feature& f) { return iequal(f.name, name); });
}

bool ServerFeatures::offers(std::string_view name, std::string_view argument) const {
    return std::any_of(features.begin(), features.end(), [&](const Feature& f) {
        if (!iequal(f.name, name)) return false;
        const std::string_view args = f.arguments;
        return iequal(args.substr(0, args.find(' ')), argument);
    });
}

ServerFeatures parse_feat_reply(std::span<const std::string> lines) {
    ServerFeatures result;
    result.asked = true;
    if (lines.empty() || !starts_with_code(lines.front(), "211")) return result;
    result.answered = true;
    // The first line opens the reply and the last one ("211 End") closes it; neither names a
    // feature. A one-line "211 no features" names none either.
    for (std::size_t i = 1; i + 1 < lines.size() && result.features.size() < max_features; ++i) {
        std::string_view line = lines[i];
        if (line.size() > max_feature_line) continue;
        // Some servers send each feature as a continuation line of its own: "211-MDTM".
        if (starts_with_code(line, "211")) line.remove_prefix(4);
        line = trim(line);
        if (line.empty()) continue;
        const auto blank = line.find_first_of(" \t");
        Feature f;
        f.name = upper(line.substr(0, blank));
        if (blank != std::string_view::npos) f.arguments = std::string(trim(line.substr(blank)));
        if (f.name == "MLST") result.mlst_facts = read_facts(f.arguments);
        result.features.push_back(std::move(f));
    }
    return result;
}

std::optional<std::int64_t> utc_seconds(int year, int month, int day, int hour, int minute,
                                        int second) {
    using namespace std::chrono;
    const year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                              std::chrono::day{static_cast<unsigned>(day)}};
    if (!date.ok() || hour > 23 || minute > 59 || second > 60 || hour < 0 || minute < 0 || second < 0) {
        return std::nullopt;
    }
    const auto days = sys_days{date}.time_since_epoch().count();
    return static_cast<std::int64_t>(days) * 86400 + hour * 3600 + minute * 60 + second;
}

std::optional<std::int64_t> parse_mdtm_reply(std::string_view text) {
    if (!text.starts_with("213 ")) return std::nullopt;
    text.remove_prefix(4);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    std::size_t length = 0;
    while (length < text.size() && text[length] >= '0' && text[length] <= '9') ++length;
    // A fraction of a second may follow; anything else after the digits is no time.
    if (length != 14) return std::nullopt;
    if (length < text.size() && text[length] != '.' && text[length] != ' ') return std::nullopt;
    const auto year = digits(text, 0, 4), month = digits(text, 4, 2), day = digits(text, 6, 2);
    const auto hour = digits(text, 8, 2), minute = digits(text, 10, 2), second = digits(text, 12, 2);
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    return utc_seconds(*year, *month, *day, *hour, *minute, *second);
}

}  // namespace varnix
