// What the option dialogs ask of the main window: help, the font chooser, listing a pane
// again, the local pane's folder and the window's placement. Any of them may be empty.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "ui/dialogs/dialog_support.h"

class QWidget;

namespace varnix::ui {

// The main window's placement as Save Window Locations stores it.
struct WindowPlacement {
    bool maximized = false;
    unsigned left = 0, top = 0, width = 0, height = 0;
    unsigned vertical_splitter = 0, horizontal_splitter = 0;
};

struct OptionsHooks {
    HelpHook help;
    // The custom font chooser; it stores FONT and the custom font keys itself.
    std::function<void(QWidget* owner)> choose_custom_font;
    std::function<void()> relist_remote;  // list the remote directory again
    std::function<void()> relist_local;   // list the local pane again
    std::function<std::string()> local_dir;  // the local pane's folder (default ctx.local_dir)
    std::function<std::optional<WindowPlacement>()> window_placement;
    // Picks a program file for the "Associate" dialog; empty when none was chosen.
    std::function<QString(QWidget* owner)> browse_program;
};

}  // namespace varnix::ui
