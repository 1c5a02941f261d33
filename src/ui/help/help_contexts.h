// Help context numbers of the program's windows, dialogs and prompts, and the manual section
// each one opens. Every number the program hands to show_help (help_window.h) is named here.
#pragma once

#include <span>
#include <string_view>

namespace varnix::ui::help {

// The contents page: the "&Help" button and menu item, F1 in the main window. Every number up
// to 10, and any number without a section, shows the contents too.
inline constexpr int contents = 10;

// Connecting: the profile dialogs and the logon prompts.
inline constexpr int session_profile = 25;    // "Session Profile" dialog, its Help button
inline constexpr int connecting = 30;         // F1/F2 in both profile dialogs; "&Connect" button
inline constexpr int advanced_profile = 50;   // "Advanced Profile Parameters", its Help button
inline constexpr int user_password = 80;      // password prompts for the server's user
inline constexpr int firewall_password = 82;  // password prompts for the firewall's user
inline constexpr int account = 85;            // "Account required for %s on %s:"
inline constexpr int mail_address = 270;      // "Enter your e-mail address:"

// The main window (Ctrl+F1 on a control opens its number).
inline constexpr int main_window = 140;        // F2; path boxes, message area, status fields
inline constexpr int directory_lists = 180;    // directory lists, pane buttons, ChgDir prompts
inline constexpr int make_directory = 185;     // "Enter new remote/local directory name:"
inline constexpr int file_lists = 220;         // file lists and the transfer arrows
inline constexpr int viewing = 230;            // "View" and "&LogWnd" buttons
inline constexpr int verify_deletion = 320;    // "Verify Deletion"
inline constexpr int rename_files = 380;       // "Enter new name for \"%s\":"
inline constexpr int move_files = 390;         // "Please enter the %s destination directory:"
inline constexpr int message_log = 340;        // "Message Log" window, "Enter name for log file:"
inline constexpr int command_buttons = 150;    // Ctrl+F1 on Cancel, Help, About, Exit
inline constexpr int popup_menus = 160;        // F1 while a popup menu is open
inline constexpr int drag_and_drop = 170;      // "Enable drag and drop between windows"

// Options.
inline constexpr int options = 200;            // "Options" dialog; the transfer-mode buttons
inline constexpr int program_options = 205;
inline constexpr int session_options = 225;
inline constexpr int pro_options = 235;
inline constexpr int extension_conversions = 245;  // "Convert Extensions"
inline constexpr int ascii_extensions = 250;       // "Auto Detect Extensions"
inline constexpr int associate = 255;              // "Associate"
inline constexpr int options_button = 260;         // the "&Options" button
inline constexpr int sort_options = 300;           // "Sort Options"

// Transfers.
inline constexpr int transfer_status = 330;   // "Transfer Status" progress dialog
inline constexpr int resume_offer = 350;      // the offer to resume an interrupted download

// The "&FTP Commands" menu and the remote permissions.
inline constexpr int local_file_prompt = 630;        // STOR: "Enter local file name:"
inline constexpr int remote_file_prompt = 640;       // RETR: "Enter remote file name:"
inline constexpr int remote_directory_prompt = 650;  // remove directory, MKD/RMD prompts
inline constexpr int site_command = 700;             // "Enter SITE string:"
inline constexpr int quote_command = 710;            // "Enter command for remote host:"
inline constexpr int chmod_command = 720;            // "Enter CHMOD string:"
inline constexpr int remote_permissions = 310;       // "Remote file permissions" dialog

// Batch mode.
inline constexpr int command_line_prompt = 360;  // "Enter command line:" (-ask)

// One row of the table: the context, the manual page and the anchor in it (empty: the top).
struct HelpTopic {
    int context;
    std::string_view page;
    std::string_view anchor;
    std::string_view title;
};

// Every context with a section, in ascending order.
[[nodiscard]] std::span<const HelpTopic> help_topics();

// The topic of a context; the contents for 0..10 and for a number without a section.
[[nodiscard]] const HelpTopic& help_topic(int context);

// The page of the contents.
inline constexpr std::string_view contents_page = "index.html";

}  // namespace varnix::ui::help
