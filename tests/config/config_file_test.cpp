// Tests of the configuration file: locating it, the [_config_] keys and their defaults, the
// override rule and the start-up load.
#include "config/config_file.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <vector>

#include "config/scramble.h"
#include "config_fixture.h"

namespace varnix {
namespace {

using testing::ConfigTest;

TEST_F(ConfigTest, LocatePrefersCurrentThenProgramThenUserFolder) {
    const std::string cwd = dir + "/cwd", prog = dir + "/prog", user = dir + "/user/varnix";
    ASSERT_EQ(::mkdir(cwd.c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(prog.c_str(), 0700), 0);
    const SupportDirs dirs{cwd, prog + "/", user};

    EXPECT_EQ(locate_support_file("VARNIX.INI", dirs), user + "/VARNIX.INI");
    write_file(prog + "/VARNIX.INI", "");
    EXPECT_EQ(locate_support_file("VARNIX.INI", dirs), prog + "/VARNIX.INI");
    write_file(cwd + "/VARNIX.INI", "");
    EXPECT_EQ(locate_support_file("VARNIX.INI", dirs), cwd + "/VARNIX.INI");
    EXPECT_EQ(locate_support_file("VARNIX.EXT", SupportDirs{}), "VARNIX.EXT");

    init_config_paths(ctx, SupportDirs{"", "", user});
    EXPECT_EQ(ctx.config_path, user + "/VARNIX.INI");
    EXPECT_EQ(ctx.user_profile_path, user + "/user.ini");
}

TEST_F(ConfigTest, NoFileGivesEveryDefaultAndFirstWriteCreatesIt) {
    ctx.config_path = dir + "/fresh/varnix/VARNIX.INI";
    load_program_settings(ctx);
    EXPECT_EQ(ctx.settings.mail_address, default_mail_address);
    EXPECT_EQ(ctx.session.name, "");
    EXPECT_EQ(ctx.session.host_type, host_type_automatic);
    // 64 KiB chunks: small chunks cost a system call per few hundred bytes.
    EXPECT_EQ(ctx.settings.receive_chunk_bytes, 65536);
    EXPECT_EQ(ctx.settings.send_chunk_bytes, 65536);
    EXPECT_EQ(ctx.settings.list_font, 3);
    EXPECT_EQ(ctx.settings.local_sort, 1);
    EXPECT_EQ(ctx.settings.connect_at_start, 1);
    EXPECT_EQ(read_viewer(ctx), default_viewer);
    EXPECT_TRUE(read_log_settings(ctx).enabled);
    EXPECT_EQ(read_log_settings(ctx).file, "VARNIX.LOG");
    const FontSettings font = read_font_settings(ctx);
    EXPECT_EQ(font.face, "Courier New");
    EXPECT_EQ(font.height, -11);
    EXPECT_EQ(font.pitch_and_family, 49);
    EXPECT_EQ(read_sound_settings(ctx, "/opt/vx").wav_error, "/opt/vx/error.wav");
    EXPECT_FALSE(read_window_placement(ctx).maximize);
    EXPECT_FALSE(password_saving_banned(ctx));
    EXPECT_NE(::access(ctx.config_path.c_str(), F_OK), 0);  // reading created nothing

    ctx.session.name = "Work";
    save_last_session(ctx);
    EXPECT_EQ(read_ini(), "[_config_]\nSESSION=Work\n");
    EXPECT_EQ(ini_mode(), 0600);
}

TEST_F(ConfigTest, StartUpLoadReadsTheTableAndTheLastSession) {
    write_ini(
        "[_config_]\r\n"
        "MAILADDR=me@example.org\r\n"
        "SESSION=work\r\n"
        "VERBOSE=1\r\n"
        "HASH=0\r\n"
        "RBP=2048\r\n"
        "DBLCLK=2\r\n"
        "LFSORT=19\r\n"
        "FHEIGHT=4294967285\r\n"
        "dolog=2\r\n"
        "VIEWER=less\r\n"
        "LOC=\"1,2,3,4,5,6\"\r\n"
        "MAXIMIZE=1\r\n"
        "[Work]\r\n"
        "HOST=ftp.example.org\r\n");
    load_program_settings(ctx);
    EXPECT_EQ(ctx.settings.mail_address, "me@example.org");
    EXPECT_EQ(ctx.session.name, "work");
    EXPECT_EQ(ctx.session.host, "ftp.example.org");
    EXPECT_EQ(ctx.settings.verbose, 1);
    EXPECT_TRUE(ctx.messages.verbose());
    EXPECT_EQ(ctx.settings.show_transfer_dialog, 0);
    EXPECT_EQ(ctx.settings.receive_chunk_bytes, 2048);
    EXPECT_EQ(ctx.settings.double_click_action, 2);
    EXPECT_EQ(ctx.settings.local_sort, 19);
    EXPECT_EQ(read_font_settings(ctx).height, -11);
    EXPECT_FALSE(read_log_settings(ctx).enabled);  // only 1 enables the log
    EXPECT_EQ(read_viewer(ctx), "less");
    EXPECT_EQ(read_window_placement(ctx).location, "1,2,3,4,5,6");
    EXPECT_TRUE(read_window_placement(ctx).maximize);
}

// [_config_] holds the program settings and the session options' defaults side by side:
// one key named twice (in any case, as the file matches them) would make two settings one.
TEST_F(ConfigTest, EverySettingHasItsOwnKeyAndStartUpReadsItIntoItsField) {
    std::set<std::string> keys;
    std::vector<int ProgramSettings::*> settings;
    std::vector<int SessionOptions::*> options;
    const auto add_key = [&](std::string_view key) {
        std::string lower(key);
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_TRUE(keys.insert(lower).second) << key << " names two settings";
    };
    for (const ProgramSettingKey& entry : program_setting_keys) {
        add_key(entry.key);
        EXPECT_EQ(std::count(settings.begin(), settings.end(), entry.field), 0) << entry.key;
        settings.push_back(entry.field);
        EXPECT_EQ(setting_key(entry.field), entry.key);
    }
    for (const SessionOptionKey& entry : session_option_keys) {
        add_key(entry.key);
        EXPECT_EQ(std::count(options.begin(), options.end(), entry.field), 0) << entry.key;
        options.push_back(entry.field);
        EXPECT_EQ(option_key(entry.field), entry.key);
    }

    // Each key read at start-up lands in its own field, whatever the others hold.
    std::string text = "[_config_]\n";
    int value = 100;
    for (const ProgramSettingKey& entry : program_setting_keys)
        text += std::string(entry.key) + "=" + std::to_string(value++) + "\n";
    write_ini(text);
    load_program_settings(ctx);
    value = 100;
    for (const ProgramSettingKey& entry : program_setting_keys) {
        const int expected = entry.load == SettingLoad::WhenUsed ? ProgramSettings{}.*entry.field : value;
        EXPECT_EQ(ctx.settings.*entry.field, expected) << entry.key;
        ++value;
    }
}

TEST_F(ConfigTest, StoredBufferSizesAreHonouredAsTheyAre) {
    write_ini("[_config_]\nRBP=80\nSBP=512\n");
    load_program_settings(ctx);
    EXPECT_EQ(ctx.settings.receive_chunk_bytes, 80);
    EXPECT_EQ(ctx.settings.send_chunk_bytes, 512);
    write_ini("[_config_]\nRBP=1048576\n");
    load_program_settings(ctx);
    EXPECT_EQ(ctx.settings.receive_chunk_bytes, 1048576);
    EXPECT_EQ(ctx.settings.send_chunk_bytes, 65536);
    static_assert(transfer_buffer_limits::smallest == 80);
    static_assert(transfer_buffer_limits::largest == 1048576);
}

TEST_F(ConfigTest, ServerTimeAndIdleNoopKeys) {
    write_ini("[_config_]\nVERBOSE=1\n");
    load_program_settings(ctx);
    EXPECT_EQ(ctx.settings.keep_remote_times, 1);       // absent: downloads take the server's time
    EXPECT_EQ(ctx.settings.idle_noop, 0);  // absent: no NOOP
    write_ini("[_config_]\nMDTM=0\nIDLENOOP=4294967286\n");  // "-10" as %u wrote it
    load_program_settings(ctx);
    EXPECT_EQ(ctx.settings.keep_remote_times, 0);
    EXPECT_EQ(ctx.settings.idle_noop, 0);
    write_ini("[_config_]\nIDLENOOP=120\n");
    load_program_settings(ctx);
    EXPECT_EQ(ctx.settings.idle_noop, 120);
}

TEST_F(ConfigTest, ByteOrderMarkDoesNotHideTheFirstSection) {
    // An editor that saves UTF-8 "with signature" puts EF BB BF before "[_config_]".
    write_ini("\xEF\xBB\xBF[_config_]\r\nVERBOSE=1\r\nSESSION=work\r\n[work]\r\nHOST=h.example\r\n");
    load_program_settings(ctx);
    EXPECT_EQ(ctx.settings.verbose, 1);
    EXPECT_EQ(ctx.session.host, "h.example");
    config_put_string(ctx, "VIEWER", "less");
    const std::string text = read_ini();
    EXPECT_EQ(text.find("[_config_]"), text.rfind("[_config_]")) << text;
    EXPECT_EQ(text.rfind("\xEF\xBB\xBF", 0), 0u) << "the mark the user's editor wrote stays";
    EXPECT_EQ(read_viewer(ctx), "less");
}

TEST_F(ConfigTest, VerboseHashAutostartDefaultToTheValuesInMemory) {
    write_ini("[_config_]\nVERBOSE=1\n");
    load_program_settings(ctx);
    EXPECT_TRUE(ctx.messages.verbose());
    // A second file without the keys keeps what the first one set.
    ctx.settings.show_transfer_dialog = 0;
    ctx.settings.rates_in_bytes = 1;
    write_ini("[_config_]\n");
    load_program_settings(ctx);
    EXPECT_EQ(ctx.settings.verbose, 1);
    EXPECT_EQ(ctx.settings.show_transfer_dialog, 0);
    EXPECT_EQ(ctx.settings.rates_in_bytes, 0);  // back to the table default
}

TEST_F(ConfigTest, ProfileIntFallsBackToConfigThenToTheFallback) {
    write_ini("[_config_]\nPASVMODE=1\nRECU=0\n[Work]\nRECU=1\n");
    EXPECT_EQ(profile_get_int(ctx, "work", "RECU", 7), 1);
    EXPECT_EQ(profile_get_int(ctx, "home", "RECU", 7), 0);
    EXPECT_EQ(profile_get_int(ctx, "work", "PASVMODE", 7), 1);
    EXPECT_EQ(profile_get_int(ctx, "work", "STOU", 7), 7);
}

TEST_F(ConfigTest, OverrideIsStoredOnlyWhenItDiffersFromTheDefault) {
    write_ini("[_config_]\nPASVMODE=1\nBELL=99\n[Work]\nPASVMODE=0\nHOST=h\n");
    profile_put_override(ctx, "Work", "PASVMODE", 1);  // equals the default: removed
    profile_put_override(ctx, "Work", "STOU", 0);      // no default: stored
    profile_put_override(ctx, "Work", "BELL", 99);     // 99 counts as absent: stored
    ctx.session.name = "work";
    current_profile_put_override(ctx, "MODE", 'A');
    EXPECT_EQ(read_ini(),
              "[_config_]\nPASVMODE=1\nBELL=99\n[Work]\nHOST=h\nSTOU=0\nBELL=99\nMODE=65\n");
    put_uint(ctx, "_config_", "FHEIGHT", static_cast<std::uint32_t>(-11));
    EXPECT_EQ(config_get_int(ctx, "FHEIGHT", 0), -11);
    EXPECT_NE(read_ini().find("FHEIGHT=4294967285\n"), std::string::npos);
}

TEST_F(ConfigTest, ConfigStringsAreCutAndNullDeletes) {
    write_ini("[_config_]\nMAILADDR=" + std::string(200, 'm') + "\nVIEWER=vi\n");
    EXPECT_EQ(config_get_string(ctx, "MAILADDR", "", config_limits::mail_address).size(), 126u);
    config_put_string(ctx, "VIEWER", std::nullopt);
    EXPECT_EQ(read_viewer(ctx), default_viewer);
}

TEST_F(ConfigTest, PasswordBanFromEitherStore) {
    ctx.user_profile_path = dir + "/user.ini";
    write_ini("[_config_]\nSPFLAGS=0\n");
    EXPECT_FALSE(password_saving_banned(ctx));
    write_file(ctx.user_profile_path, "[VARNIX]\nSPFLAGS=1\n");
    EXPECT_TRUE(password_saving_banned(ctx));
    write_file(ctx.user_profile_path, "[VARNIX]\nSPFLAGS=4294967295\n");  // -1: not above 0
    EXPECT_FALSE(password_saving_banned(ctx));
    write_ini("[_config_]\nSPFLAGS=2\n");
    EXPECT_TRUE(password_saving_banned(ctx));
}

TEST_F(ConfigTest, FirewallSectionRoundTripsItsPassword) {
    FirewallSettings fw;
    fw.host = "proxy.local";
    fw.user = "fwuser";
    fw.password = std::string(22, 'f');
    fw.password_saved = true;
    fw.port = 2121;
    fw.type = 5;
    write_firewall_settings(ctx, fw);
    FirewallSettings back = read_firewall_settings(ctx);
    EXPECT_EQ(back.host, "proxy.local");
    EXPECT_EQ(back.password, fw.password);
    EXPECT_TRUE(back.password_saved);
    EXPECT_EQ(back.port, 2121);
    EXPECT_EQ(back.type, 5);

    fw.password = std::string(23, 'f');  // would come back garbled: not stored
    write_firewall_settings(ctx, fw);
    back = read_firewall_settings(ctx);
    EXPECT_FALSE(back.password_saved);
    EXPECT_EQ(back.password, "");
    EXPECT_TRUE(view.contains("Firewall password not saved"));
}

TEST_F(ConfigTest, UnwritableFileIsReportedAndLeftAlone) {
    ASSERT_EQ(::mkdir(ctx.config_path.c_str(), 0700), 0);  // a folder in the file's place
    config_put_string(ctx, "SESSION", "x");
    EXPECT_TRUE(view.contains("Cannot save " + ctx.config_path));
}

}  // namespace
}  // namespace varnix
