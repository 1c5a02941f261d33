// libFuzzer target for the reply parsers the client meets after logon: the input's lines are
// a FEAT reply, and each line is also read as an EPSV reply and an MDTM reply. A feature
// without a name, an MLST fact holding ';' or ending in '*', a port outside 1..65535 or a time
// outside the years 0000..9999 is a failure; so is an EPSV port that does not survive being written
// back in the RFC 2428 form and read again.
#include "net/extended_address.h"
#include "net/features.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varnix;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    while (!input.empty() && lines.size() < 4096) {
        const std::size_t nl = input.find('\n');
        const std::string_view line = input.substr(0, nl);
        input.remove_prefix(nl == std::string_view::npos ? input.size() : nl + 1);
        lines.emplace_back(line);
        if (const auto port = parse_epsv_reply(line)) {
            if (*port == 0 || *port > 65535) __builtin_trap();
            const std::string again = "229 (|||" + std::to_string(*port) + "|)";
            if (parse_epsv_reply(again) != port) __builtin_trap();
        }
        if (const auto seconds = parse_mdtm_reply(line)) {
            // Years 0000 to 9999: from -62167219200 (0000-01-01) to 253402300800 (10000-01-01).
            if (*seconds < -62167219200LL || *seconds >= 253402300800LL) __builtin_trap();
        }
    }
    const ServerFeatures features = parse_feat_reply(lines);
    for (const Feature& f : features.features) {
        if (f.name.empty() || f.name.find(' ') != std::string::npos) __builtin_trap();
        (void)features.offers(f.name, f.arguments);
    }
    for (const std::string& fact : features.mlst_facts) {
        if (fact.empty() || fact.find(';') != std::string::npos || fact.back() == '*') __builtin_trap();
    }
    return 0;
}
