// Saved passwords come back intact on every path that reads a profile: the logon of the
// loaded profile and the batch transfer to a host named like the profile, for every length
// that saving accepts.
#include <gmock/gmock.h>

#include "batch/batch.h"
#include "batch/batch_fixture.h"
#include "config/config_file.h"
#include "config/profiles.h"
#include "config/scramble.h"
#include "net/logon.h"
#include "support/pyftpd.h"

namespace varnix::test {
namespace {

const std::size_t longest = max_storable_secret(profile_stored_secret_chars);

// A password of `n` characters that uses most printable characters (a letter first, so the
// test server's command line does not take it for an option).
std::string password_of(std::size_t n) {
    std::string text;
    for (std::size_t i = 0; i < n; ++i)
        text += i == 0 ? static_cast<char>('a' + n % 26) : static_cast<char>('!' + (i * 7 + n) % 94);
    return text;
}

PyFtpdOptions one_user_per_length() {
    PyFtpdOptions options;
    options.users.clear();
    for (std::size_t n = 1; n <= longest; ++n)
        options.users.push_back({"u" + std::to_string(n), password_of(n), ""});
    return options;
}

class ProfileSecrets : public BatchTest {
protected:
    ProfileSecrets() : ftpd(one_user_per_length()) { ctx.session.passive = 1; }
    void SetUp() override { ASSERT_TRUE(ftpd.running()) << ftpd.error(); }

    // Saves profile "p<n>" for user u<n> through the profile dialog's save path.
    void save_profile_for(std::size_t n) {
        Session record;
        record.name = "p" + std::to_string(n);
        record.host = "127.0.0.1";
        record.port = ftpd.port();
        record.user = "u" + std::to_string(n);
        record.password = password_of(n);
        record.password_saved = 1;
        save_profile(ctx, record);
    }

    PyFtpd ftpd;
};

TEST_F(ProfileSecrets, EveryStorableLengthLogsOnThroughProfileAndBatch) {
    ctx.messages.set_batch(true);
    write_bytes(ftpd.home() / "f.txt", "payload");
    for (std::size_t n = 1; n <= longest; ++n) {
        SCOPED_TRACE("password of " + std::to_string(n) + " characters");
        save_profile_for(n);

        new_current_profile(ctx, "p" + std::to_string(n));
        EXPECT_EQ(ctx.session.password, password_of(n));
        EXPECT_TRUE(logon(ctx)) << ftpd.log_text();
        close_control(ctx);
        ctx.connected = false;

        const std::string local = (work() / ("f" + std::to_string(n))).string();
        EXPECT_EQ(run_batch_transfer(ctx, "p" + std::to_string(n) + ":/f.txt", "local:" + local), BatchResult::Succeeded);
        EXPECT_EQ(read_bytes(local), "payload") << ::testing::PrintToString(view.lines());
    }
    EXPECT_EQ(ctx.batch_failures, 0);
    EXPECT_TRUE(prompter.requests().empty()) << "no password should have been asked for";
}

TEST_F(BatchTest, StoredSecretsReadBackAtEveryLengthAndLongerOnesAreRefused) {
    for (std::size_t n = 0; n <= longest + 1; ++n) {
        SCOPED_TRACE(n);
        Session record;
        record.name = "s";
        record.host = "h";
        record.user = "someone";
        record.password = password_of(n);
        record.account = password_of(n);
        record.password_saved = 1;
        save_profile(ctx, record);
        new_current_profile(ctx, "s");
        const std::string expected = n <= longest ? password_of(n) : std::string();
        EXPECT_EQ(ctx.session.password, expected);
        EXPECT_EQ(ctx.session.account, expected);
    }
    const std::size_t firewall_longest = max_storable_secret(firewall_stored_secret_chars);
    for (std::size_t n = 0; n <= firewall_longest + 1; ++n) {
        SCOPED_TRACE(n);
        FirewallSettings firewall{"fw", "keeper", password_of(n), true, 21, 1};
        write_firewall_settings(ctx, firewall);
        const FirewallSettings back = read_firewall_settings(ctx);
        EXPECT_EQ(back.password, n <= firewall_longest ? password_of(n) : std::string());
    }
}

}  // namespace
}  // namespace varnix::test
