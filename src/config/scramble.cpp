// Stored-password scrambling: the reversible form in which passwords and accounts are kept
// in the configuration file ("V" + MD5 key string + one hex pair per character).
#include "config/scramble.h"

#include <openssl/evp.h>

namespace varnix {

namespace {

constexpr std::string_view salt = "%7!q!2";
constexpr std::size_t key_chars = 32;
constexpr char hex_digits[] = "0123456789ABCDEF";

void append_hex(std::string& out, unsigned value) {
    out += hex_digits[(value >> 4) & 0xF];
    out += hex_digits[value & 0xF];
}

// The 32-digit key string. Should the library refuse MD5 (a FIPS-only configuration), a key
// of zeros still gives a value that unscrambles correctly, since readers never check it.
std::string key_string(std::string_view user_id, std::string_view secret) {
    std::string text;
    text.reserve(user_id.size() + secret.size() + salt.size());
    text.append(user_id).append(secret).append(salt);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digest_size = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &digest_size, EVP_md5(), nullptr) != 1 ||
        digest_size != key_chars / 2)
        return std::string(key_chars, '0');
    std::string key;
    for (unsigned int i = 0; i < digest_size; ++i) append_hex(key, digest[i]);
    return key;
}

// The value of one digit as the program always read it: anything up to '9' (including bytes
// above 0x7F, which are negative as signed chars) counts from '0', the rest from 'A' - 10.
int digit_value(char c) {
    const int code = static_cast<signed char>(c);
    return code <= '9' ? code - '0' : code - 55;
}

// A pair cut in half reads its missing digit as the string's terminator.
int pair_value(std::string_view text, std::size_t at) {
    const char second = at + 1 < text.size() ? text[at + 1] : '\0';
    return (16 * digit_value(text[at]) + digit_value(second)) & 0xFF;
}

int key_amount(std::string_view key, std::size_t position) {
    return key[position % key_chars] & 0x3F;
}

// A NUL ends the secret, as it ended the C string it was decoded into.
std::string up_to_nul(std::string text) {
    const auto nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    return text;
}

}  // namespace

std::string scramble_secret(std::string_view user_id, std::string_view secret) {
    const std::string key = key_string(user_id, secret);
    std::string stored = "V" + key;
    stored.reserve(scrambled_length(secret.size()));
    for (std::size_t p = 0; p < secret.size(); ++p) {
        const unsigned v = static_cast<unsigned>(key_amount(key, p)) +
                           static_cast<unsigned char>(secret[p]) + static_cast<unsigned>(p);
        // Only the low byte is written: a sum above 0xFF (non-ASCII bytes, late positions)
        // would otherwise take three digits and shift every following pair. The reader
        // works modulo 256, so the low byte gives the character back.
        append_hex(stored, v & 0xFF);
    }
    return stored;
}

std::string unscramble_secret(std::string_view /*user_id*/, std::string_view stored) {
    std::string secret;
    if (!stored.empty() && stored.front() == 'V') {
        if (stored.size() <= 1 + key_chars) return secret;
        const std::string_view key = stored.substr(1, key_chars);
        const std::string_view pairs = stored.substr(1 + key_chars);
        for (std::size_t p = 0; 2 * p < pairs.size(); ++p) {
            const int x = pair_value(pairs, 2 * p);
            secret += static_cast<char>((x - static_cast<int>(p) - key_amount(key, p)) & 0xFF);
        }
    } else {
        for (std::size_t p = 0; 2 * p < stored.size(); ++p) {
            const int x = pair_value(stored, 2 * p);
            secret += static_cast<char>((x - static_cast<int>(p)) & 0xFF);
        }
    }
    return up_to_nul(std::move(secret));
}

}  // namespace varnix
