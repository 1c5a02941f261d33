// The certificates the user chose to trust always: the file `trusted-certs` in the config
// folder, one "host port fingerprint" line per server, and the answer for a presented one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_context.h"
#include "platform/ini_file.h"

namespace varnix {

inline constexpr const char* trusted_certs_file_name = "trusted-certs";

enum class CertTrust {
    Trusted,  // this host and port were trusted with this certificate
    Unknown,  // nothing stored for this host and port
    Changed,  // this host and port were trusted with ANOTHER certificate
};

class TrustedCertificates {
public:
    // A missing file is an empty store; an unreadable one is an error (and is never rewritten).
    struct Loaded;
    [[nodiscard]] static Loaded load(const std::string& path);
    [[nodiscard]] static TrustedCertificates from_text(std::string_view text);

    // Host names match without regard to case; the fingerprint in any form parse_fingerprint
    // reads.
    [[nodiscard]] CertTrust check(std::string_view host, std::int32_t port,
                                  std::string_view fingerprint) const;
    // Trusts the fingerprint for host and port, replacing what was stored for them.
    void trust(std::string_view host, std::int32_t port, std::string_view fingerprint);
    // Replaces the file atomically, mode 0600.
    [[nodiscard]] IniStatus save(const std::string& path) const;
    [[nodiscard]] std::string text() const;

private:
    struct Line {
        std::string raw;  // kept as written when it is not an entry (comments, blanks)
        std::string host;
        std::int32_t port = 0;
        std::string fingerprint;  // empty: not an entry
    };
    std::vector<Line> lines_;
};

struct TrustedCertificates::Loaded {
    TrustedCertificates store;
    IniStatus status;
};

// The store of this run: `trusted-certs` beside the per-user settings file (the config
// folder); empty when there is none.
[[nodiscard]] std::string trusted_certs_path(const ConfigContext& ctx);

// Loads the store, trusts the fingerprint and saves it in one replacement.
[[nodiscard]] IniStatus trust_always(const std::string& path, std::string_view host,
                                     std::int32_t port, std::string_view fingerprint);

}  // namespace varnix
