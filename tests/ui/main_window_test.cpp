// The main window under the offscreen platform: its controls found by id, placed by the layout
// formulas, Tab order, the hooks for popups, help and the log window, the mask edits, the
// message lines and their scroll bar, the splitter drag and the pane lists.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "listing/local_listing.h"
#include "platform/headless.h"
#include "support/temp_dir.h"
#include "ui/main_window.h"
#include "ui/main_window_lists.h"
#include "ui/message_area.h"
#include "ui/qt_environment.h"
#include "ui/qt_services.h"

namespace varnix::test {
namespace {

using ui::ctl::local_dirs;
namespace ctl = ui::ctl;

const auto* const qt_environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        std::ofstream(folder.path() / "alpha.txt") << "a";
        std::ofstream(folder.path() / "beta.bin") << "bb";
        std::filesystem::create_directory(folder.path() / "sub");
        EXPECT_TRUE(set_local_dir(ctx, folder.path().string()));
        ctx.set_services(Services{nullptr, &prompter, &boxes, &timers, &sound});
    }
    ~MainWindowTest() override { window.reset(); }
    ui::MainWindow& open(int w = 800, int h = 600) {
        window = std::make_unique<ui::MainWindow>(ctx, 0, 0);
        ctx.set_services(Services{&window->message_area(), &prompter, &boxes, &timers, &sound});
        window->resize(w, h);
        window->show();
        window->list_local_pane();
        QApplication::processEvents();
        return *window;
    }
    QWidget* by_id(const char* id) { return window->findChild<QWidget*>(id); }

    TempDir folder;
    BatchContext ctx;
    ScriptedPrompter prompter;
    HeadlessMessageBoxes boxes;
    ui::QtTimers timers;
    RecordingSound sound;
    std::unique_ptr<ui::MainWindow> window;
};

TEST_F(MainWindowTest, EveryControlIsThereByIdAtItsComputedPlace) {
    ui::MainWindow& w = open(800, 600);
    for (int i = 0; i < ui::control_count; ++i) {
        const auto& def = ui::ControlTable[static_cast<std::size_t>(i)];
        QWidget* c = w.findChild<QWidget*>(QString::fromLatin1(def.name.data(), def.name.size()));
        ASSERT_NE(c, nullptr) << def.name;
        EXPECT_EQ(c, w.control(i));
        EXPECT_FALSE(c->accessibleName().isEmpty()) << def.name;
    }
    EXPECT_EQ(static_cast<QPushButton*>(by_id("9000"))->text(), "&Connect");
    EXPECT_EQ(static_cast<QLineEdit*>(by_id("926"))->text(), "*.*");
    // Positions follow the formulas with the window's own base units.
    ui::LayoutInput in{800, 600, w.units().bx, w.units().by, 0, 0, 0, false};
    in.split_x = w.split_x();
    const ui::LayoutResult expected = ui::compute_layout(in);
    for (int i : {ctl::local_dirs, ctl::remote_files, ctl::connect, ctl::exit, ctl::ascii, ctl::message_lower}) {
        const ui::Rect& r = expected.controls[static_cast<std::size_t>(i)];
        EXPECT_EQ(w.control(i)->geometry(), QRect(r.x, r.y, r.w, r.h)) << i;
    }
    // No visible control reaches past the client area at this size.
    for (int i = 0; i < ui::control_count; ++i) {
        if (i == ctl::automatic) continue;
        EXPECT_TRUE(w.rect().contains(w.control(i)->geometry())) << i;
    }
}

TEST_F(MainWindowTest, LocalPaneListsTheStartFolderAtOnce) {
    ui::MainWindow& w = open();
    ui::PaneList* files = w.list(ctl::local_files);
    ui::PaneList* dirs = w.list(ctl::local_dirs);
    ASSERT_EQ(files->count(), 2);
    EXPECT_NE(files->item_text(0)->find("alpha.txt"), std::string::npos);
    bool has_sub = false;
    for (int i = 0; i < dirs->count(); ++i) has_sub |= dirs->item_text(i)->find("sub") != std::string::npos;
    EXPECT_TRUE(has_sub);
    // Enter in the local mask lists with the new mask; an empty mask lists everything.
    QLineEdit* mask = w.mask_edit(false);
    mask->setFocus();
    mask->setText("*.bin");
    QTest::keyClick(mask, Qt::Key_Return);
    EXPECT_EQ(ctx.local_mask, "*.bin");
    ASSERT_EQ(files->count(), 1);
    EXPECT_NE(files->item_text(0)->find("beta.bin"), std::string::npos);
    mask->setText("");
    QTest::keyClick(mask, Qt::Key_Return);
    EXPECT_EQ(ctx.local_mask, "*.*");
    EXPECT_EQ(files->count(), 2);
    // Losing the focus re-reads the remote mask without listing.
    QLineEdit* remote_mask = w.mask_edit(true);
    remote_mask->setFocus();
    remote_mask->setText("*.zip");
    w.control(ctl::connect)->setFocus();
    EXPECT_EQ(ctx.remote.remote_mask, "*.zip");
}

