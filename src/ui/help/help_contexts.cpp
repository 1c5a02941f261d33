// The table from help context number to manual page and anchor.
#include "ui/help/help_contexts.h"

#include <algorithm>
#include <array>

namespace varnix::ui::help {
namespace {

constexpr std::array topics{
    HelpTopic{contents, contents_page, "", "Contents"},
    HelpTopic{session_profile, "connecting.html", "profile", "The Session Profile dialog"},
    HelpTopic{connecting, "connecting.html", "connect", "Connecting to a server"},
    HelpTopic{advanced_profile, "connecting.html", "advanced", "Advanced Profile Parameters"},
    HelpTopic{user_password, "connecting.html", "password", "Password prompts"},
    HelpTopic{firewall_password, "firewall.html", "firewall-password", "The firewall password"},
    HelpTopic{account, "connecting.html", "account", "Account prompts"},
    HelpTopic{main_window, "window.html", "main", "The main window"},
    HelpTopic{command_buttons, "window.html", "command-row", "The command buttons"},
    HelpTopic{popup_menus, "window.html", "popup", "Popup menus"},
    HelpTopic{drag_and_drop, "window.html", "drag", "Drag and drop"},
    HelpTopic{directory_lists, "window.html", "directories", "Directory lists"},
    HelpTopic{make_directory, "window.html", "make-directory", "Making a directory"},
    HelpTopic{options, "options.html", "options", "The Options dialog"},
    HelpTopic{program_options, "options.html", "program", "Program Options"},
    HelpTopic{file_lists, "window.html", "files", "File lists and transfers"},
    HelpTopic{session_options, "options.html", "session", "Session Options"},
    HelpTopic{viewing, "window.html", "view", "Viewing and executing files"},
    HelpTopic{pro_options, "options.html", "pro", "Pro Options"},
    HelpTopic{extension_conversions, "options.html", "conversions", "Convert Extensions"},
    HelpTopic{ascii_extensions, "options.html", "ascii-extensions", "Auto Detect Extensions"},
    HelpTopic{associate, "options.html", "associate", "File associations"},
    HelpTopic{options_button, "options.html", "options", "The Options dialog"},
    HelpTopic{mail_address, "connecting.html", "anonymous", "Anonymous logon"},
    HelpTopic{sort_options, "options.html", "sort", "Sort Options"},
    HelpTopic{remote_permissions, "commands.html", "permissions", "Remote file permissions"},
    HelpTopic{verify_deletion, "window.html", "delete", "Deleting files"},
    HelpTopic{transfer_status, "transfers.html", "progress", "The Transfer Status window"},
    HelpTopic{message_log, "window.html", "log", "The Message Log window"},
    HelpTopic{resume_offer, "transfers.html", "resume", "Resuming an interrupted download"},
    HelpTopic{command_line_prompt, "batch.html", "ask", "Typing the command line"},
    HelpTopic{rename_files, "window.html", "rename", "Renaming files"},
    HelpTopic{move_files, "window.html", "move", "Moving files"},
    HelpTopic{local_file_prompt, "commands.html", "stor", "STOR: send one file"},
    HelpTopic{remote_file_prompt, "commands.html", "retr", "RETR: receive one file"},
    HelpTopic{remote_directory_prompt, "commands.html", "remote-directory",
              "Making and removing remote directories by name"},
    HelpTopic{site_command, "commands.html", "site", "SITE commands"},
    HelpTopic{quote_command, "commands.html", "quote", "QUOTE: any command"},
    HelpTopic{chmod_command, "commands.html", "chmod", "The chmod command"},
};

constexpr bool ascending() {
    for (std::size_t i = 1; i < topics.size(); ++i) {
        if (topics[i - 1].context >= topics[i].context) return false;
    }
    return true;
}
static_assert(ascending(), "help topics are kept in ascending context order, each once");

}  // namespace

std::span<const HelpTopic> help_topics() { return topics; }

const HelpTopic& help_topic(int context) {
    const auto it = std::lower_bound(topics.begin(), topics.end(), context,
                                     [](const HelpTopic& t, int c) { return t.context < c; });
    if (context <= contents || it == topics.end() || it->context != context) return topics.front();
    return *it;
}

}  // namespace varnix::ui::help
