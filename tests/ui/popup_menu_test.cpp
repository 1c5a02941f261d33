// The popup menus: what each kind of control offers, greyed items during a transfer, the
// menu emptied before each build, every item reaching the window's command dispatch, and the
// keyboard opening the menu at the focused control.
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

#include "ui/main_window.h"
#include "ui/main_window_lists.h"
#include "ui/popup_menu.h"
#include "ui/qt_environment.h"
#include "ui/window_fixture.h"

namespace varnix::test {
namespace {

namespace ctl = ui::ctl;

const auto* const qt_environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// A menu as text: "Text=id" per item, "-" for a separator, "Title>[...]" for a submenu, a
// leading "~" for a greyed item.
std::string describe(const QMenu& menu) {
    std::string out;
    for (const QAction* a : menu.actions()) {
        if (!out.empty()) out += ' ';
        if (a->isSeparator()) {
            out += '-';
            continue;
        }
        if (!a->isEnabled()) out += '~';
        out += a->text().toStdString();
        if (a->menu()) {
            out += ">[" + describe(*a->menu()) + "]";
        } else if (const int id = ui::popup_command(a)) {
            out += "=" + std::to_string(id);
        }
    }
    return out;
}

const std::string ftp_menu =
    "&FTP Commands>[CWD=1301 PWD=1309 HELP=1303 SYST=1304 SITE=1305 QUOTE=1310 - LIST=1306 "
    "NLST=1308 - RETR=1311 STOR=1314]";

std::string build(ui::PopupKind kind, std::size_t selected, bool busy = false) {
    QMenu menu;
    ui::build_popup_menu(menu, {kind, selected, busy});
    return describe(menu);
}

TEST(PopupMenu, EachKindOfControlGetsItsItems) {
    EXPECT_EQ(build(ui::PopupKind::LocalDirs, 0),
              "Change Directory=933 Make Directory=935 Delete Directory=937 - Refresh list=943 "
              "Directory list=949 - " + ftp_menu);
    EXPECT_EQ(build(ui::PopupKind::RemoteDirs, 3),
              "Change Directory=934 Make Directory=936 Delete Directory=938 - Refresh list=944 "
              "Directory list=950 - " + ftp_menu);
    // Nothing selected: only what needs no selection.
    EXPECT_EQ(build(ui::PopupKind::RemoteFiles, 0),
              "Transfer files=940 - Sort...=963 Refresh list=944 Directory list=950 - " + ftp_menu);
    // One file: view and execute too; several: neither.
    EXPECT_EQ(build(ui::PopupKind::LocalFiles, 1),
              "Transfer files=939 View file=941 Execute file=9045 Rename files=947 Move files=968 "
              "Delete files=945 - Sort...=962 Refresh list=943 Directory list=949 - " + ftp_menu);
    EXPECT_EQ(build(ui::PopupKind::RemoteFiles, 2),
              "Transfer files=940 Rename files=948 Move files=969 Delete files=946 chmod (UNIX)=1100 - "
              "Sort...=963 Refresh list=944 Directory list=950 - " + ftp_menu);
    EXPECT_EQ(build(ui::PopupKind::General, 0),
              "~FTP Menu - &Connection>[&Connect=1320 C&lose=1321 - E&xit=9042] &Associate...=1601 "
              "&Options...=9036 &Show log...=5557 &Help=9041 A&bout=1500 - " + ftp_menu);
}

TEST(PopupMenu, DuringATransferWhatTheWindowWouldRefuseIsGreyed) {
    const std::string remote = build(ui::PopupKind::RemoteFiles, 1, true);
    EXPECT_EQ(remote.substr(0, remote.find(" - ")),
              "~Transfer files=940 ~View file=942 ~Execute file=9046 ~Rename files=948 ~Move files=969 "
              "~Delete files=946 ~chmod (UNIX)=1100");
    EXPECT_NE(remote.find("Sort...=963 ~Refresh list=944 Directory list=950"), std::string::npos);
    EXPECT_NE(remote.find("~CWD=1301"), std::string::npos);
    // Local work goes on, except a folder change under the transfer's feet; closing (the
    // forced abort) and leaving stay possible.
    const std::string local = build(ui::PopupKind::LocalFiles, 1, true);
    EXPECT_NE(local.find(" View file=941 Execute file=9045 Rename files=947"), std::string::npos);
    EXPECT_NE(build(ui::PopupKind::LocalDirs, 0, true).find("~Change Directory=933 Make Directory=935"),
              std::string::npos);
    EXPECT_NE(build(ui::PopupKind::General, 0, true).find("[~&Connect=1320 C&lose=1321 - E&xit=9042]"),
              std::string::npos);
}

TEST(PopupMenu, KindFollowsTheControl) {
    EXPECT_EQ(ui::popup_kind(ctl::local_dirs), ui::PopupKind::LocalDirs);
    EXPECT_EQ(ui::popup_kind(ctl::remote_dirs), ui::PopupKind::RemoteDirs);
    EXPECT_EQ(ui::popup_kind(ctl::local_files), ui::PopupKind::LocalFiles);
    EXPECT_EQ(ui::popup_kind(ctl::remote_files), ui::PopupKind::RemoteFiles);
    for (int i : {-1, ctl::local_path, ctl::message_lower, ctl::to_remote, ctl::remote_column + ctl::mask,
                  ctl::exit}) {
        EXPECT_EQ(ui::popup_kind(i), ui::PopupKind::General) << i;
    }
}

class PopupWindowTest : public WindowOverFolder {
protected:
    PopupWindowTest() {
        popups = std::make_unique<ui::PopupMenus>(*window, [this] { return busy; });
        window->on_popup = [this](int index, QPoint at) {
            opened.push_back(index);
            popups->show(index, at);
        };
        QApplication::processEvents();
    }
    ~PopupWindowTest() override { popups.reset(); }