TEST_F(MainWindowTest, TabWalksTheTableOrderSkippingDisabledControlsAndWraps) {
    ui::MainWindow& w = open();
    QApplication::setActiveWindow(&w);
    w.control(ctl::exit)->setFocus();
    QTest::keyClick(w.control(ctl::exit), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w.control(ctl::local_dirs));
    QTest::keyClick(w.control(ctl::local_dirs), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), w.control(ctl::exit));
    w.control(ctl::local_dirs)->setEnabled(false);
    QTest::keyClick(w.control(ctl::exit), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w.control(ctl::local_files));
}

TEST_F(MainWindowTest, RightButtonHelpKeysAndMessageDoubleClickReachTheirHooks) {
    ui::MainWindow& w = open();
    int popup_index = -2;
    std::vector<int> help;
    int logs = 0;
    w.on_popup = [&](int index, QPoint) { popup_index = index; };
    w.on_help = [&](int context) { help.push_back(context); };
    w.on_show_log = [&] { ++logs; };
    QWidget* files = w.list(ctl::remote_files)->viewport();
    QTest::mouseRelease(files, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(popup_index, ctl::remote_files);
    QTest::mouseRelease(&w, Qt::RightButton, {}, QPoint(2, 2));
    EXPECT_EQ(popup_index, -1);

    QApplication::setActiveWindow(&w);
    w.control(ctl::local_column + ctl::view)->setEnabled(true);
    w.control(ctl::connect)->setFocus();
    QTest::keyClick(w.control(ctl::connect), Qt::Key_F1);
    QTest::keyClick(w.control(ctl::connect), Qt::Key_F1, Qt::ControlModifier);
    QTest::keyClick(w.control(ctl::connect), Qt::Key_F2);
    EXPECT_EQ(help, (std::vector<int>{0, 30, 140}));

    const ui::Rect frame = w.current_layout().message_frame;
    QTest::mouseDClick(&w, Qt::LeftButton, {}, QPoint(frame.x + 2, frame.y + 1));
    EXPECT_EQ(logs, 1);
    QTest::mouseDClick(&w, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(logs, 1);
}

TEST_F(MainWindowTest, MessageLinesShowTheNewestPairAndTheScrollBarMovesThroughTheHistory) {
    ui::MainWindow& w = open();
    for (int i = 1; i <= 5; ++i) ctx.messages.print_message("line %d", i);
    auto* upper = static_cast<QLabel*>(w.control(ctl::message_upper));
    auto* lower = static_cast<QLabel*>(w.control(ctl::message_lower));
    EXPECT_EQ(upper->text(), "line 4");
    EXPECT_EQ(lower->text(), "line 5");
    auto* bar = static_cast<QScrollBar*>(w.control(ctl::message_scroll));
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(upper->text(), "line 3");
    EXPECT_EQ(lower->text(), "line 4");
    for (int i = 0; i < 10; ++i) bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(upper->text(), "line 1");
    EXPECT_EQ(lower->text(), "line 2");
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(lower->text(), "line 3");
    // A new line always shows the newest pair.
    ctx.messages.print_message("line 6");
    EXPECT_EQ(upper->text(), "line 5");
    EXPECT_EQ(lower->text(), "line 6");
    QApplication::processEvents();
    EXPECT_EQ(bar->value(), ctx.messages.view_index());
    EXPECT_EQ(bar->maximum(), ctx.messages.newest_index());
}

TEST_F(MainWindowTest, CommandRowOnTopAndTheStackedLayoutRelayOut) {
    ui::MainWindow& w = open(800, 600);
    const int plain_dirs_y = w.control(ctl::local_dirs)->y();
    ctx.settings.buttons_on_top = 1;
    w.apply_layout_settings();
    EXPECT_EQ(w.control(ctl::connect)->y(), 1);
    EXPECT_EQ(w.control(ctl::local_dirs)->y(), plain_dirs_y + ui::du_y(12, w.units().by));
    ctx.settings.buttons_on_top = 0;
    ctx.settings.alternate_layout = 1;
    w.apply_layout_settings();
    EXPECT_EQ(static_cast<QPushButton*>(w.control(ctl::to_remote))->text(), "Transfer");
    EXPECT_GT(w.control(ctl::remote_files)->y(), w.control(ctl::local_files)->y());
    EXPECT_EQ(w.control(ctl::local_files)->y(), w.control(ctl::local_dirs)->y());
}

TEST_F(MainWindowTest, DraggingTheListSplitterMovesItWithinItsLimits) {
    ui::MainWindow& w = open(800, 600);
    const int y = w.split_y();
    const int x = w.control(ctl::local_dirs)->x() + 20;
    auto send = [&](QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
        QMouseEvent event(type, pos, w.mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&w, &event);
    };
    send(QEvent::MouseButtonPress, QPoint(x, y + 2), Qt::LeftButton);
    EXPECT_TRUE(w.dragging());
    send(QEvent::MouseMove, QPoint(x, y + 50), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPoint(x, y + 50), Qt::NoButton);
    EXPECT_FALSE(w.dragging());
    EXPECT_EQ(w.split_y(), y + 50);
    EXPECT_EQ(w.control(ctl::local_files)->y(), y + 50);
    // Dragged far below: it stops at its lower limit.
    send(QEvent::MouseButtonPress, QPoint(x, y + 50), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPoint(x, 590), Qt::NoButton);
    EXPECT_EQ(w.split_y(), w.current_layout().max_split_y);
    // The pane splitter.
    const int s = w.split_x();
    send(QEvent::MouseButtonPress, QPoint(s - 2, 10), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPoint(s + 100, 10), Qt::NoButton);
    EXPECT_EQ(w.split_x(), s + 100);
    EXPECT_EQ(w.control(ctl::remote_dirs)->x(), s + 100 + w.units().bx);
}

TEST_F(MainWindowTest, CommandsReachTheHandlerFirstAndPostedOnesArriveLater) {
    ui::MainWindow& w = open();
    std::vector<int> seen;
    w.set_command_handler([&](const ui::Command& c) {
        if (c.notify == ui::Notify::FocusIn || c.notify == ui::Notify::FocusOut) return false;
        seen.push_back(c.id);
        return c.id == 9042;  // keep the window open
    });
    QTest::mouseClick(w.control(ctl::exit), Qt::LeftButton);
    EXPECT_TRUE(w.isVisible());
    w.post_command(8100);
    EXPECT_EQ(seen, (std::vector<int>{9042}));
    QApplication::processEvents();
    EXPECT_EQ(seen, (std::vector<int>{9042, 8100}));
    // The mode buttons follow the mode.
    ctx.options.mode = 'A';
    w.dispatch({8100, ui::Notify::Posted, {}});
    EXPECT_TRUE(static_cast<QAbstractButton*>(w.control(ctl::ascii))->isChecked());
    QTest::mouseClick(w.control(ctl::binary), Qt::LeftButton);
    EXPECT_EQ(ctx.options.mode, 'I');
}

TEST_F(MainWindowTest, ButtonStatesFollowTheConnectionAndTheSelection) {
    ui::MainWindow& w = open();
    w.update_buttons();
    EXPECT_FALSE(w.control(ctl::to_local)->isEnabled());
    EXPECT_FALSE(w.control(ctl::local_column + ctl::view)->isEnabled());
    w.list(ctl::local_files)->set_selected(0, true);
    QApplication::processEvents();
    EXPECT_TRUE(w.control(ctl::local_column + ctl::view)->isEnabled());
    w.list(ctl::local_files)->set_selected(1, true);
    EXPECT_FALSE(w.control(ctl::local_column + ctl::view)->isEnabled());
    EXPECT_TRUE(w.control(ctl::local_column + ctl::del)->isEnabled());
    ctx.connected = true;
    w.update_buttons();
    EXPECT_TRUE(w.control(ctl::to_local)->isEnabled());
    EXPECT_FALSE(w.control(ctl::remote_column + ctl::mkdir)->isEnabled());
    ctx.connected = false;
}

TEST(PaneListTest, HundredThousandEntriesInOneStepWithSelectionAndData) {
    ui::PaneList list(false, true);
    std::vector<ListItem> items;
    items.reserve(100000);
    for (int i = 0; i < 100000; ++i) items.push_back({"file" + std::to_string(i) + ".txt\t| 20260101 10:00 1", i});
    list.append_items(items);
    EXPECT_EQ(list.count(), 100000);
    EXPECT_EQ(*list.item_text(99999), items.back().text);
    EXPECT_EQ(*list.item_data(4242), 4242);
    EXPECT_FALSE(list.item_text(100000).has_value());
    EXPECT_EQ(list.insert_item(100001, "x"), -1);
    EXPECT_TRUE(list.set_selected(7, true));
    EXPECT_TRUE(list.set_selected(99998, true));
    EXPECT_EQ(list.selected_indices(), (std::vector<int>{7, 99998}));
    EXPECT_TRUE(list.set_selected(-1, false));
    EXPECT_TRUE(list.selected_indices().empty());
    list.clear();
    EXPECT_EQ(list.count(), 0);
}

TEST(PaneListTest, SortedListsInsertInListOrderAndKeepBytes) {
    ui::PaneList list(true, false);
    EXPECT_EQ(list.add_item("beta"), 0);
    EXPECT_EQ(list.add_item("Alpha"), 0);
    EXPECT_EQ(list.add_item("gamma"), 2);
    EXPECT_EQ(list.add_item("beta"), 2);  // after its equal
    const std::string latin1 = "caf\xe9";
    list.add_item(latin1);
    EXPECT_EQ(*list.item_text(list.count() - 1), "gamma");
    EXPECT_EQ(*list.item_text(3), latin1);
    // Shown decoded, kept as bytes.
    EXPECT_EQ(list.model()->index(3, 0).data().toString(), QString::fromUtf8("caf\u00e9"));
    // Tabs widen the measured text to the tab stop.
    list.set_dialog_char_width(6);
    EXPECT_GE(list.text_width("a\t| b"), 48);
}

// A remote list follows the session's CHARSET as it is when drawn; the bytes never change.
TEST(PaneListTest, NamesShowInTheProfilesCharacterSet) {
    ui::PaneList list(false, true);
    std::string charset;
    list.set_name_charset(&charset);
    const std::string cp1251 = "\xEF\xF0\xE8\xE2\xE5\xF2.txt";  // "privet" in Cyrillic, windows-1251
    const std::string utf8 = "gr\xC3\xBC\xC3\x9F" "e";
    list.add_item(cp1251);
    list.add_item(utf8);
    const auto shown = [&](int row) { return list.model()->index(row, 0).data().toString(); };
    // Automatic: UTF-8 where valid, else Latin-1.
    EXPECT_EQ(shown(0), QString::fromLatin1(cp1251.data(), static_cast<qsizetype>(cp1251.size())));
    EXPECT_EQ(shown(1), QString::fromUtf8("gr\u00fc\u00dfe"));
    charset = "windows-1251";
    EXPECT_EQ(shown(0), QString::fromUtf8("\u043f\u0440\u0438\u0432\u0435\u0442.txt"));
    charset = "ISO-8859-1";
    EXPECT_EQ(shown(1), QString::fromLatin1("gr\xC3\xBC\xC3\x9F" "e"));
    charset = "x-no-such-set";  // unknown: automatic again
    EXPECT_EQ(shown(1), QString::fromUtf8("gr\u00fc\u00dfe"));
    EXPECT_EQ(*list.item_text(0), cp1251);
    EXPECT_EQ(*list.item_text(1), utf8);
    EXPECT_TRUE(ui::name_charsets().contains("UTF-8"));
}

TEST(PathBoxTest, KeepsSortedBytesAndSelectsByText) {
    ui::PathBox box;
    box.add_item("/usr");
    box.add_item("/");
    box.add_item("/usr/share");
    EXPECT_EQ(*box.item_text(0), "/");
    EXPECT_EQ(box.find_exact("/usr/share"), 2);
    EXPECT_TRUE(box.select(2));
    EXPECT_EQ(box.edit_text(), "/usr/share");
    box.set_edit_text("/usr");
    EXPECT_EQ(box.selected_index(), 1);
    EXPECT_FALSE(box.select(5));
    box.clear();
    EXPECT_EQ(box.count(), 0);
}

TEST_F(MainWindowTest, CenterDialogPlacesOverTheWindowNeverNegative) {
    ui::MainWindow& w = open(800, 600);
    w.move(100, 100);
    QWidget dialog;
    dialog.resize(200, 100);
    ui::center_dialog(&dialog, &w, 10);
    const QPoint origin = w.mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(dialog.pos(), QPoint(origin.x() + 300, origin.y() + 250 + 10));
    QWidget huge;
    huge.resize(5000, 5000);
    ui::center_dialog(&huge, &w, 0);
    EXPECT_GE(huge.x(), 0);
    EXPECT_GE(huge.y(), 0);
}

}  // namespace
}  // namespace varnix::test
