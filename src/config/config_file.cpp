// The configuration file: where VARNIX.INI and its sibling files are found, the [_config_]
// keys with their defaults, the read/write helpers every layer uses, and the start-up load.
#include "config/config_file.h"

#include "platform/directory_scan.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "config/profiles.h"
#include "config/scramble.h"

namespace varnix {

namespace {

// Sentinel of profile_put_override for "absent from [_config_]".
constexpr std::int32_t override_absent = 99;
constexpr std::size_t firewall_text_chars = 78;

std::string join_path(std::string_view dir, std::string_view name) {
    std::string path(dir);
    if (!path.empty() && path.back() != '/') path += '/';
    path += name;
    return path;
}

bool file_exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string dir_of(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}


std::string program_dir() {
    std::vector<char> buffer(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return {};
    return dir_of(std::string(buffer.data(), static_cast<std::size_t>(n)));
}

std::string home_dir() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    std::vector<char> buffer(16384);
    passwd entry {};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir)
        return found->pw_dir;
    return {};
}

std::string user_config_dir() {
    // The XDG base directory rules say a relative value is to be ignored.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
        return join_path(xdg, "varnix");
    const std::string home = home_dir();
    if (home.empty()) return {};
    return join_path(home, ".config/varnix");
}

IniFile load_quietly(const std::string& path) { return IniFile::load(path).file; }

void report_save_failure(ConfigContext& ctx, int error) {
    ctx.messages.print_message("Cannot save %s: %s", ctx.config_path.c_str(), std::strerror(error));
}

}  // namespace

SupportDirs system_support_dirs() { return {current_directory(), program_dir(), user_config_dir()}; }

std::string locate_support_file(std::string_view name, const SupportDirs& dirs) {
    for (const std::string* dir : {&dirs.current_dir, &dirs.program_dir}) {
        if (dir->empty()) continue;
        std::string path = join_path(*dir, name);
        if (file_exists(path)) return path;
    }
    if (dirs.config_dir.empty()) return std::string(name);
    return join_path(dirs.config_dir, name);
}

std::string locate_support_file(std::string_view name) {
    return locate_support_file(name, system_support_dirs());
}

void init_config_paths(ConfigContext& ctx, const SupportDirs& dirs) {
    ctx.config_path = locate_support_file(config_file_name, dirs);
    ctx.user_profile_path =
        dirs.config_dir.empty() ? std::string() : join_path(dirs.config_dir, user_profile_file_name);
}

std::string config_get_string(const ConfigContext& ctx, std::string_view key,
                              std::string_view fallback, std::size_t max_chars) {
    return ini_get_string(ctx.config_path, config_section, key, fallback, max_chars);
}

std::int32_t config_get_int(const ConfigContext& ctx, std::string_view key,
                            std::int32_t fallback) {
    return ini_get_int(ctx.config_path, config_section, key, fallback);
}

std::int32_t profile_get_int(const IniFile& ini, std::string_view section, std::string_view key,
                             std::int32_t fallback) {
    return ini.get_int(section, key, ini.get_int(config_section, key, fallback));
}

std::int32_t profile_get_int(const ConfigContext& ctx, std::string_view section,
                             std::string_view key, std::int32_t fallback) {
    return profile_get_int(load_quietly(ctx.config_path), section, key, fallback);
}

bool update_config_file(ConfigContext& ctx, const std::function<IniStatus(IniFile&)>& edit,
                        IniSync sync) {
    auto loaded = IniFile::load(ctx.config_path);
    IniStatus status = loaded.status;
    if (status.ok()) status = edit(loaded.file);
    if (status.ok()) status = loaded.file.save(ctx.config_path, sync);
    if (!status.ok()) report_save_failure(ctx, status.error);
    return status.ok();
}

void config_put_string(ConfigContext& ctx, std::string_view key,
                       std::optional<std::string_view> value) {
    const IniStatus status = ini_put(ctx.config_path, config_section, key, value);
    if (!status.ok()) report_save_failure(ctx, status.error);
}

void put_uint(ConfigContext& ctx, std::string_view section, std::string_view key,
              std::uint32_t value) {
    const IniStatus status = write_uint(ctx.config_path, section, key, value);
    if (!status.ok()) report_save_failure(ctx, status.error);
}

void profile_put_override(IniFile& ini, std::string_view section, std::string_view key,
                          std::int32_t value) {
    const std::int32_t default_value = ini.get_int(config_section, key, override_absent);
    // A name the file cannot hold (checked by the store) leaves the file as it is.
    if (default_value == override_absent || default_value != value)
        (void)ini.put_uint(section, key, static_cast<std::uint32_t>(value));
    else
        (void)ini.put(section, key, std::nullopt);
}

void profile_put_override(ConfigContext& ctx, std::string_view section, std::string_view key,
                          std::int32_t value) {
    auto loaded = IniFile::load(ctx.config_path);
    if (!loaded.status.ok()) return report_save_failure(ctx, loaded.status.error);
    const std::string before = loaded.file.text();
    profile_put_override(loaded.file, section, key, value);
    if (loaded.file.text() == before) return;
    if (const IniStatus status = loaded.file.save(ctx.config_path); !status.ok())
        report_save_failure(ctx, status.error);
}

void current_profile_put_override(ConfigContext& ctx, std::string_view key, std::int32_t value) {
    profile_put_override(ctx, ctx.session.name, key, value);
}

