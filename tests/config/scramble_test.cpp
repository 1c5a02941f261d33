// Tests of the stored form of passwords and accounts.
#include "config/scramble.h"

#include <gtest/gtest.h>

namespace varnix {
namespace {

TEST(ScrambleTest, StoredFormMatchesTheDigestAndPairs) {
    // MD5("joesecret%7!q!2") = 987FACF32A29F482709F4CFD8EF8FCCC; 's' + ('9' & 0x3F) + 0 = 0xAC.
    EXPECT_EQ(scramble_secret("joe", "secret"), "V987FACF32A29F482709F4CFD8EF8FCCCAC9E9C7B6A7C");
    EXPECT_EQ(unscramble_secret("ignored", "V987FACF32A29F482709F4CFD8EF8FCCCAC9E9C7B6A7C"),
              "secret");
}

TEST(ScrambleTest, EmptySecretIsTheKeyAlone) {
    const std::string stored = scramble_secret("anonymous", "");
    EXPECT_EQ(stored, "V4AB979FCE6327C24ABA4B6D1FDC82132");
    EXPECT_EQ(unscramble_secret("anonymous", stored), "");
    EXPECT_EQ(unscramble_secret("", "V"), "");
}

TEST(ScrambleTest, OlderFormIsPairsMinusPosition) {
    EXPECT_EQ(unscramble_secret("u", "414243"), "AAA");
    EXPECT_EQ(unscramble_secret("u", "00"), "");  // a NUL ends the secret
    EXPECT_EQ(unscramble_secret("u", ""), "");
}

TEST(ScrambleTest, UserIdChangesTheFormButIsNotNeededToRead) {
    const std::string a = scramble_secret("alice", "hunter2");
    const std::string b = scramble_secret("bob", "hunter2");
    EXPECT_NE(a, b);
    EXPECT_EQ(unscramble_secret("someone else", a), "hunter2");
    EXPECT_EQ(unscramble_secret("", b), "hunter2");
}

TEST(ScrambleTest, EveryStorableSecretRoundTripsWithinTheReadLimit) {
    const std::size_t most = max_storable_secret(profile_stored_secret_chars);
    ASSERT_EQ(most, 38u);
    ASSERT_EQ(max_storable_secret(firewall_stored_secret_chars), 22u);
    // Printable text of every length the profile reader keeps, read back through its limit.
    for (std::size_t n = 0; n <= most; ++n) {
        std::string secret;
        for (std::size_t i = 0; i < n; ++i) secret += static_cast<char>('!' + (i * 7 + n) % 94);
        const std::string stored = scramble_secret("user", secret);
        ASSERT_EQ(stored.size(), scrambled_length(n));
        ASSERT_LE(stored.size(), profile_stored_secret_chars);
        EXPECT_EQ(unscramble_secret("user", stored.substr(0, profile_stored_secret_chars)), secret);
    }
    // Every byte value except NUL, at every position of a full-length secret (UTF-8
    // passwords give bytes whose sum with the key passes 0xFF).
    for (int start = 1; start < 256; start += 7) {
        std::string secret;
        for (std::size_t i = 0; i < 78; ++i)
            secret += static_cast<char>(1 + (start + i * 37) % 255);
        const std::string stored = scramble_secret("u", secret);
        ASSERT_EQ(stored.size(), scrambled_length(78));
        EXPECT_EQ(unscramble_secret("u", stored), secret) << start;
    }
}

TEST(ScrambleTest, OverLongValueCutByTheReaderLosesItsTail) {
    const std::string secret(39, 'p');
    const std::string kept = scramble_secret("u", secret).substr(0, profile_stored_secret_chars);
    const std::string back = unscramble_secret("u", kept);
    ASSERT_EQ(back.size(), 39u);  // the half pair still gives a character ...
    EXPECT_EQ(back.substr(0, 38), secret.substr(0, 38));
    EXPECT_NE(back[38], 'p');  // ... a wrong one
}

TEST(ScrambleTest, HandEditedValuesNeverFail) {
    const std::string junk[] = {"V12", "Vzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz", "xyz", "\xff\xfe",
                                std::string(1000, 'V')};
    for (const std::string& text : junk) (void)unscramble_secret("u", text);
    // Lower-case digits are read as the program always read them: 'a' counts as 42.
    EXPECT_EQ(unscramble_secret("u", "0a"), std::string(1, '*'));
}

}  // namespace
}  // namespace varnix