    std::unique_ptr<ui::PopupMenus> popups;
    std::vector<int> opened;
    bool busy = false;
};

// Every item of every menu, triggered, reaches the window's dispatch with its own id.
TEST_F(PopupWindowTest, EveryItemReachesItsCommand) {
    window->list(ctl::local_files)->set_selected(0, true);
    for (int control : {-1, ctl::local_dirs, ctl::local_files, ctl::remote_dirs, ctl::remote_files}) {
        popups->prepare(control);
        std::vector<QAction*> items;
        std::vector<QMenu*> menus{&popups->menu()};
        while (!menus.empty()) {
            QMenu* m = menus.back();
            menus.pop_back();
            for (QAction* a : m->actions()) {
                if (a->menu()) menus.push_back(a->menu());
                if (ui::popup_command(a) != 0) items.push_back(a);
            }
        }
        ASSERT_GT(items.size(), 10u) << control;
        for (QAction* a : items) {
            const int id = ui::popup_command(a);
            commands.clear();
            // The menu's own signal is what a click on an item emits.
            emit popups->menu().triggered(a);
            EXPECT_TRUE(commands.empty()) << "carried out only after the menu has closed";
            QApplication::processEvents();
            EXPECT_EQ(commands, std::vector<int>{id}) << control << " " << a->text().toStdString();
        }
    }
}

TEST_F(PopupWindowTest, RebuiltEachTimeWithTheCurrentSelection) {
    ui::PaneList* files = window->list(ctl::local_files);
    popups->prepare(ctl::local_files);
    const std::string first = describe(popups->menu());
    popups->prepare(ctl::local_files);
    EXPECT_EQ(describe(popups->menu()), first) << "each item once after a second build";
    EXPECT_EQ(popups->menu().findChildren<QMenu*>().size(), 1u) << "the old submenus went";
    files->set_selected(0, true);
    files->set_selected(1, true);
    popups->prepare(ctl::local_files);
    EXPECT_NE(describe(popups->menu()).find("Transfer files=939 Rename files=947"), std::string::npos);
    busy = true;
    popups->prepare(ctl::remote_files);
    EXPECT_NE(describe(popups->menu()).find("~Transfer files=940"), std::string::npos);
}

TEST_F(PopupWindowTest, RightButtonMenuKeyAndShiftF10OpenTheMenuOfTheControl) {
    ui::PaneList* files = window->list(ctl::local_files);
    QTest::mouseRelease(window->list(ctl::remote_dirs)->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    ASSERT_EQ(opened, std::vector<int>{ctl::remote_dirs});
    EXPECT_TRUE(popups->menu().isVisible());
    EXPECT_NE(describe(popups->menu()).find("Change Directory=934"), std::string::npos);
    popups->menu().hide();

    files->setFocus();
    files->setCurrentIndex(files->model()->index(1, 0));
    QTest::keyClick(files, Qt::Key_Menu);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened.back(), ctl::local_files);
    // Under the focused entry, centred on it.
    const QRect item = files->visualRect(files->currentIndex());
    const QPoint anchor = files->viewport()->mapToGlobal(QPoint(item.center().x(), item.bottom()));
    EXPECT_EQ(window->popup_anchor(ctl::local_files), anchor);
    EXPECT_EQ(popups->menu().pos().y(), anchor.y());
    EXPECT_NEAR(popups->menu().geometry().center().x(), anchor.x(), 2);
    popups->menu().hide();

    QWidget* connect = window->control(ctl::connect);
    connect->setFocus();
    QTest::keyClick(connect, Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened.back(), ctl::connect);
    EXPECT_NE(describe(popups->menu()).find("~FTP Menu"), std::string::npos);
    // F10 alone is no menu key.
    QTest::keyClick(connect, Qt::Key_F10);
    EXPECT_EQ(opened.size(), 3u);
    // F1 in the open menu: the manual's section on the menus, and the menu closes.
    std::vector<int> help;
    window->on_help = [&](int context) { help.push_back(context); };
    QTest::keyClick(&popups->menu(), Qt::Key_F1);
    EXPECT_EQ(help, std::vector<int>{160});
    EXPECT_FALSE(popups->menu().isVisible());
}

}  // namespace
}  // namespace varnix::test
