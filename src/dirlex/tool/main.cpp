// dirlex: reads FTP listing lines and prints what the listing-parser library makes of each,
// one tab-separated row per line; also lists the host types and recognises server texts.
#include "dirlex/dirlex.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace varnix::dirlex;

constexpr std::string_view usage =
    "usage: dirlex [--type CODE] [--now YYYY-MM-DD] [--json | --explain] [FILE...]\n"
    "       dirlex --types\n"
    "       dirlex --syst TEXT\n"
    "       dirlex --line TEXT\n"
    "Prints one row per listing line: code, kind (file, dir, link, skip), size,\n"
    "date YYYY-MM-DD, time HH:MM, name; separated by tabs.\n"
    "--json     one JSON object per line instead, with the same fields\n"
    "           (\"code\", \"kind\", \"size\", \"date\", \"time\", \"name\").\n"
    "--explain  for each line, which dialects tried it and why each declined,\n"
    "           then the row; include this output in a bug report.\n";

enum class Output { Tsv, Json, Explain };

struct Options {
    int host_type = host::automatic;
    CivilDate today = current_date();
    Output output = Output::Tsv;
    std::vector<std::string> files;
};

std::optional<int> to_int(std::string_view s)
{
    int v = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc{} || ptr != s.data() + s.size()) {
        return std::nullopt;
    }
    return v;
}

std::optional<CivilDate> to_date(std::string_view s)
{
    if (s.size() != 10 || s[4] != '-' || s[7] != '-') {
        return std::nullopt;
    }
    const auto y = to_int(s.substr(0, 4));
    const auto m = to_int(s.substr(5, 2));
    const auto d = to_int(s.substr(8, 2));
    if (!y || !m || !d || *m < 1 || *m > 12 || *d < 1 || *d > 31) {
        return std::nullopt;
    }
    return CivilDate{*y, *m, *d};
}

std::string_view kind_text(EntryKind kind)
{
    switch (kind) {
    case EntryKind::Directory:
        return "dir";
    case EntryKind::Link:
        return "link";
    default:
        return "file";
    }
}

void append_number(std::string& out, std::uint64_t v, int width)
{
    char buf[24];
    const auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, v);
    (void)ec;
    for (int pad = width - static_cast<int>(ptr - buf); pad > 0; --pad) {
        out += '0';
    }
    out.append(buf, ptr);
}

// "YYYY-MM-DD", then `between`, then "HH:MM".
void append_date_time(std::string& out, const ListEntry& e, std::string_view between)
{
    append_number(out, e.year, 4);
    out += '-';
    append_number(out, e.month, 2);
    out += '-';
    append_number(out, e.day, 2);
    out += between;
    append_number(out, e.hour, 2);
    out += ':';
    append_number(out, e.minute, 2);
}

void append_row(std::string& out, bool ok, const ListEntry& e, int host_type)
{
    append_number(out, ok ? e.host_type : static_cast<std::uint64_t>(host_type), 0);
    out += '\t';
    if (!ok) {
        out += "skip\t0\t0000-00-00\t00:00\t\n";
        return;
    }
    out += kind_text(e.kind);
    out += '\t';
    append_number(out, e.size, 0);
    out += '\t';
    append_date_time(out, e, "\t");
    out += '\t';
    out += e.name;
    out += '\n';
}

// The length of the valid UTF-8 sequence at `s[i]`, or 0.
std::size_t utf8_length(std::string_view s, std::size_t i)
{
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    if (b >= 0xc2 && b <= 0xdf) {
        n = 2;
    } else if (b >= 0xe0 && b <= 0xef) {
        n = 3;
    } else if (b >= 0xf0 && b <= 0xf4) {
        n = 4;
    } else {
        return 0;
    }
    if (i + n > s.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < n; ++k) {
        if ((static_cast<unsigned char>(s[i + k]) & 0xc0) != 0x80) {
            return 0;
        }
    }
    return n;
}

