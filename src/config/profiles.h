// Session profile storage: loading a profile section into a Session, saving it back,
// listing the profiles, and making a named profile the current one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/config_context.h"
#include "platform/ini_file.h"

namespace varnix {

// The one profile reader: fills the record's fields from the section named by record.name,
// with the same limits on every path (dialog, start-up, batch). Asks nothing and leaves the
// session options and firewall_type alone.
void read_profile_record(const IniFile& ini, Session& record);
// Whether the section names a profile (it has a non-empty HOST).
[[nodiscard]] bool profile_has_host(const IniFile& ini, std::string_view name);

// Fills `record` through read_profile_record and loads the twelve session options
// into ctx.options (each falling back to [_config_], then to the value in memory). For an
// anonymous profile without a password it may ask for the e-mail address (ctx.prompts).
// Returns 1. firewall_type is left alone.
int load_profile(ConfigContext& ctx, Session& record);

// Rewrites the record's section in one replacement of the file: the pending restart keys
// (REGETRDIR, REGETRFILE, REGETLDIR, REGETLFILE) are carried over; every other key not
// written from the record (session option overrides, HASH, COMMENT, REGETTIME) is gone.
// A password or account too long to survive a reload is not stored; a message says so.
void save_profile(ConfigContext& ctx, const Session& record);

// The names of all sections except [_config_], in file order. The caller fills its list.
[[nodiscard]] std::vector<std::string> list_profiles(const ConfigContext& ctx);

// Clears the current Session's name, user, password and remote directory, sets host type
// 6000 and time-out 65, takes `name` and loads that profile.
void new_current_profile(ConfigContext& ctx, std::string_view name);

// Changes the process's current directory; true on success.
[[nodiscard]] bool change_local_dir(std::string_view path);

// Stores the current directories as the current profile's DIR (quoted) and LOCDIR.
void save_directory_names(ConfigContext& ctx, std::string_view remote_dir,
                          std::string_view local_dir);

}  // namespace varnix