void load_program_settings(ConfigContext& ctx) {
    ProgramSettings& s = ctx.settings;
    s.mail_address = config_get_string(ctx, "MAILADDR", default_mail_address,
                                       config_limits::mail_address);
    Session& session = ctx.session;
    session.name.clear();
    session.user.clear();
    session.password.clear();
    session.remote_dir.clear();
    session.host_type = host_type_automatic;
    session.timeout = 65;
    new_current_profile(ctx, config_get_string(ctx, "SESSION", "", config_limits::session));

    const IniFile ini = load_quietly(ctx.config_path);
    const ProgramSettings defaults;
    for (const ProgramSettingKey& entry : program_setting_keys) {
        if (entry.load == SettingLoad::WhenUsed) continue;
        int& value = s.*entry.field;
        const int fallback = entry.load == SettingLoad::KeepingMemory ? value : defaults.*entry.field;
        value = ini.get_int(config_section, entry.key, fallback);
    }
    s.idle_noop = std::max(0, s.idle_noop);
    ctx.messages.set_verbose(s.verbose == 1);
}

void save_last_session(ConfigContext& ctx) {
    config_put_string(ctx, "SESSION", ctx.session.name);
}

std::string read_viewer(const ConfigContext& ctx) {
    return config_get_string(ctx, "VIEWER", default_viewer, config_limits::viewer);
}

LogSettings read_log_settings(const ConfigContext& ctx) {
    const IniFile ini = load_quietly(ctx.config_path);
    LogSettings log;
    log.enabled = ini.get_int(config_section, setting_key(&ProgramSettings::log_transfers), 1) == 1;
    log.file = ini.get_string(config_section, "logfile", default_logfile, config_limits::logfile);
    return log;
}

FontSettings read_font_settings(const ConfigContext& ctx) {
    const IniFile ini = load_quietly(ctx.config_path);
    FontSettings f;
    f.font = ini.get_int(config_section, setting_key(&ProgramSettings::list_font), f.font);
    f.face = ini.get_string(config_section, "FNAME", f.face, config_limits::font_name);
    f.height = ini.get_int(config_section, "FHEIGHT", f.height);
    f.width = ini.get_int(config_section, "FWIDTH", f.width);
    f.weight = ini.get_int(config_section, "FWEIGHT", f.weight);
    f.pitch_and_family = ini.get_int(config_section, "FPITCH", f.pitch_and_family) & 0xFF;
    return f;
}

SoundSettings read_sound_settings(const ConfigContext& ctx, const std::string& program_dir) {
    const IniFile ini = load_quietly(ctx.config_path);
    SoundSettings sound;
    sound.use_wave_files = ini.get_int(config_section, option_key(&SessionOptions::use_wave_files), 1);
    const auto path = [&](std::string_view key, std::string_view file) {
        return ini.get_string(config_section, key, join_path(program_dir, file),
                              config_limits::wave_path);
    };
    sound.wav_connect = path("wav_connect", "connect.wav");
    sound.wav_complete = path("wav_complete", "complete.wav");
    sound.wav_error = path("wav_error", "error.wav");
    return sound;
}

WindowPlacementKeys read_window_placement(const ConfigContext& ctx) {
    const IniFile ini = load_quietly(ctx.config_path);
    WindowPlacementKeys keys;
    keys.location = ini.get_string(config_section, "LOC", "", config_limits::window_location);
    keys.maximize = ini.get_int(config_section, "MAXIMIZE", 0) == 1;
    return keys;
}

void read_window_sortlbx(ConfigContext& ctx) {
    ctx.options.sorted_lists = config_get_int(ctx, option_key(&SessionOptions::sorted_lists), 0);
}

bool password_saving_banned(const ConfigContext& ctx) {
    if (!ctx.user_profile_path.empty() &&
        ini_get_int(ctx.user_profile_path, program_section, "SPFLAGS", 0) > 0)
        return true;
    return config_get_int(ctx, "SPFLAGS", 0) > 0;
}

bool batch_host_uses_firewall(const ConfigContext& ctx) {
    return ini_get_int(ctx.config_path, program_section, "FIREWALL", 0) != 0;
}

FirewallSettings read_firewall_settings(const ConfigContext& ctx) {
    const IniFile ini = load_quietly(ctx.config_path);
    FirewallSettings fw;
    fw.host = ini.get_string(firewall_section, "HOST", "", firewall_text_chars);
    fw.user = ini.get_string(firewall_section, "UID", "", firewall_text_chars);
    if (const auto stored = ini.find(firewall_section, "PWD")) {
        fw.password_saved = true;
        const std::string kept = stored->substr(0, firewall_stored_secret_chars);
        if (!kept.empty()) fw.password = cut_to(unscramble_secret(fw.user, kept), 78);
    }
    fw.port = ini.get_int(firewall_section, "PORT", 21);
    fw.type = ini.get_int(firewall_section, "FIRETYPE", 1);
    return fw;
}

void write_firewall_settings(ConfigContext& ctx, const FirewallSettings& fw) {
    const std::size_t most = max_storable_secret(firewall_stored_secret_chars);
    const bool fits = fw.password.size() <= most;
    if (fw.password_saved && !fits)
        ctx.messages.print_message("Firewall password not saved: at most %zu characters can be stored",
                                   most);
    const std::string user = cut_to(fw.user, firewall_text_chars);
    (void)update_config_file(ctx, [&](IniFile& ini) {
        IniStatus status = ini.put(firewall_section, "HOST", cut_to(fw.host, firewall_text_chars));
        if (status.ok()) status = ini.put(firewall_section, "UID", user);
        if (status.ok() && fw.password_saved && fits)
            status = ini.put(firewall_section, "PWD", scramble_secret(user, fw.password));
        else if (status.ok())
            status = ini.put(firewall_section, "PWD", std::nullopt);
        if (status.ok()) status = ini.put_uint(firewall_section, "FIRETYPE",
                                               static_cast<std::uint32_t>(fw.type));
        if (status.ok()) status = ini.put_uint(firewall_section, "PORT",
                                               static_cast<std::uint32_t>(fw.port));
        return status;
    });
}

}  // namespace varnix
