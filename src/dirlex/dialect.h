// What every dialect parser shares: its signature and the helpers that start an entry and
// store a name safely.
#pragma once

#include "dirlex/dirlex.h"

#include <string_view>

namespace varnix::dirlex {

// A dialect parser reads one line (line end already removed) and fills `out` on success.
// It may leave `out` half-filled when it fails; the caller starts the next try afresh.
using DialectParser = bool (*)(std::string_view line, const ParseContext& ctx, ListEntry& out);

// Zero sizes and dates, kind File, empty name that keeps its capacity.
void begin_entry(ListEntry& e);

// Stores the name unless it is empty or carries NUL, CR or LF.
[[nodiscard]] bool set_name(ListEntry& e, std::string_view name);

// A parser's "no" with the reason --explain shows; always false.
[[nodiscard]] inline bool decline(const ParseContext& ctx, std::string_view why)
{
    if (ctx.why != nullptr) {
        *ctx.why = why;
    }
    return false;
}

}  // namespace varnix::dirlex
