// Tests of session profile storage: loading hand-written and damaged sections, saving and
// reading back, the restart keys, the anonymous e-mail prompt and the option fallbacks.
#include "config/profiles.h"

#include "config/config_file.h"
#include "config/scramble.h"
#include "config_fixture.h"

namespace varnix {
namespace {

using testing::ConfigTest;

Session load(ConfigContext& ctx, const std::string& name) {
    Session s;
    s.name = name;
    EXPECT_EQ(load_profile(ctx, s), 1);
    return s;
}

TEST_F(ConfigTest, HandWrittenProfileLoadsWithDefaults) {
    write_ini(
        "[_config_]\r\n"
        "PASVMODE = 1\r\n"
        "[Mirror]\r\n"
        "UID=joe\r\n"
        "PWD=" + scramble_secret("joe", "secret") + "\r\n"
        "ACT=" + scramble_secret("joe", "acct") + "\r\n"
        "DIR=\"/pub/with space\"\r\n"
        "TYPE=4294967295\r\n"
        "LMASK=*.txt and far too long a mask\r\n"
        "FIRETYPE=5\r\n");
    Session s = load(ctx, "mirror");
    EXPECT_EQ(s.host, "mirror");  // no HOST: the profile's own name
    EXPECT_EQ(s.user, "joe");
    EXPECT_EQ(s.password, "secret");
    EXPECT_EQ(s.password_saved, 1);
    EXPECT_EQ(s.account, "acct");
    EXPECT_EQ(s.remote_dir, "/pub/with space");
    EXPECT_EQ(s.host_type, -1);
    EXPECT_EQ(s.local_mask, "*.txt and far too ");  // 18 characters
    EXPECT_EQ(s.timeout, 65);
    EXPECT_EQ(s.port, 21);
    EXPECT_EQ(s.passive, 1);  // from [_config_]
    EXPECT_EQ(s.firewall_type, 0);  // FIRETYPE is not read back

    // Without a user ID a stored password or account is ignored.
    write_ini("[m]\nPWD=" + scramble_secret("", "x") + "\nACT=" + scramble_secret("", "y") + "\n");
    s = load(ctx, "m");
    EXPECT_EQ(s.password, "");
    EXPECT_EQ(s.password_saved, 0);
    EXPECT_EQ(s.account, "");
}

TEST_F(ConfigTest, ProgramWrittenProfileReadsBackIdentically) {
    Session s;
    s.name = "Work Box";
    s.host = "ftp.example.org";
    s.user = "joe";
    s.password = std::string(38, 'q');
    s.password_saved = 1;
    s.account = "billing";
    s.remote_dir = "/home/joe/\"odd\" dir";
    s.local_dir = "/home/joe/Downloads";
    s.init_cmd = "SITE IDLE 7200;;";
    s.local_mask = "*.c";
    s.remote_mask = "*";
    s.timeout = 30;
    s.host_type = 6010;
    s.port = 2121;
    s.firewall_type = 3;
    s.retries = 2;
    s.passive = 1;
    s.use_firewall = 1;
    save_profile(ctx, s);
    Session back = load(ctx, "work box");
    back.name = s.name;
    back.firewall_type = s.firewall_type;
    EXPECT_EQ(back.host, s.host);
    EXPECT_EQ(back.user, s.user);
    EXPECT_EQ(back.password, s.password);
    EXPECT_EQ(back.password_saved, 1);
    EXPECT_EQ(back.account, s.account);
    EXPECT_EQ(back.remote_dir, s.remote_dir);
    EXPECT_EQ(back.local_dir, s.local_dir);
    EXPECT_EQ(back.init_cmd, s.init_cmd);
    EXPECT_EQ(back.local_mask, s.local_mask);
    EXPECT_EQ(back.remote_mask, s.remote_mask);
    EXPECT_EQ(back.timeout, 30);
    EXPECT_EQ(back.host_type, 6010);
    EXPECT_EQ(back.port, 2121);
    EXPECT_EQ(back.retries, 2);
    EXPECT_EQ(back.passive, 1);
    EXPECT_EQ(back.use_firewall, 1);
    EXPECT_EQ(ini_mode(), 0600);
    EXPECT_EQ(read_ini().find("joe\"odd"), std::string::npos);  // scrambled, never plain
    EXPECT_EQ(read_ini().find(std::string(38, 'q')), std::string::npos);
}

TEST_F(ConfigTest, DefaultValuesAreNotWritten) {
    write_ini("[_config_]\nPASVMODE=1\n");
    Session s;
    s.name = "plain";
    s.host = "h";
    s.passive = 1;
    s.firewall_type = 99;
    save_profile(ctx, s);
    EXPECT_EQ(read_ini(), "[_config_]\nPASVMODE=1\n\n[plain]\nHOST=h\nUID=\n");
    s.passive = 0;
    save_profile(ctx, s);
    EXPECT_EQ(read_ini(), "[_config_]\nPASVMODE=1\n\n[plain]\nHOST=h\nUID=\nPASVMODE=0\n");
}

// MLSD and CHARSET: a file without them reads as before and a save leaves it byte for byte;
// set, they are written and read back.
TEST_F(ConfigTest, ListingAndCharsetKeysRoundTripAndOldFilesStayAsTheyWere) {
    const std::string old_file = "[_config_]\nPASVMODE=1\n\n[old]\nHOST=h\nUID=u\nPORT=2121\n";
    write_ini(old_file);
    Session s = load(ctx, "old");
    EXPECT_EQ(s.mlsd, 1);
    EXPECT_EQ(s.charset, "");
    save_profile(ctx, s);
    EXPECT_EQ(read_ini(), old_file);

    s.mlsd = 0;
    s.charset = "windows-1251";
    save_profile(ctx, s);
    EXPECT_EQ(read_ini(), "[_config_]\nPASVMODE=1\n\n[old]\nHOST=h\nUID=u\nPORT=2121\nMLSD=0\nCHARSET=windows-1251\n");
    const Session back = load(ctx, "old");
    EXPECT_EQ(back.mlsd, 0);
    EXPECT_EQ(back.charset, "windows-1251");
}

TEST_F(ConfigTest, SaveKeepsPendingRestartAndDropsEverythingElse) {
    const std::string others =
        "; written by hand\n"
        "[_config_]\n"
        "MAILADDR=me@example.org\n"
        "\n";
    const std::string tail =
        "\n"
        "[Home]\n"
        "HOST=home.example.org\n";
    write_ini(others +
              "[Work]\n"
              "HOST=old\n"
              "COMMENT=my notes\n"
              "RECU=1\n"
              "HASH=0\n"
              "REGETRDIR=/pub\n"
              "REGETRFILE=big.iso\n"
              "REGETLDIR=/tmp\n"
              "REGETLFILE=big.iso\n"
              "REGETTIME=1700000000\n" +
              tail);
    Session s = load(ctx, "Work");
    s.host = "new";
    save_profile(ctx, s);
    EXPECT_EQ(read_ini(), others +
                              "[Work]\n"
                              "HOST=new\n"
                              "UID=\n"
                              "PASVMODE=0\n"
                              "REGETRDIR=/pub\n"
                              "REGETRFILE=big.iso\n"
                              "REGETLDIR=/tmp\n"
                              "REGETLFILE=big.iso\n" +
                              tail);

    // Without REGETRFILE the other restart keys go too.
    write_ini("[Work]\nREGETRDIR=/pub\nREGETRFILE=\nREGETLDIR=/tmp\n");
    save_profile(ctx, s);
    EXPECT_EQ(read_ini(), "[Work]\nHOST=new\nUID=\nPASVMODE=0\n");
}

TEST_F(ConfigTest, DamagedFileLoadsAndSavingKeepsTheOtherSections) {
    std::string damaged = "[_config_]\nPASVMODE=1\n";
    damaged += std::string("\x00\x01\xff garbage\n", 12);
    damaged += "[Work\nHOST=leak\n";  // header without "]"
    damaged += "key without equals sign\n";
    damaged += "[Home]\nHOST=" + std::string(10000, 'h') + "\nUID=me\n";
    damaged += "[Last]\nHOST=last.example.org";
    write_ini(damaged);
    Session home = load(ctx, "Home");
    EXPECT_EQ(home.host.size(), 78u);
    EXPECT_EQ(home.passive, 1);
    EXPECT_EQ(load(ctx, "Work").host, "Work");
    EXPECT_EQ(list_profiles(ctx), (std::vector<std::string>{"Home", "Last"}));

    home.host = "home.example.org";
    save_profile(ctx, home);
    const std::string after = read_ini();
    EXPECT_EQ(after.substr(0, after.find("[Home]")), damaged.substr(0, damaged.find("[Home]")));
    EXPECT_NE(after.find("[Last]\nHOST=last.example.org"), std::string::npos);
    EXPECT_EQ(load(ctx, "Home").host, "home.example.org");
}

TEST_F(ConfigTest, AnonymousProfileAsksForTheMailAddressUntilGiven) {
    write_ini("[_config_]\nMAILADDR=\n[pub]\nUID=Anonymous\n");
    ctx.settings.mail_address.clear();
    prompter.push_answer("");  // OK with nothing typed: asked again
    prompter.push_answer("me@example.org");
    Session s = load(ctx, "pub");
    EXPECT_EQ(s.password, "me@example.org");
    ASSERT_EQ(prompter.requests().size(), 2u);
    EXPECT_EQ(prompter.requests()[0].prompt, "Enter your e-mail address:");
    EXPECT_EQ(prompter.requests()[0].help_context, 270);
    EXPECT_EQ(config_get_string(ctx, "MAILADDR", "", 126), "me@example.org");

    // Known address: no question. Cancelled: the password stays empty.
    EXPECT_EQ(load(ctx, "pub").password, "me@example.org");
    EXPECT_EQ(prompter.requests().size(), 2u);
    ctx.settings.mail_address.clear();
    EXPECT_EQ(load(ctx, "pub").password, "");
    EXPECT_EQ(prompter.requests().size(), 3u);
}

TEST_F(ConfigTest, SessionOptionsFallBackToTheValueInMemory) {
    write_ini("[first]\nRECU=1\nMODE=65\nBELL=0\n[second]\nHOST=x\n[_config_]\nBELL=1\n");
    (void)load(ctx, "first");
    EXPECT_EQ(ctx.options.receive_unique, 1);
    EXPECT_EQ(ctx.options.mode, 'A');
    EXPECT_EQ(ctx.options.play_sounds, 0);
    (void)load(ctx, "second");
    EXPECT_EQ(ctx.options.receive_unique, 1);       // no key anywhere: still on
    EXPECT_EQ(ctx.options.mode, 'A');
    EXPECT_EQ(ctx.options.play_sounds, 1);       // [_config_] has it
    write_ini("[third]\nMODE=329\n");   // kept as one character: 329 & 0xFF = 'I'
    (void)load(ctx, "third");
    EXPECT_EQ(ctx.options.mode, 'I');
}

TEST_F(ConfigTest, OverLongSecretsAreNotStored) {
    Session s;
    s.name = "long";
    s.host = "h";
    s.user = "u";
    s.password = std::string(39, 'p');
    s.password_saved = 1;
    s.account = std::string(78, 'a');
    save_profile(ctx, s);
    const Session back = load(ctx, "long");
    EXPECT_EQ(back.password, "");
    EXPECT_EQ(back.password_saved, 0);
    EXPECT_EQ(back.account, "");
    EXPECT_TRUE(view.contains("Password not saved: at most 38 characters can be stored"));
    EXPECT_TRUE(view.contains("Account not saved: at most 38 characters can be stored"));
}

TEST_F(ConfigTest, NewCurrentProfileClearsAndLoads) {
    write_ini("[_config_]\nSESSION=b\n[a]\nUID=x\n[b]\nHOST=hb\n");
    ctx.session.user = "stale";
    ctx.session.password = "stale";
    ctx.session.remote_dir = "/stale";
    ctx.session.host_type = 6010;
    ctx.session.timeout = 5;
    new_current_profile(ctx, "b");
    EXPECT_EQ(ctx.session.name, "b");
    EXPECT_EQ(ctx.session.host, "hb");
    EXPECT_EQ(ctx.session.user, "");
    EXPECT_EQ(ctx.session.password, "");
    EXPECT_EQ(ctx.session.remote_dir, "");
    EXPECT_EQ(ctx.session.host_type, host_type_automatic);
    EXPECT_EQ(ctx.session.timeout, 65);
}

TEST_F(ConfigTest, DirectoryNamesAndLocalDirectoryChange) {
    ctx.session.name = "w";
    save_directory_names(ctx, "/pub/x", dir);
    const Session s = load(ctx, "w");
    EXPECT_EQ(s.remote_dir, "/pub/x");
    EXPECT_EQ(s.local_dir, dir);
    EXPECT_NE(read_ini().find("DIR=\"/pub/x\""), std::string::npos);

    char before[4096];
    ASSERT_NE(::getcwd(before, sizeof before), nullptr);
    ASSERT_TRUE(change_local_dir(dir));
    char now[4096];
    ASSERT_NE(::getcwd(now, sizeof now), nullptr);
    ASSERT_TRUE(change_local_dir(before));
    EXPECT_EQ(std::string(now), dir);
    EXPECT_FALSE(change_local_dir(dir + "/missing"));
    EXPECT_FALSE(change_local_dir(""));
}

}  // namespace
}  // namespace varnix

