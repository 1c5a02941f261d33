// libFuzzer target for the listing parser: the input is a listing (lines split at LF)
// whose first byte picks the host type; its first line also goes through host type
// recognition and the explanation of which dialects declined it. A name with NUL, CR or
// LF, an out-of-range date field or a decline without a reason is a failure.
#include "dirlex/dirlex.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

constexpr int fuzz_host_types[] = {6000, 6010, 6012, 6020, 6024, 6026, 6029, 6030, 6044, 6045, 6100, 6101, 6102, 6103, 6104, 6105};

void check(const varnix::dirlex::ListEntry& e)
{
    if (e.name.empty() || e.name.find('\0') != std::string::npos || e.name.find('\r') != std::string::npos ||
        e.name.find('\n') != std::string::npos || e.month > 12 || e.day > 31 || e.hour > 23 || e.minute > 59) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varnix::dirlex;
    if (size == 0) {
        return 0;
    }
    const int host_type = fuzz_host_types[data[0] % std::size(fuzz_host_types)];
    std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    ListingState state;
    const ParseContext ctx{CivilDate{2024, 6, 15}, &state};
    ListEntry entry;
    bool first_line = true;
    while (!input.empty()) {
        const std::size_t nl = input.find('\n');
        const std::string_view line = input.substr(0, nl == std::string_view::npos ? input.size() : nl + 1);
        input.remove_prefix(line.size());
        if (parse_list_line(entry, line, host_type, "'USER.'", "user", ctx)) {
            check(entry);
        }
        if (first_line) {
            // Server texts are single reply lines; one per input keeps the run fast.
            (void)host_type_from_syst(line, 6000);
            (void)host_type_from_line(line, 6000);
            for (const DialectTrial& trial : explain_list_line(line, host_type, "'USER.'", ctx)) {
                if (!trial.read && trial.reason.empty()) {
                    __builtin_trap();
                }
            }
            first_line = false;
        }
    }
    return 0;
}
