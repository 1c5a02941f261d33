// File associations: running a local file (itself when executable, else the program the
// [Extensions] store names for its extension, else the desktop's opener), and the
// "Associate" dialog that adds an association.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_context.h"
#include "ui/dialogs/options_hooks.h"
#include "ui/help/help_contexts.h"

class QComboBox;

namespace varnix::ui {

inline constexpr int associate_help = help::associate;
inline constexpr std::string_view extensions_section = "Extensions";
// The longest extension the dialog stores ("tar.gz" and "html" need more than three).
inline constexpr std::size_t association_extension_chars = 15;
inline constexpr std::size_t association_program_chars = 255;

// How a program is started: never through a shell; each argument stays one argument.
struct Launcher {
    std::function<bool(const std::vector<std::string>& argv)> start_detached;
    std::function<bool(const std::string& path)> open_with_desktop;
};
// QProcess::startDetached, and QDesktopServices (xdg-open when that fails).
[[nodiscard]] Launcher desktop_launcher();

// The extension of a file name: everything after its first dot, or empty.
[[nodiscard]] std::string file_extension(std::string_view file_name);

// What running a file comes to.
struct LaunchPlan {
    enum class Kind { Nothing, Program, Desktop };
    Kind kind = Kind::Nothing;
    std::vector<std::string> argv;  // for Program
    std::string path;               // for Desktop
};

// Splits a stored command line into words at blanks; a double-quoted run stays one word.
[[nodiscard]] std::vector<std::string> split_command(std::string_view command);
// The argv of an association value for a file: the words before "^" (the whole value when it
// has none), then the file name as one argument.
[[nodiscard]] std::vector<std::string> association_argv(std::string_view value,
                                                        const std::string& file);
// The [Extensions] value for a file: its whole extension first ("tar.gz"), then each shorter
// ending ("gz"). Empty when none.
[[nodiscard]] std::string find_association(const ConfigContext& ctx, std::string_view file_name);
// Decides without starting anything: an executable regular file runs itself; else its
// association; else the desktop opener. A missing file gives Nothing.
[[nodiscard]] LaunchPlan plan_execution(const ConfigContext& ctx, const std::string& path);
// Runs the plan; false when nothing could be started.
bool execute_by_association(const ConfigContext& ctx, const std::string& path,
                            const Launcher& launcher);

// The value stored for an extension from the program text typed: " ^.ext" appended when it
// has no "^"; the part from "^" on replaced by "^.ext" when it does not name the extension.
[[nodiscard]] std::string association_value(std::string_view program, std::string_view extension);

// The "Associate" dialog. exec() returns Accepted when an association was written to
// [Extensions] of the user profile, Rejected otherwise.
class AssociateDialog : public QDialog {
    Q_OBJECT
public:
    AssociateDialog(ConfigContext& ctx, const std::string& initial_extension, OptionsHooks hooks,
                    QWidget* parent = nullptr);

private:
    void fill_lists();
    void extension_chosen();
    void ok_clicked();
    void browse_clicked();

    ConfigContext& ctx_;
    OptionsHooks hooks_;
    QComboBox* extension_ = nullptr;
    QComboBox* program_ = nullptr;
};

}  // namespace varnix::ui
