// After logon: what the server offers (FEAT, once per connection) and UTF-8 names (OPTS UTF8
// ON when FEAT lists UTF8). Also MDTM, the server's modification time of a file (RFC 3659).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "net/net_context.h"

namespace varnix {

// Sends FEAT unless this connection has asked already, keeps what it lists in
// ctx.control.state().features, and sends "OPTS UTF8 ON" when it lists UTF8. A server that does not
// know FEAT (500, 502) is left alone: nothing beyond the classic command set is used with it.
void negotiate_features(NetContext& ctx);

// Sends "MDTM name" when FEAT listed MDTM; the time it names, or nullopt.
[[nodiscard]] std::optional<std::int64_t> remote_modify_time(NetContext& ctx,
                                                             const std::string& name);

}  // namespace varnix