namespace varnix {
namespace {

using testing::ConfigTest;

TEST_F(ConfigTest, HugeTimeoutsAreClampedAndTheirLimitDoesNotOverflow) {
    // 4294967295 reads as -1 (the time-out off); the others are far beyond a day.
    write_ini("[a]\nHOST=h\nTIMEOUT=2147483647\n[b]\nHOST=h\nTIMEOUT=4294967295\n"
              "[c]\nHOST=h\nTIMEOUT=600\n[d]\nHOST=h\nTIMEOUT=3000000\n");
    const auto timeout_of = [&](const char* name) {
        new_current_profile(ctx, name);
        return ctx.session.timeout;
    };
    EXPECT_EQ(timeout_of("a"), session_limits::max_timeout);
    EXPECT_EQ(timeout_of("b"), -1);
    EXPECT_EQ(timeout_of("c"), 600);
    EXPECT_EQ(timeout_of("d"), session_limits::max_timeout);

    EXPECT_EQ(timeout_limit_ms(65), 65000);
    EXPECT_EQ(timeout_limit_ms(67), 65000);  // whole 5-second ticks
    EXPECT_EQ(timeout_limit_ms(4), -1);
    EXPECT_EQ(timeout_limit_ms(-1), -1);
    EXPECT_EQ(timeout_limit_ms(2147483647), session_limits::max_timeout * 1000);
}

TEST_F(ConfigTest, LongDirectoryPathsSurviveASaveAndALoad) {
    std::string deep;
    while (deep.size() < 1000) deep += "/a-folder-of-some-length";
    Session record;
    record.name = "deep";
    record.host = "h";
    record.remote_dir = deep;
    record.local_dir = deep;
    save_profile(ctx, record);
    new_current_profile(ctx, "deep");
    EXPECT_EQ(ctx.session.remote_dir, deep);
    EXPECT_EQ(ctx.session.local_dir, deep);
}

}  // namespace
}  // namespace varnix

