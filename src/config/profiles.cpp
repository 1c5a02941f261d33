// Session profile storage: loading a profile section into a Session, saving it back,
// listing the profiles, and making a named profile the current one.
#include "config/profiles.h"

#include <unistd.h>

#include <array>
#include <cstdint>

#include "config/config_file.h"
#include "config/scramble.h"

namespace varnix {

namespace {

constexpr std::size_t restart_value_chars = 4095;  // paths as long as Linux allows
constexpr int mail_prompt_help = 270;

// The restart keys a save carries over; REGETTIME is deliberately not among them.
constexpr std::array<std::string_view, 4> restart_keys{"REGETRDIR", "REGETRFILE", "REGETLDIR",
                                                       "REGETLFILE"};

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// A stored password or account: decoded only when the user ID is known too.
std::string read_secret(const IniFile& ini, std::string_view section, std::string_view key,
                        const std::string& user, std::size_t field_chars) {
    const std::string stored = ini.get_string(section, key, "", profile_stored_secret_chars);
    if (user.empty() || stored.empty()) return {};
    return cut_to(unscramble_secret(user, stored), field_chars);
}

// The anonymous password is the e-mail address, asked for until given or cancelled.
void fill_anonymous_password(ConfigContext& ctx, Session& record) {
    std::string& mail = ctx.settings.mail_address;
    while (mail.empty()) {
        ctx.prompts.set_help_context(mail_prompt_help);
        if (!ctx.prompts.ask_text(&mail, "Enter your e-mail address:")) break;
    }
    record.password = cut_to(mail, session_limits::password);
    if (!mail.empty()) config_put_string(ctx, "MAILADDR", mail);
}

void load_connection_keys(const IniFile& ini, Session& r) {
    const std::string_view s = r.name;
    r.host_type = ini.get_int(s, profile_key::host_type, host_type_automatic);
    r.timeout = clamp_timeout(ini.get_int(s, profile_key::timeout, 65));
    r.local_mask = ini.get_string(s, profile_key::local_mask, "", session_limits::local_mask);
    r.remote_mask = ini.get_string(s, profile_key::remote_mask, "", session_limits::remote_mask);
    r.local_dir = ini.get_string(s, profile_key::local_dir, "", session_limits::local_dir);
    r.init_cmd = ini.get_string(s, profile_key::init_cmd, "", session_limits::init_cmd);
    r.tls = tls_mode_from_key(ini.get_int(s, profile_key::tls, 0));
    r.port = ini.get_int(s, profile_key::port, default_port(r.tls));
    r.passive = profile_get_int(ini, s, profile_key::passive, 0);
    r.retries = ini.get_int(s, profile_key::retries, 0);
    r.mlsd = ini.get_int(s, profile_key::mlsd, 1);
    r.charset = ini.get_string(s, profile_key::charset, "", session_limits::charset);
}

void load_session_options(const IniFile& ini, std::string_view section, SessionOptions& options) {
    for (const SessionOptionKey& option : session_option_keys) {
        int& value = options.*option.field;
        value = profile_get_int(ini, section, option.key, value);
    }
    // MODE is kept as one character.
    options.mode = static_cast<unsigned char>(options.mode);
}

// Whether a secret survives a save and a reload; if not it is not stored, and the user hears
// why rather than finding a garbled password at the next logon.
bool storable_secret(ConfigContext& ctx, const char* what, const std::string& secret) {
    const std::size_t most = max_storable_secret(profile_stored_secret_chars);
    if (secret.size() <= most) return true;
    ctx.messages.print_message("%s not saved: at most %zu characters can be stored", what, most);
    return false;
}

IniStatus write_profile(IniFile& ini, const Session& r, bool save_password, bool save_account) {
    const std::string_view s = r.name;
    std::array<std::string, restart_keys.size()> restart;
    for (std::size_t i = 0; i < restart_keys.size(); ++i)
        restart[i] = ini.get_string(s, restart_keys[i], "", restart_value_chars);

    ini.clear_section(s);
    IniStatus status = ini.put(s, profile_key::host, r.host);
    const auto put = [&](std::string_view key, std::optional<std::string_view> value) {
        if (status.ok()) status = ini.put(s, key, value);
    };
    const auto put_number = [&](std::string_view key, std::int32_t value) {
        if (status.ok()) status = ini.put_uint(s, key, static_cast<std::uint32_t>(value));
    };
    put(profile_key::user, r.user);
    if (save_password) put(profile_key::password, scramble_secret(r.user, r.password));
    if (save_account) put(profile_key::account, scramble_secret(r.user, r.account));
    if (!r.local_mask.empty()) put(profile_key::local_mask, r.local_mask);
    if (!r.remote_mask.empty()) put(profile_key::remote_mask, r.remote_mask);
    if (r.host_type != host_type_automatic) put_number(profile_key::host_type, r.host_type);
    if (r.timeout != 65) put_number(profile_key::timeout, r.timeout);
    if (!r.local_dir.empty()) put(profile_key::local_dir, r.local_dir);
    if (!r.remote_dir.empty()) put(profile_key::remote_dir, "\"" + r.remote_dir + "\"");
    if (r.use_firewall) put(profile_key::use_firewall, "1");
    if (r.firewall_type != 0 && r.firewall_type != 99) put_number(profile_key::firewall_type, r.firewall_type);
    if (r.retries != 0) put_number(profile_key::retries, r.retries);
    if (r.tls != TlsMode::Plain) put_number(profile_key::tls, static_cast<std::int32_t>(r.tls));
    if (r.port != default_port(r.tls)) put_number(profile_key::port, r.port);
    if (!r.init_cmd.empty()) put(profile_key::init_cmd, r.init_cmd);
    if (r.mlsd != 1) put_number(profile_key::mlsd, r.mlsd);
    if (!r.charset.empty()) put(profile_key::charset, r.charset);
    if (status.ok()) profile_put_override(ini, s, profile_key::passive, r.passive);
    if (!restart[1].empty())
        for (std::size_t i = 0; i < restart_keys.size(); ++i) put(restart_keys[i], restart[i]);
    return status;
}

}  // namespace

void read_profile_record(const IniFile& ini, Session& r) {
    const std::string_view s = r.name;
    r.host = ini.get_string(s, profile_key::host, "", session_limits::host);
    if (r.host.empty()) r.host = cut_to(r.name, session_limits::host);
    r.user = ini.get_string(s, profile_key::user, "", session_limits::user);
    r.password = read_secret(ini, s, profile_key::password, r.user, session_limits::password);
    r.password_saved = !r.user.empty() && !ini.get_string(s, profile_key::password, "", 1).empty() ? 1 : 0;
    r.remote_dir = ini.get_string(s, profile_key::remote_dir, "", session_limits::remote_dir);
    r.account = read_secret(ini, s, profile_key::account, r.user, session_limits::account);
    r.use_firewall = profile_get_int(ini, s, profile_key::use_firewall, 0);
    load_connection_keys(ini, r);
}

bool profile_has_host(const IniFile& ini, std::string_view name) {
    return !ini.get_string(name, profile_key::host, "", 1).empty();
}

int load_profile(ConfigContext& ctx, Session& r) {
    const IniFile ini = IniFile::load(ctx.config_path).file;
    read_profile_record(ini, r);
    if (equals_ignoring_case(r.user, "anonymous") && r.password.empty())
        fill_anonymous_password(ctx, r);
    load_session_options(ini, r.name, ctx.options);
    return 1;
}

void save_profile(ConfigContext& ctx, const Session& record) {
    const bool save_password =
        record.password_saved && storable_secret(ctx, "Password", record.password);
    const bool save_account =
        !record.account.empty() && storable_secret(ctx, "Account", record.account);
    (void)update_config_file(ctx, [&](IniFile& ini) {
        return write_profile(ini, record, save_password, save_account);
    });
}

std::vector<std::string> list_profiles(const ConfigContext& ctx) {
    std::vector<std::string> names;
    for (std::string& name : IniFile::load(ctx.config_path).file.sections())
        if (!equals_ignoring_case(name, config_section)) names.push_back(std::move(name));
    return names;
}

void new_current_profile(ConfigContext& ctx, std::string_view name) {
    Session& session = ctx.session;
    session.user.clear();
    session.password.clear();
    session.remote_dir.clear();
    session.host_type = host_type_automatic;
    session.timeout = 65;
    session.name = cut_to(std::string(name), session_limits::name);
    (void)load_profile(ctx, session);
}

bool change_local_dir(std::string_view path) {
    if (path.empty() || path.find('\0') != std::string_view::npos) return false;
    return ::chdir(std::string(path).c_str()) == 0;
}

void save_directory_names(ConfigContext& ctx, std::string_view remote_dir,
                          std::string_view local_dir) {
    const std::string section = ctx.session.name;
    (void)update_config_file(ctx, [&](IniFile& ini) {
        IniStatus status = ini.put(section, profile_key::remote_dir, "\"" + std::string(remote_dir) + "\"");
        if (status.ok()) status = ini.put(section, profile_key::local_dir, local_dir);
        return status;
    });
}

}  // namespace varnix
