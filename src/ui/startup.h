// Program start with a window: the stored window placement, the splash, the start lines, the
// posted batch or connect command, the event loop and the ordered shut-down.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "batch/batch_context.h"
#include "ui/layout.h"

namespace varnix::ui {

inline constexpr int batch_command = 7654;
inline constexpr int connect_command = 9000;
inline constexpr const char* program_version = "4.50T";
// The notice printed after the version on the second start line.
inline constexpr const char* program_notice =
    "two-pane FTP client for Linux, free software without warranty";
// What the first start line names as the socket layer.
inline constexpr const char* socket_layer_description =
    "VARNIX socket layer 1.1 over the Linux BSD socket interface (poll, getaddrinfo)";

// The main window's outer placement and the two splitter positions, as "LOC" stores them.
struct WindowPlacement {
    int left = 10;
    int top = 10;
    int width = 0;
    int height = 440;
    int split_x = 0;  // pane split
    int split_y = 0;  // list split (0: the layout's default)
    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

// Left and top 10, 5/6 of the desktop wide, 440 high, the pane split at half that width.
[[nodiscard]] WindowPlacement default_placement(int desktop_width);

// "left,top,width,height,split_x,split_y" walked comma by comma: left needs a first comma,
// top a second, width and height a third, the two splits a fifth (then both; without them the
// pane split is half the window's width). A field that is
// not a number keeps its default; a value written from a negative number ("%u") reads back
// negative.
[[nodiscard]] WindowPlacement parse_location(std::string_view text, const WindowPlacement& defaults);

// Moves and shrinks the placement so the window lies on `desktop` (the visible area) and is at
// least 200 x 100.
[[nodiscard]] WindowPlacement fit_on_desktop(WindowPlacement placement, const Rect& desktop);

// The splash's top-left corner: centred a little above and left of the desktop's middle.
[[nodiscard]] Point splash_position(const Rect& desktop);
inline constexpr int splash_width = 377;
inline constexpr int splash_height = 277;
inline constexpr int splash_min_ms = 1000;

// A raw command line of more than 3 characters is a batch run.
[[nodiscard]] inline bool is_batch_command_line(std::string_view text) { return text.size() > 3; }

// The two start lines of the message area.
[[nodiscard]] std::string socket_start_line();
[[nodiscard]] std::string program_start_line();

struct WindowProgramOptions {
    bool start_minimized = false;  // the launcher asked for a minimized start
    bool splash = true;            // off for measurements
    // The command line to read instead of the process's arguments.
    std::optional<std::string> command_line;
};

class MainWindow;

// The program with its window, between start-up and the ordered shut-down (the destructor:
// connections, listing cache, window, splash). A QApplication must exist.
class WindowProgram {
public:
    explicit WindowProgram(const WindowProgramOptions& options);
    ~WindowProgram();
    WindowProgram(const WindowProgram&) = delete;
    WindowProgram& operator=(const WindowProgram&) = delete;

    // Splash, settings, command line, the main window at its placement, the start lines, and
    // the batch or connect command posted for the event loop.
    void start();
    [[nodiscard]] MainWindow& window();
    [[nodiscard]] BatchContext& context();
    [[nodiscard]] bool batch() const;
    // The program's exit code after the event loop returned `loop_code`: for a batch run 0
    // when every transfer succeeded.
    [[nodiscard]] int exit_code(int loop_code) const;

private:
    struct State;
    WindowProgramOptions options_;
    std::unique_ptr<State> s_;
};

// The whole program with its window. `argc`/`argv` are the process's; Qt's own options are
// taken out before the command line is read. Returns the exit code.
int run_window_program(int argc, char** argv, const WindowProgramOptions& options);

}  // namespace varnix::ui