// A JSON string. Names are bytes: valid UTF-8 passes through, any other byte is written
// as the code point of the same value (as if the name were Latin-1).
void append_json_string(std::string& out, std::string_view s)
{
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b == '"' || b == '\\') {
            out += '\\';
            out += static_cast<char>(b);
        } else if (b >= 0x20 && b < 0x80) {
            out += static_cast<char>(b);
        } else if (const std::size_t n = b >= 0x80 ? utf8_length(s, i) : 0; n > 0) {
            out.append(s.substr(i, n));
            i += n - 1;
        } else {
            out += "\\u00";
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    out += '"';
}

void append_json_row(std::string& out, bool ok, const ListEntry& e, int host_type)
{
    out += "{\"code\":";
    append_number(out, ok ? e.host_type : static_cast<std::uint64_t>(host_type), 0);
    out += ",\"kind\":\"";
    out += ok ? kind_text(e.kind) : "skip";
    out += '"';
    if (ok) {
        out += ",\"size\":";
        append_number(out, e.size, 0);
        out += ",\"date\":\"";
        append_date_time(out, e, "\",\"time\":\"");
        out += "\",\"name\":";
        append_json_string(out, e.name);
    }
    out += "}\n";
}

void append_explanation(std::string& out, std::string_view line, const Options& opt, const ParseContext& ctx)
{
    out += "line: ";
    append_json_string(out, line);
    out += '\n';
    for (const DialectTrial& t : explain_list_line(line, opt.host_type, {}, ctx)) {
        out += "  ";
        append_number(out, t.code, 0);
        out += ' ';
        out += host_type_name(t.code);
        out += t.read ? ": read it\n" : ": declined: ";
        if (!t.read) {
            out += t.reason;
            out += '\n';
        }
    }
}

void run_listing(std::istream& in, const Options& opt)
{
    ListingState state;
    const ParseContext ctx{opt.today, &state};
    ListEntry entry;
    std::string line;
    std::string out;
    while (std::getline(in, line)) {
        if (opt.output == Output::Explain) {
            append_explanation(out, line, opt, ctx);
        }
        const bool ok = parse_list_line(entry, line, opt.host_type, {}, {}, ctx);
        if (opt.output == Output::Json) {
            append_json_row(out, ok, entry, opt.host_type);
        } else {
            if (opt.output == Output::Explain) {
                out += "  result: ";
            }
            append_row(out, ok, entry, opt.host_type);
        }
        if (out.size() > 1 << 16) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
}

int print_types()
{
    for (const HostTypeInfo& info : host_types()) {
        std::printf("%u\t%.*s\n", static_cast<unsigned>(info.code), static_cast<int>(info.name.size()),
                    info.name.data());
    }
    return 0;
}

int fail(std::string_view message)
{
    std::fprintf(stderr, "dirlex: %.*s\n%.*s", static_cast<int>(message.size()), message.data(),
                 static_cast<int>(usage.size()), usage.data());
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    Options opt;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool has_value = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fwrite(usage.data(), 1, usage.size(), stdout);
            return 0;
        }
        if (arg == "--types") {
            return print_types();
        }
        if (arg == "--json" || arg == "--explain") {
            opt.output = arg == "--json" ? Output::Json : Output::Explain;
            continue;
        }
        if ((arg == "--syst" || arg == "--line") && has_value) {
            const std::string_view text = argv[++i];
            const int code = arg == "--syst" ? host_type_from_syst(text, opt.host_type)
                                             : host_type_from_line(text, opt.host_type);
            std::printf("%d\n", code);
            return 0;
        }
        if (arg == "--type" && has_value) {
            const auto code = to_int(argv[++i]);
            if (!code || *code < 0 || *code > 65535) {
                return fail("--type needs a host type code");
            }
            opt.host_type = *code;
            continue;
        }
        if (arg == "--now" && has_value) {
            const auto date = to_date(argv[++i]);
            if (!date) {
                return fail("--now needs a date YYYY-MM-DD");
            }
            opt.today = *date;
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            return fail("unknown option or missing value");
        }
        opt.files.emplace_back(arg);
    }
    if (opt.files.empty()) {
        run_listing(std::cin, opt);
        return 0;
    }
    int status = 0;
    for (const std::string& file : opt.files) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "dirlex: cannot open %s: %s\n", file.c_str(), std::strerror(errno));
            status = 1;
            continue;
        }
        run_listing(in, opt);
    }
    return status;
}
