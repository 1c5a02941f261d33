// The main window's layout formulas: design size, small clients, the command row on top, the
// stacked layout, the splitters' limits and the Tab order.
#include <gtest/gtest.h>

#include "ui/layout.h"

namespace varnix::ui {
namespace {

// Base units of a typical desktop font: 7 x 16 pixels.
LayoutInput input(int w, int h, int layout = 0, bool bontop = false, int s = 0, int y = 0) {
    LayoutInput in;
    in.width = w;
    in.height = h;
    in.bx = 7;
    in.by = 16;
    in.split_x = s;
    in.split_y = y;
    in.layout = layout;
    in.bontop = bontop;
    return in;
}

const Rect& at(const LayoutResult& r, int index) { return r.controls[static_cast<std::size_t>(index)]; }

TEST(ControlTableTest, FortyThreeControlsWithTheirIdsInTableOrder) {
    ASSERT_EQ(ControlTable.size(), 43u);
    EXPECT_EQ(ControlTable[0].id, 960);
    EXPECT_EQ(ControlTable[ctl::remote_files].id, 931);
    EXPECT_EQ(ControlTable[ctl::local_column + ctl::mask].id, 926);
    EXPECT_EQ(ControlTable[ctl::local_column + ctl::mask].text, "*.*");
    EXPECT_EQ(ControlTable[ctl::remote_column + ctl::mask].text, "");
    EXPECT_EQ(ControlTable[ctl::remote_column + ctl::exec].id, 9046);
    EXPECT_EQ(ControlTable[ctl::local_column + ctl::view].help, 230);
    EXPECT_EQ(ControlTable[ctl::exit].text, "E&xit");
    EXPECT_EQ(control_index(9000), ctl::connect);
    EXPECT_EQ(control_index(-1), -1);
    EXPECT_EQ(control_index(12345), -1);
    // Every id is unique, and so is every object name.
    for (int i = 0; i < control_count; ++i) {
        for (int j = i + 1; j < control_count; ++j) {
            EXPECT_NE(ControlTable[static_cast<std::size_t>(i)].name, ControlTable[static_cast<std::size_t>(j)].name);
            if (ControlTable[static_cast<std::size_t>(i)].id != -1) {
                EXPECT_NE(ControlTable[static_cast<std::size_t>(i)].id, ControlTable[static_cast<std::size_t>(j)].id);
            }
        }
    }
}

TEST(LayoutTest, SideBySideAtTheDesignSizeMatchesTheNominalTable) {
    // 240 x 200 dialog units = 420 x 400 pixels; the pane split at 132 units.
    const LayoutResult r = compute_layout(input(420, 400));
    EXPECT_EQ(r.split_x, 231);
    EXPECT_EQ(r.split_y, 166);  // 83 v
    EXPECT_EQ(at(r, ctl::local_dirs), (Rect{12, 62, 128, 100}));
    EXPECT_EQ(at(r, ctl::local_files), (Rect{12, 166, 128, 142}));
    EXPECT_EQ(at(r, ctl::remote_dirs).x, 238);
    EXPECT_EQ(at(r, ctl::remote_dirs).w, 420 - 57 - 238 - 7);
    // Button column: ChgDir at the directory list top; at this size the lower seven buttons
    // are pushed up from the default split to end at the lists' bottom.
    const int h = std::min((100 + 142) / 10, 28);
    EXPECT_EQ(at(r, ctl::local_column + ctl::chgdir), (Rect{231 - 84, 62, 47, h}));
    EXPECT_EQ(at(r, ctl::local_column + ctl::rmdir).y, 62 + 2 * h);
    EXPECT_EQ(at(r, ctl::local_column + ctl::mask).y, 308 - 7 * h);
    EXPECT_EQ(at(r, ctl::local_column + ctl::dirinfo).bottom(), 308);
    EXPECT_EQ(at(r, ctl::remote_column + ctl::view).y, at(r, ctl::local_column + ctl::view).y);
    EXPECT_EQ(at(r, ctl::remote_column).x, 420 - 57);
    // Arrows on the View and Rename rows.
    EXPECT_EQ(at(r, ctl::to_local).y, at(r, ctl::local_column + ctl::view).y);
    EXPECT_EQ(at(r, ctl::to_remote).y, at(r, ctl::local_column + ctl::rename).y);
    EXPECT_EQ(at(r, ctl::to_local).x, 231 - 28);
    // Mode buttons, message lines, scroll bar, command row.
    EXPECT_EQ(at(r, ctl::ascii), (Rect{210 - 131, 400 - 84, 68, 20}));
    EXPECT_EQ(at(r, ctl::message_upper), (Rect{17, 340, 420 - 47, 16}));
    EXPECT_EQ(at(r, ctl::message_lower).y, 356);
    EXPECT_EQ(at(r, ctl::message_scroll), (Rect{420 - 28, 340, 17, 32}));
    EXPECT_EQ(at(r, ctl::connect), (Rect{0, 378, 60, 20}));
    EXPECT_EQ(at(r, ctl::exit).x, 6 * 60);
    EXPECT_EQ(r.message_frame, (Rect{12, 338, 420 - 28 + 17 + 5 - 12, 32 + 4}));
    EXPECT_TRUE(r.splitters);
    EXPECT_FALSE(r.transfer_captions);
}

TEST(LayoutTest, ButtonsBelowTheDefaultSplitMoveUpToStayAboveTheListsBottom) {
    // A low window: the column's lower buttons are pushed up from the default split.
    const LayoutResult r = compute_layout(input(700, 420));
    const int bottom = at(r, ctl::local_files).bottom();
    EXPECT_LE(at(r, ctl::local_column + ctl::dirinfo).bottom(), bottom);
    for (int i = 1; i < ctl::column_size; ++i) {
        EXPECT_GE(at(r, ctl::local_column + i).y, at(r, ctl::local_column + i - 1).y);
    }
    // A tall one: they stay at the default split.
    const LayoutResult tall = compute_layout(input(700, 1000));
    EXPECT_EQ(at(tall, ctl::local_column + ctl::mask).y, tall.default_split_y);
}

TEST(LayoutTest, ClientsBelow200By100AreLaidOutAs200By100WithSmallerUnits) {
    const LayoutResult tiny = compute_layout(input(50, 30));
    const LayoutResult floor = compute_layout(input(200, 100));
    EXPECT_EQ(tiny.controls, floor.controls);
    EXPECT_EQ(floor.bx, 4 * 200 / 240);  // 3
    EXPECT_EQ(floor.by, 8 * 100 / 200);  // 4
    // Seven command buttons of 200 / 7 pixels, the remainder split on both sides.
    EXPECT_EQ(at(floor, ctl::exit), (Rect{6 * 28 + 2, 100 - 5, 28, 5}));
    // Only the dimension below the design shrinks.
    const LayoutResult narrow = compute_layout(input(300, 800));
    EXPECT_EQ(narrow.bx, 5);
    EXPECT_EQ(narrow.by, 16);
}

TEST(LayoutTest, CommandRowOnTopMovesEverythingElseDownTwelveUnits) {
    const LayoutResult plain = compute_layout(input(800, 600));
    const LayoutResult top = compute_layout(input(800, 600, 0, true));
    EXPECT_EQ(top.top, 24);
    EXPECT_EQ(at(top, ctl::connect).y, 1);
    EXPECT_EQ(at(plain, ctl::connect).y, 600 - 22);
    for (int i : {ctl::local_path, ctl::local_dirs, ctl::ascii, ctl::message_upper, ctl::message_scroll,
                  ctl::status_remote}) {
        EXPECT_EQ(at(top, i).y, at(plain, i).y + 24) << i;
    }
    // The message area ends where the command row used to start.
    EXPECT_LE(at(top, ctl::message_scroll).bottom(), 600);
}

TEST(LayoutTest, StackedLayoutPutsTheRemotePaneBelowTheLocalOne) {
    const LayoutResult r = compute_layout(input(800, 600, 1));
    EXPECT_FALSE(r.splitters);
    EXPECT_TRUE(r.transfer_captions);
    EXPECT_EQ(at(r, ctl::local_dirs), (Rect{12, 32, 140, 112}));
    EXPECT_EQ(at(r, ctl::local_files), (Rect{159, 32, 800 - 168, 112}));
    EXPECT_EQ(at(r, ctl::remote_dirs), (Rect{12, 198, 140, 600 - 288}));
    EXPECT_EQ(at(r, ctl::local_path).y, 32 - 28);
    EXPECT_EQ(at(r, ctl::remote_path).y, 198 - 28);
    // One row of ten buttons under each pane, the arrow in the fifth slot.
    const int bw = (140 + 800 - 168) / 11;
    EXPECT_EQ(at(r, ctl::local_column + ctl::mask).x, 3 * bw + 12);
    EXPECT_EQ(at(r, ctl::to_remote).x, 4 * bw + 12);
    EXPECT_EQ(at(r, ctl::local_column + ctl::view).x, 5 * bw + 12);
    EXPECT_EQ(at(r, ctl::local_column).y, 32 + 112 + 4);
    EXPECT_EQ(at(r, ctl::to_local).y, 198 + 600 - 288 + 4);
    // The Auto box sits below the visible client area.
    EXPECT_GE(at(r, ctl::automatic).y, 600);
    EXPECT_EQ(at(r, ctl::message_upper).w, 800 - 117);
    EXPECT_EQ(at(r, ctl::message_scroll).x, 800 - 98);
    // Nothing visible overlaps the remote pane's button row or the message lines.
    EXPECT_LE(at(r, ctl::remote_column).bottom(), at(r, ctl::message_upper).y);
}

TEST(LayoutTest, PaneSplitDefaultsAndResetsWhenTheWindowIsNarrowerThanIt) {
    EXPECT_EQ(compute_layout(input(800, 600, 0, false, 0)).split_x, 33 * 7);
    EXPECT_EQ(compute_layout(input(800, 600, 0, false, 400)).split_x, 400);
    // Narrower than the split: back to the default instead of a collapsed local pane.
    EXPECT_EQ(compute_layout(input(300, 600, 0, false, 400)).split_x, 33 * 5);
}

TEST(LayoutTest, ListSplitStaysBetweenItsLimits) {
    const LayoutResult high = compute_layout(input(800, 600, 0, false, 0, 5));
    EXPECT_EQ(high.split_y, 62);  // 31 v
    const LayoutResult low = compute_layout(input(800, 600, 0, false, 0, 5000));
    EXPECT_EQ(low.split_y, 600 - 92);  // H - 46 v
    EXPECT_EQ(at(low, ctl::local_files).h, 0);
    const LayoutResult top = compute_layout(input(800, 600, 0, true, 0, 5));
    EXPECT_EQ(top.split_y, 62 + 24);
    EXPECT_EQ(top.max_split_y, 600 + 24 - 92);
}

TEST(LayoutTest, SplitterZonesOnlyInTheSideBySideLayout) {
    const LayoutResult r = compute_layout(input(800, 600, 0, false, 400, 200));
    EXPECT_EQ(splitter_at(r, 396, 10), SplitterHit::Pane);
    EXPECT_EQ(splitter_at(r, 401, 10), SplitterHit::Pane);
    EXPECT_EQ(splitter_at(r, 395, 10), SplitterHit::None);
    EXPECT_EQ(splitter_at(r, 402, 10), SplitterHit::None);
    EXPECT_EQ(splitter_at(r, 100, 196), SplitterHit::List);
    EXPECT_EQ(splitter_at(r, 100, 204), SplitterHit::List);
    EXPECT_EQ(splitter_at(r, 100, 205), SplitterHit::None);
    const LayoutResult stacked = compute_layout(input(800, 600, 1, false, 400, 200));
    EXPECT_EQ(splitter_at(stacked, 400, 200), SplitterHit::None);
    // Dragging keeps a usable list on both sides.
    const SplitRange range = pane_split_range(r, 800);
    EXPECT_GT(range.low, 13 * 7 + 12);
    EXPECT_LT(range.high, 800 - 57 - 14);
    const LayoutResult left = compute_layout(input(800, 600, 0, false, range.low));
    const LayoutResult right = compute_layout(input(800, 600, 0, false, range.high));
    EXPECT_GT(at(left, ctl::local_files).w, 0);
    EXPECT_GT(at(right, ctl::remote_files).w, 0);
}

TEST(LayoutTest, ResizeResetsTheSplitsOnlyAfterTheFirstConnect) {
    ResizeState state{800, 600, 800, 600, 400, 200, false};
    int s = 400, y = 200;
    EXPECT_FALSE(apply_resize(state, 800, 600, s, y));
    EXPECT_TRUE(apply_resize(state, 900, 650, s, y));
    EXPECT_EQ(s, 400);
    EXPECT_EQ(y, 200);
    state.connect_handled = true;
    EXPECT_TRUE(apply_resize(state, 900, 700, s, y));  // height only
    EXPECT_EQ(s, 400);
    EXPECT_EQ(y, 0);
    y = 200;
    // Back at the start-up size with the start-up splits: nothing resets.
    EXPECT_TRUE(apply_resize(state, 800, 600, s, y));
    EXPECT_EQ(s, 400);
    EXPECT_EQ(y, 200);
    EXPECT_TRUE(apply_resize(state, 1000, 600, s, y));  // width only
    EXPECT_EQ(s, 0);
    EXPECT_EQ(y, 200);
}

TEST(TabOrderTest, WalksTheTabStopsInTableOrderAndWraps) {
    auto all = [](int) { return true; };
    EXPECT_EQ(next_tab_stop(-1, true, all), ctl::local_dirs);
    EXPECT_EQ(next_tab_stop(ctl::local_dirs, true, all), ctl::local_files);
    EXPECT_EQ(next_tab_stop(ctl::remote_files, true, all), ctl::to_remote);
    // The mode buttons are no Tab stops.
    EXPECT_EQ(next_tab_stop(ctl::remote_column + ctl::dirinfo, true, all), ctl::connect);
    EXPECT_EQ(next_tab_stop(ctl::exit, true, all), ctl::local_dirs);
    EXPECT_EQ(next_tab_stop(ctl::local_dirs, false, all), ctl::exit);
    // Hidden or disabled controls are skipped.
    auto no_lists = [](int i) { return i != ctl::local_dirs && i != ctl::local_files; };
    EXPECT_EQ(next_tab_stop(ctl::exit, true, no_lists), ctl::remote_dirs);
    // With no other usable control the focus stays.
    auto only_exit = [](int i) { return i == ctl::exit; };
    EXPECT_EQ(next_tab_stop(ctl::exit, true, only_exit), ctl::exit);
    EXPECT_EQ(next_tab_stop(ctl::exit, false, only_exit), ctl::exit);
}

}  // namespace
}  // namespace varnix::ui
