// Whole small settings files, read and replaced the way the INI file is: the helpers beside
// IniFile for files that are not INI files (the trusted certificates).
#pragma once

#include <string>
#include <string_view>

#include "platform/ini_file.h"

namespace varnix {

// Reads a whole small regular file into `out`: 0 or the errno value (ENOENT like any other).
[[nodiscard]] int read_settings_file(const std::string& path, std::string& out);

// Replaces a small settings file safely: the whole text through a temporary file in the same
// folder and a rename, creating the folder (0700) when missing; a new file gets mode 0600, an
// existing one keeps its mode without group and other access; a symbolic link is followed.
// On failure the old file is untouched.
[[nodiscard]] IniStatus replace_file_safely(const std::string& path, std::string_view text,
                                            IniSync sync = IniSync::Flushed);

}  // namespace varnix