namespace varnix {
namespace {

using testing::ConfigTest;

TEST_F(ConfigTest, TlsKeyAbsentMeansPlainAndImplicitTlsDefaultsToPort990) {
    write_ini("[old]\nHOST=h\n[implicit]\nHOST=h\nTLS=3\n[odd]\nHOST=h\nTLS=7\n"
              "[moved]\nHOST=h\nTLS=3\nPORT=21\n");
    Session old = load(ctx, "old");
    EXPECT_EQ(old.tls, TlsMode::Plain);
    EXPECT_EQ(old.port, 21);
    Session implicit = load(ctx, "implicit");
    EXPECT_EQ(implicit.tls, TlsMode::Implicit);
    EXPECT_EQ(implicit.port, 990);
    EXPECT_EQ(load(ctx, "odd").tls, TlsMode::Required);  // never less protection than asked
    EXPECT_EQ(load(ctx, "moved").port, 21);

    // Written back: the key only when not plain, the port only when not the mode's default.
    implicit.name = "implicit2";
    save_profile(ctx, implicit);
    Session moved = load(ctx, "moved");
    moved.name = "moved2";
    save_profile(ctx, moved);
    old.name = "old2";
    save_profile(ctx, old);
    const IniFile written = IniFile::from_text(read_ini());
    EXPECT_EQ(written.find("implicit2", "TLS"), "3");
    EXPECT_EQ(written.find("implicit2", "PORT"), std::nullopt);
    EXPECT_EQ(written.find("moved2", "TLS"), "3");
    EXPECT_EQ(written.find("moved2", "PORT"), "21");
    EXPECT_EQ(written.find("old2", "TLS"), std::nullopt);
    EXPECT_EQ(written.find("old2", "PORT"), std::nullopt);
    EXPECT_EQ(load(ctx, "moved2").port, 21);
    EXPECT_EQ(load(ctx, "implicit2").port, 990);
}

}  // namespace
}  // namespace varnix
