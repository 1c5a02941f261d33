// Stored-password scrambling: the reversible form in which passwords and accounts are kept
// in the configuration file ("V" + MD5 key string + one hex pair per character).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace varnix {

// Characters the readers keep of a stored value: a profile's PWD and ACT, and the
// firewall's PWD (also a profile's PWD as the batch transfer reads it).
inline constexpr std::size_t profile_stored_secret_chars = 110;
inline constexpr std::size_t firewall_stored_secret_chars = 78;

// Length of the stored form of a secret of n characters.
[[nodiscard]] constexpr std::size_t scrambled_length(std::size_t secret_chars) {
    return 33 + 2 * secret_chars;
}
// The longest secret whose stored form survives a reader that keeps `stored_chars`
// characters: 38 for a profile, 22 for the firewall.
[[nodiscard]] constexpr std::size_t max_storable_secret(std::size_t stored_chars) {
    return stored_chars < 33 ? 0 : (stored_chars - 33) / 2;
}

// The current stored form: "V", the MD5 digest of user_id + secret + salt as 32 uppercase
// hex digits (the key string), then one pair per secret byte. Not encryption: the stored
// value alone gives the secret back.
[[nodiscard]] std::string scramble_secret(std::string_view user_id, std::string_view secret);

// The secret of a stored value in the current or the older (plain pairs) form. Never fails:
// any text gives some string. user_id is not needed and not used; the digest is not checked.
[[nodiscard]] std::string unscramble_secret(std::string_view user_id, std::string_view stored);

}  // namespace varnix
