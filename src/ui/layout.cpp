// The main window's control table and the layout computed from the client size.
#include "ui/layout.h"

#include <algorithm>

namespace varnix::ui {

namespace {

using K = ControlKind;

constexpr std::array<int, ctl::column_size> column_y = {32, 44, 56, 69, 82, 94, 106, 118, 130, 142};

// The help context of a column button: 180, View 230.
constexpr int column_help(int i) { return i == ctl::view ? 230 : 180; }

constexpr ControlDef column_button(int i, bool remote) {
    constexpr std::array<std::string_view, ctl::column_size> texts = {
        "ChgDir", "MkDir", "RmDir", "*.*", "View", "Exec", "Rename", "Delete", "Refresh", "DirInfo"};
    constexpr std::array<int, ctl::column_size> local_ids = {933, 935, 937, 926, 941,
                                                             9045, 947, 945, 943, 949};
    constexpr std::array<int, ctl::column_size> remote_ids = {934, 936, 938, 930, 942,
                                                              9046, 948, 946, 944, 950};
    constexpr std::array<std::string_view, ctl::column_size> local_names = {
        "933", "935", "937", "926", "941", "9045", "947", "945", "943", "949"};
    constexpr std::array<std::string_view, ctl::column_size> remote_names = {
        "934", "936", "938", "930", "942", "9046", "948", "946", "944", "950"};
    const bool mask = i == ctl::mask;
    return ControlDef{mask ? K::MaskEdit : K::Button,
                      mask ? (remote ? std::string_view() : texts[i]) : texts[i],
                      remote ? remote_ids[i] : local_ids[i],
                      column_help(i),
                      remote ? remote_names[i] : local_names[i],
                      remote ? 213 : 84,
                      column_y[i],
                      27,
                      12,
                      true};
}

}  // namespace

const std::array<ControlDef, control_count> ControlTable = {{
    {K::PathBox, "", 960, 140, "960", 7, 18, 102, 8, false},
    {K::PathBox, "", 961, 140, "961", 136, 18, 102, 8, false},
    {K::MessageLine, "", -1, 140, "message_upper", 10, 167, 218, 8, false},
    {K::MessageLine, "", -1, 140, "message_lower", 10, 175, 218, 8, false},
    {K::StatusField, "", -1, 140, "status_local", 10, 156, 40, 8, false},
    {K::StatusField, "", -1, 140, "status_remote", 198, 156, 40, 8, false},
    {K::ScrollBar, "", -1, 10, "message_scroll", 228, 167, 10, 16, false},
    {K::DirList, "", 924, 180, "924", 7, 31, 74, 50, true},
    {K::FileList, "", 927, 220, "927", 7, 83, 74, 70, true},
    {K::DirList, "", 929, 180, "929", 136, 31, 74, 50, true},
    {K::FileList, "", 931, 220, "931", 136, 83, 74, 70, true},
    {K::Button, "-->", 939, 220, "939", 116, 118, 14, 14, true},
    {K::Button, "<--", 940, 220, "940", 116, 101, 14, 14, true},
    column_button(0, false), column_button(1, false), column_button(2, false),
    column_button(3, false), column_button(4, false), column_button(5, false),
    column_button(6, false), column_button(7, false), column_button(8, false),
    column_button(9, false),
    column_button(0, true), column_button(1, true), column_button(2, true),
    column_button(3, true), column_button(4, true), column_button(5, true),
    column_button(6, true), column_button(7, true), column_button(8, true),
    column_button(9, true),
    {K::Radio, "ASCII", 1851, 200, "1851", 58, 156, 39, 9, false},
    {K::Radio, "Binary", 1852, 200, "1852", 108, 156, 39, 9, false},
    {K::Check, "Auto", 1853, 200, "1853", 148, 156, 39, 9, false},
    {K::Button, "&Connect", 9000, 30, "9000", 6, 188, 34, 10, true},
    {K::Button, "Ca&ncel", 9033, 10, "9033", 40, 188, 34, 10, true},
    {K::Button, "&LogWnd", 9047, 230, "9047", 74, 188, 34, 10, true},
    {K::Button, "&Help", 9041, 10, "9041", 108, 188, 32, 10, true},
    {K::Button, "&Options", 5130, 260, "5130", 138, 188, 34, 10, true},
    {K::Button, "&About", 9037, 10, "9037", 172, 188, 34, 10, true},
    {K::Button, "E&xit", 9042, 10, "9042", 206, 188, 34, 10, true},
}};

int control_index(int id) {
    if (id == -1) return -1;
    for (int i = 0; i < control_count; ++i) {
        if (ControlTable[static_cast<std::size_t>(i)].id == id) return i;
    }
    return -1;
}

namespace {

// Both layouts: the message lines, their scroll bar, the command row and the message frame.
void place_common(LayoutResult& r, int W, int H, bool stacked, bool bontop) {
    const int bx = r.bx, by = r.by, T = r.top;
    auto u = [bx](int n) { return du_x(n, bx); };
    auto v = [by](int n) { return du_y(n, by); };
    auto& c = r.controls;
    const int line_w = W - u(stacked ? 67 : 27);
    c[ctl::message_upper] = {u(10), H + T - v(30), line_w, by};
    c[ctl::message_lower] = {u(10), H + T - v(22), line_w, by};
    c[ctl::message_scroll] = {stacked ? W - u(56) : W - 4 * bx, H + T - v(30), u(10), 2 * by};
    const int bw = W / 7;
    for (int i = 0; i < 7; ++i) {
        c[static_cast<std::size_t>(ctl::command_row + i)] = {i * bw + (W % 7) / 2,
                                                             bontop ? 1 : H - v(11), bw, v(10)};
    }
    const Rect& upper = c[ctl::message_upper];
    const Rect& bar = c[ctl::message_scroll];
    r.message_frame = {upper.x - 5, upper.y - 2, bar.right() + 5 - (upper.x - 5),
                       bar.bottom() + 2 - (upper.y - 2)};
}

void place_side_by_side(LayoutResult& r, int W, int H) {
    const int bx = r.bx, by = r.by, T = r.top, S = r.split_x, Y = r.split_y;
    auto u = [bx](int n) { return du_x(n, bx); };
    auto v = [by](int n) { return du_y(n, by); };
    auto& c = r.controls;
    const int box_h = v(12);
    c[ctl::local_path] = {u(7), v(14) + T, S - 4 * bx - 2 * bx - u(7), box_h};
    c[ctl::remote_path] = {S + bx, v(14) + T, W - (S + bx) - 2 * bx, box_h};
    r.drop_height = 11 * by;

    const int dir_top = v(31) + T;
    const int dir_h = Y - (v(31) + T + by / 4);
    const int file_h = H + T - v(46) - Y;
    const int local_w = S - 12 * bx - bx - u(7);
    const int remote_x = S + bx;
    const int remote_w = std::min(W - u(33) - 2 * bx, W - u(33) - (S + bx) - bx);
    c[ctl::local_dirs] = {u(7), dir_top, local_w, dir_h};
    c[ctl::local_files] = {u(7), Y, local_w, file_h};
    c[ctl::remote_dirs] = {remote_x, dir_top, remote_w, dir_h};
    c[ctl::remote_files] = {remote_x, Y, remote_w, file_h};

    const int h = std::min((dir_h + file_h) / 10, v(14));
    const int lists_bottom = Y + file_h;
    const int D = r.default_split_y;
    const int local_x = S - 12 * bx, remote_col_x = W - u(33);
    for (int i = 0; i < ctl::column_size; ++i) {
        const int y = i < 3 ? dir_top + i * h : std::min(lists_bottom - (10 - i) * h, D + (i - 3) * h);
        c[static_cast<std::size_t>(ctl::local_column + i)] = {local_x, y, u(27), h};
        c[static_cast<std::size_t>(ctl::remote_column + i)] = {remote_col_x, y, u(27), h};
    }
    c[ctl::to_local] = {S - u(16), c[ctl::local_column + ctl::view].y, u(14), h};
    c[ctl::to_remote] = {S - u(16), c[ctl::local_column + ctl::rename].y, u(14), h};

    const int mode_y = H + T - v(42);
    c[ctl::ascii] = {W / 2 - u(75), mode_y, u(39), v(10)};
    c[ctl::binary] = {W / 2 - u(25), mode_y, u(39), v(10)};
    c[ctl::automatic] = {W / 2 + u(25), mode_y, u(39), v(10)};
    c[ctl::status_local] = {u(10), mode_y, u(38), by};
    c[ctl::status_remote] = {W - u(38) - u(10), mode_y, u(38), by};

    r.local_caption = {c[ctl::local_path].x, by / 4 + T};
    r.remote_caption = {c[ctl::remote_path].x, by / 4 + T};
    const int frame_top = by / 4 + T + by / 2;
    const int frame_bottom = mode_y - v(2);
    const int local_left = c[ctl::local_path].x - bx;
    const int local_right = local_x + u(27) + u(2);
    const int remote_left = c[ctl::remote_path].x - bx;
    const int remote_right = remote_col_x + u(27) + u(2);
    r.pane_frames[0] = {local_left, frame_top, local_right - local_left, frame_bottom - frame_top};
    r.pane_frames[1] = {remote_left, frame_top, remote_right - remote_left, frame_bottom - frame_top};
}

void place_stacked(LayoutResult& r, int W, int H) {
    const int bx = r.bx, by = r.by, T = r.top;
    auto u = [bx](int n) { return du_x(n, bx); };
    auto v = [by](int n) { return du_y(n, by); };
    auto& c = r.controls;
    const int file_w = W - 96 * bx / 4;
    const int local_top = 2 * by + T, local_h = v(56);
    const int remote_top = v(99) + T, remote_h = H - v(144);
    c[ctl::local_dirs] = {u(7), local_top, u(80), local_h};
    c[ctl::local_files] = {u(91), local_top, file_w, local_h};
    c[ctl::remote_dirs] = {u(7), remote_top, u(80), remote_h};
    c[ctl::remote_files] = {u(91), remote_top, file_w, remote_h};
    const int box_h = v(12);
    c[ctl::local_path] = {u(60), local_top - v(14), W - u(42) - u(60), box_h};
    c[ctl::remote_path] = {u(60), remote_top - v(14), W - u(42) - u(60), box_h};
    r.drop_height = 11 * by;

    const int bw = (u(80) + file_w) / 11;
    auto place_row = [&](int first, int arrow, int lists_bottom) {
        const int y = lists_bottom + 4;
        for (int i = 0; i < ctl::column_size; ++i) {
            const int slot = i < 4 ? i : i + 1;
            c[static_cast<std::size_t>(first + i)] = {slot * bw + u(7), y, bw, v(10)};
        }
        c[static_cast<std::size_t>(arrow)] = {4 * bw + u(7), y, bw, v(10)};
    };
    place_row(ctl::local_column, ctl::to_remote, local_top + local_h);
    place_row(ctl::remote_column, ctl::to_local, remote_top + remote_h);

    c[ctl::ascii] = {W - u(40), H + 0 * by + T - v(31), u(33), by};
    c[ctl::binary] = {W - u(40), H + 1 * by + T - v(31), u(33), by};
    // The automatic-mode box has no room here; it sits just below the visible client area.
    c[ctl::automatic] = {W - u(40), H + T + 10, u(33), by};
    c[ctl::status_local] = {W - u(40), c[ctl::local_path].y, u(38), by};
    c[ctl::status_remote] = {W - u(40), c[ctl::remote_path].y, u(38), by};
    r.local_caption = {u(7), local_top - v(10)};
    r.remote_caption = {u(7), remote_top - v(10)};
    r.transfer_captions = true;
}

}  // namespace

LayoutResult compute_layout(const LayoutInput& in) {
    LayoutResult r;
    int W = in.width, H = in.height, S = in.split_x, Y = in.split_y;
    int bx = std::max(in.bx, 1), by = std::max(in.by, 1);
    // A window narrower than the pane split would leave no local pane; the split goes back to
    // its default rather than collapsing to one pixel.
    if (W < S) S = 0;
    W = std::max(W, 200);
    H = std::max(H, 100);
    // The design is 240 x 200 dialog units; below that the units shrink with the window.
    if (W < 60 * bx) bx = std::max(4 * W / 240, 1);
    if (H < 25 * by) by = std::max(8 * H / 200, 1);
    r.bx = bx;
    r.by = by;
    const int T = in.bontop ? du_y(12, by) : 0;
    r.top = T;
    const int D = du_y(83, by) + T;
    r.default_split_y = D;
    if (S < 1) S = 33 * bx;
    if (Y < 1) Y = D;
    r.min_split_y = du_y(31, by) + T;
    r.max_split_y = H + T - du_y(46, by);
    Y = std::max(Y, r.min_split_y);
    Y = std::min(Y, r.max_split_y);
    r.split_x = S;
    r.split_y = Y;
    const bool stacked = in.layout == 1;
    r.splitters = !stacked;
    if (stacked) {
        place_stacked(r, W, H);
    } else {
        place_side_by_side(r, W, H);
    }
    place_common(r, W, H, stacked, in.bontop);
    return r;
}

SplitRange pane_split_range(const LayoutResult& layout, int width) {
    const int bx = layout.bx;
    // The local lists are S - 13 bx - 7 u wide, the remote ones about W - 33 u - S - 2 bx:
    // each keeps at least 16 dialog units.
    const int low = 13 * bx + du_x(7, bx) + du_x(16, bx);
    const int high = std::max(low, std::max(width, 200) - du_x(33, bx) - 2 * bx - du_x(16, bx));
    return {low, high};
}

SplitterHit splitter_at(const LayoutResult& layout, int x, int y) {
    if (!layout.splitters) return SplitterHit::None;
    if (x > layout.split_x - 5 && x < layout.split_x + 2) return SplitterHit::Pane;
    if (y > layout.split_y - 5 && y < layout.split_y + 5) return SplitterHit::List;
    return SplitterHit::None;
}

bool apply_resize(ResizeState& state, int width, int height, int& split_x, int& split_y) {
    if (width == state.last_width && height == state.last_height) return false;
    if (state.connect_handled) {
        const bool at_startup = width == state.startup_width && height == state.startup_height;
        if (height != state.last_height && !(at_startup && split_y == state.startup_split_y)) {
            split_y = 0;
        }
        if (width != state.last_width && !(at_startup && split_x == state.startup_split_x)) {
            split_x = 0;
        }
    }
    state.last_width = width;
    state.last_height = height;
    return true;
}

int next_tab_stop(int current, bool forward, const std::function<bool(int)>& usable) {
    const int step = forward ? 1 : -1;
    int i = current;
    if (i < 0 || i >= control_count) i = forward ? -1 : control_count;
    for (int n = 0; n < control_count; ++n) {
        i = (i + step + control_count) % control_count;
        if (i == current) break;
        if (ControlTable[static_cast<std::size_t>(i)].tab_stop && usable(i)) return i;
    }
    return current;
}

}  // namespace varnix::ui
