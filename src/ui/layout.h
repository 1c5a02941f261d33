// The main window's geometry: the fixed table of its 43 controls, and every position and size
// computed from the client size, the dialog base units and the two splitters. No widgets here.
#pragma once

#include <array>
#include <functional>
#include <string_view>

namespace varnix::ui {

enum class ControlKind {
    PathBox,      // drop-down list of the folders above the current one
    MessageLine,  // one of the two message-area lines
    StatusField,  // right-aligned transfer status text
    ScrollBar,    // the message area's scroll bar
    DirList,      // sorted, extended selection
    FileList,     // unsorted, extended selection, horizontal scroll bar
    Button,
    MaskEdit,
    Radio,
    Check,
};

struct ControlDef {
    ControlKind kind;
    std::string_view text;
    int id;            // the command id; -1 for the controls that send none
    int help;          // help context of Ctrl+F1
    std::string_view name;  // objectName: the id, or a name for the controls without one
    int x, y, w, h;    // nominal position in dialog units of a 240 x 200 unit client
    bool tab_stop;
};

inline constexpr int control_count = 43;

// Indices into ControlTable (also the creation and Tab order).
namespace ctl {
inline constexpr int local_path = 0;
inline constexpr int remote_path = 1;
inline constexpr int message_upper = 2;
inline constexpr int message_lower = 3;
inline constexpr int status_local = 4;
inline constexpr int status_remote = 5;
inline constexpr int message_scroll = 6;
inline constexpr int local_dirs = 7;
inline constexpr int local_files = 8;
inline constexpr int remote_dirs = 9;
inline constexpr int remote_files = 10;
inline constexpr int to_remote = 11;  // "-->"
inline constexpr int to_local = 12;   // "<--"
inline constexpr int local_column = 13;   // first of the local pane's ten buttons
inline constexpr int remote_column = 23;  // first of the remote pane's ten buttons
inline constexpr int column_size = 10;
// Offsets inside a button column.
inline constexpr int chgdir = 0, mkdir = 1, rmdir = 2, mask = 3, view = 4, exec = 5, rename = 6,
                     del = 7, refresh = 8, dirinfo = 9;
inline constexpr int ascii = 33;
inline constexpr int binary = 34;
inline constexpr int automatic = 35;
inline constexpr int connect = 36;
inline constexpr int cancel = 37;
inline constexpr int logwnd = 38;
inline constexpr int manual = 39;  // the "&Help" button
inline constexpr int options = 40;
inline constexpr int about = 41;
inline constexpr int exit = 42;
inline constexpr int command_row = 36;  // first of the seven command buttons
}  // namespace ctl

extern const std::array<ControlDef, control_count> ControlTable;

// The table index of the control with command id `id`, -1 when none has it.
[[nodiscard]] int control_index(int id);

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    [[nodiscard]] int right() const { return x + w; }
    [[nodiscard]] int bottom() const { return y + h; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
    int x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct LayoutInput {
    int width = 0;   // client width in pixels
    int height = 0;  // client height in pixels
    int bx = 0;      // horizontal dialog base unit: pixels per 4 dialog units
    int by = 0;      // vertical dialog base unit: pixels per 8 dialog units
    int split_x = 0;  // pane split S; below 1 means the default
    int split_y = 0;  // list split Y; below 1 means the default
    int layout = 0;   // LAYOUT: 0 side by side, 1 stacked
    bool bontop = false;  // BONTOP: the command row at the top
};

struct LayoutResult {
    std::array<Rect, control_count> controls{};
    int bx = 0, by = 0;         // the units used (smaller than the input below the design size)
    int split_x = 0;            // S after the defaults and resets: keep it for the next layout
    int split_y = 0;            // Y after the defaults and limits
    int top = 0;                // T: how far everything but the command row moved down
    int default_split_y = 0;    // D
    int min_split_y = 0, max_split_y = 0;  // the list splitter's limits
    bool splitters = false;     // only the side-by-side layout has them
    int drop_height = 0;        // the path boxes' drop-down height
    Point local_caption, remote_caption;
    std::array<Rect, 2> pane_frames{};  // raised frames around the panes (side by side only)
    Rect message_frame;         // sunken frame around the message lines and scroll bar
    bool transfer_captions = false;  // both arrows read "Transfer"
};

// Dialog-unit conversions: n·bx/4 and n·by/8, truncated.
[[nodiscard]] constexpr int du_x(int n, int bx) { return n * bx / 4; }
[[nodiscard]] constexpr int du_y(int n, int by) { return n * by / 8; }

[[nodiscard]] LayoutResult compute_layout(const LayoutInput& in);

// The pane splitter's drag range for a client width: every list keeps some width.
struct SplitRange {
    int low = 0, high = 0;
};
[[nodiscard]] SplitRange pane_split_range(const LayoutResult& layout, int width);

enum class SplitterHit { None, Pane, List };
// Which splitter a client point is over (none in the stacked layout).
[[nodiscard]] SplitterHit splitter_at(const LayoutResult& layout, int x, int y);

// The resize rule: whether a new client size needs a relayout, and the splits it resets.
struct ResizeState {
    int last_width = 0, last_height = 0;
    int startup_width = 0, startup_height = 0;
    int startup_split_x = 0, startup_split_y = 0;
    bool connect_handled = false;  // the first connect command has been handled
};
// False when the size is unchanged. After the first connect a new height resets Y and a new
// width resets S (to 0, their defaults), unless the window is back at its start-up size with
// the split it started with. Stores the new size.
[[nodiscard]] bool apply_resize(ResizeState& state, int width, int height, int& split_x,
                                int& split_y);

// Tab and Shift+Tab: the next (previous) Tab stop of the table from `current` that `usable`
// accepts (visible and enabled), wrapping; `current` when no other one is usable. A `current`
// of -1 starts before the first (after the last) control.
[[nodiscard]] int next_tab_stop(int current, bool forward, const std::function<bool(int)>& usable);

}  // namespace varnix::ui
