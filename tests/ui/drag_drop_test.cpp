// Drag and drop on the file lists: the drawn cursors, what a drag out of each list carries,
// which drops each list takes, internal drops starting the arrows' transfers, files dropped
// from elsewhere copied into the local folder or handed to the upload worker, and the
// refusals (not connected, busy, folders, files that are gone).
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "transfer/local_copy.h"
#include "ui/drag_drop.h"
#include "ui/file_bytes.h"
#include "ui/main_window.h"
#include "ui/main_window_lists.h"
#include "ui/qt_environment.h"
#include "ui/window_fixture.h"

namespace varnix::test {
namespace {

namespace ctl = ui::ctl;
namespace fs = std::filesystem;

const auto* const qt_environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string read_file(const std::string& path) { return slurp(path); }

TEST(DragCursors, ThreeDrawnCursorsThatDifferWithTheArrowTipAtTheHotSpot) {
    const QImage one = ui::drag_cursor(ui::DragCursor::One).toImage();
    const QImage several = ui::drag_cursor(ui::DragCursor::Several).toImage();
    const QImage no_drop = ui::drag_cursor(ui::DragCursor::NoDrop).toImage();
    for (const QImage* image : {&one, &several, &no_drop}) {
        ASSERT_EQ(image->size(), QSize(48, 48));
        // QCursor puts the hot spot of a pixmap cursor at its centre: the arrow's tip is there,
        // its black body below and to the right.
        EXPECT_GT(qAlpha(image->pixel(24, 25)), 100);
        EXPECT_GT(qAlpha(image->pixel(26, 30)), 200);
        EXPECT_LT(qGray(image->pixel(26, 30)), 60);
        EXPECT_EQ(qAlpha(image->pixel(2, 2)), 0) << "the rest of the square is see-through";
        // Nothing touches the edges: the pages and the sign fit whole.
        for (int i = 0; i < 48; ++i) {
            EXPECT_EQ(qAlpha(image->pixel(47, i)), 0) << i;
            EXPECT_EQ(qAlpha(image->pixel(i, 47)), 0) << i;
        }
    }
    EXPECT_NE(one, several);
    EXPECT_NE(one, no_drop);
    EXPECT_NE(several, no_drop);
    // Only the refusal is red.
    auto has_red = [](const QImage& image) {
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                if (qAlpha(c) > 200 && qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80) return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(has_red(no_drop));
    EXPECT_FALSE(has_red(one));
    // The same pixmap each time (the drag compares them to avoid flicker).
    EXPECT_EQ(ui::drag_cursor(ui::DragCursor::One).cacheKey(), ui::drag_cursor(ui::DragCursor::One).cacheKey());
}

class DragDropTest : public WindowOverFolder {
protected:
    DragDropTest() {
        for (const char* name : {"r1.bin", "r2.bin"}) window->list(ctl::remote_files)->add_item(name);
        ui::DropHooks hooks;
        hooks.transfer_running = [this] { return transfer_running; };
        hooks.upload_files = [this](std::vector<std::string> paths) {
            uploads.push_back(std::move(paths));
            return worker_free;
        };
        // The copy runs here, at once, where the window hands it to the worker.
        hooks.copy_files = [this](std::vector<std::string> paths) {
            if (!worker_free) return false;
            (void)copy_into_local_dir(ctx, PaneHooks{}, paths);
            return true;
        };
        hooks.upload_folders = [this](const std::vector<std::string>& folders) {
            folder_uploads.push_back(folders);
            return folders_went;
        };
        dnd = std::make_unique<ui::ListDragDrop>(*window, std::move(hooks));
        QApplication::processEvents();
    }
    ~DragDropTest() override { dnd.reset(); }
    ui::PaneList* list(int index) { return window->list(index); }
    QObject* source(int index) { return list(index); }
    std::string newest() { return ctx.messages.history().empty() ? "" : ctx.messages.history().back(); }
    bool said(const std::string& text) {
        for (const std::string& line : ctx.messages.history()) {
            if (line.find(text) != std::string::npos) return true;
        }
        return false;
    }
    // Delivers a drop from another program onto a list, as the platform does.
    bool drop_from_outside(int target, const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QWidget* viewport = list(target)->viewport();
        // A drop comes only after the list took the drag's entry.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
        QApplication::processEvents();
        return event.isAccepted();
    }

    TempDir desktop;
    std::unique_ptr<ui::ListDragDrop> dnd;
    std::vector<std::vector<std::string>> uploads;
    std::vector<std::vector<std::string>> folder_uploads;
    bool folders_went = true;
    bool transfer_running = false;
    bool worker_free = true;
};

TEST_F(DragDropTest, DragDataOfEachList) {
    EXPECT_EQ(dnd->drag_data(ctl::local_files), nullptr) << "nothing selected, nothing to drag";
    list(ctl::local_files)->set_selected(0, true);
    list(ctl::local_files)->set_selected(2, true);
    const auto local = dnd->drag_data(ctl::local_files);
    ASSERT_NE(local, nullptr);
    // Plain file URLs with absolute paths: what file managers and other programs take.
    ASSERT_EQ(local->urls().size(), 2);
    EXPECT_EQ(local->urls()[0], QUrl::fromLocalFile(QString::fromStdString((folder.path() / "a.txt").string())));
    EXPECT_EQ(local->urls()[1], QUrl::fromLocalFile(QString::fromStdString((folder.path() / "c.txt").string())));

    list(ctl::remote_files)->set_selected(1, true);
    const auto remote = dnd->drag_data(ctl::remote_files);
    ASSERT_NE(remote, nullptr);
    EXPECT_FALSE(remote->hasUrls()) << "remote names are no local files for other programs";
    EXPECT_EQ(remote->data(ui::remote_entries_format), QByteArray("r2.bin\n"));
}

TEST_F(DragDropTest, WhichListTakesWhat) {
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/tmp/x.txt")});
    QMimeData web;
    web.setUrls({QUrl("https://example.org/x.txt")});
    EXPECT_TRUE(dnd->accepts(ctl::remote_files, files, source(ctl::local_files)));
    EXPECT_TRUE(dnd->accepts(ctl::local_files, files, source(ctl::remote_files)));
    EXPECT_FALSE(dnd->accepts(ctl::local_files, files, source(ctl::local_files))) << "onto itself";
    EXPECT_FALSE(dnd->accepts(ctl::remote_files, files, source(ctl::remote_files)));
    EXPECT_FALSE(dnd->accepts(ctl::local_dirs, files, nullptr));
    EXPECT_TRUE(dnd->accepts(ctl::local_files, files, nullptr));
    EXPECT_TRUE(dnd->accepts(ctl::remote_files, files, nullptr));
    EXPECT_FALSE(dnd->accepts(ctl::remote_files, web, nullptr)) << "no local file in it";
}

TEST_F(DragDropTest, InternalDropsStartTheArrowsTransfersUnlessRefused) {
    QMimeData any;
    ASSERT_TRUE(dnd->drop(ctl::remote_files, any, source(ctl::local_files)));
    QApplication::processEvents();
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(newest(), "NOT CONNECTED!! File(s) ignored.");

    ctx.connected = true;
    ASSERT_TRUE(dnd->drop(ctl::remote_files, any, source(ctl::local_files)));
    EXPECT_TRUE(commands.empty()) << "not inside the drop event";
    QApplication::processEvents();
    EXPECT_EQ(commands, std::vector<int>{939});
    ASSERT_TRUE(dnd->drop(ctl::local_files, any, source(ctl::remote_files)));
    QApplication::processEvents();
    EXPECT_EQ(commands, (std::vector<int>{939, 940}));
    EXPECT_FALSE(dnd->drop(ctl::remote_files, any, source(ctl::remote_files)));

    // Refused like the buttons while a transfer or a command runs.
    commands.clear();
    transfer_running = true;
    ctx.stop_requested = true;  // the user pressed Cancel for the running transfer
    EXPECT_TRUE(dnd->drop(ctl::local_files, any, source(ctl::remote_files)));
    EXPECT_TRUE(ctx.stop_requested) << "a refused drop does not undo the Cancel";
    transfer_running = false;
    ctx.busy_count = 1;
    EXPECT_TRUE(dnd->drop(ctl::remote_files, any, source(ctl::local_files)));
    ctx.busy_count = 0;
    QApplication::processEvents();
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(newest(), "Busy!! File(s) ignored.");
}

TEST_F(DragDropTest, FilesDroppedOnTheLocalListAreCopiedIntoTheLocalFolder) {
    write_file((desktop.path() / "new.txt").string(), "from the desktop");
    write_file((desktop.path() / "a.txt").string(), "replaces the local a.txt");
    fs::create_directory(desktop.path() / "folder");
    const auto url = [&](const char* name) {
        return QUrl::fromLocalFile(QString::fromStdString((desktop.path() / name).string()));
    };
    const QUrl same = QUrl::fromLocalFile(QString::fromStdString((folder.path() / "b.txt").string()));
    ASSERT_TRUE(drop_from_outside(ctl::local_files, {url("new.txt"), url("a.txt"), url("folder"), url("gone.txt"), same}));
    EXPECT_EQ(read_file((folder.path() / "new.txt").string()), "from the desktop");
    EXPECT_EQ(read_file((folder.path() / "a.txt").string()), "replaces the local a.txt");
    EXPECT_EQ(read_file((folder.path() / "b.txt").string()), "local b.txt") << "a file dropped onto itself stays whole";
    EXPECT_FALSE(fs::exists(folder.path() / "folder"));
    EXPECT_FALSE(fs::exists(folder.path() / "gone.txt"));
    EXPECT_TRUE(said((desktop.path() / "folder").string() + " is a folder: not copied."));
    EXPECT_TRUE(said("Copy of " + (desktop.path() / "gone.txt").string() + " failed."));
    EXPECT_TRUE(said("b.txt is already in this folder."));
    EXPECT_TRUE(said("2 file(s) copied into " + ctx.local_dir));
    // No scratch file is left behind, and the list shows the new file.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 4);
    bool listed = false;
    for (int i = 0; i < list(ctl::local_files)->count(); ++i) {
        listed |= list(ctl::local_files)->item_text(i)->find("new.txt") != std::string::npos;
    }
    EXPECT_TRUE(listed);
    EXPECT_TRUE(uploads.empty());
    EXPECT_TRUE(commands.empty());
}

TEST_F(DragDropTest, FilesDroppedOnTheRemoteListGoToTheUploadWorker) {
    const std::string one = (desktop.path() / "One.TXT").string();
    write_file(one, "1");
    fs::create_directory(desktop.path() / "folder");
    const QUrl one_url = QUrl::fromLocalFile(QString::fromStdString(one));
    ASSERT_TRUE(drop_from_outside(ctl::remote_files, {one_url}));
    EXPECT_TRUE(uploads.empty());
    EXPECT_EQ(newest(), "NOT CONNECTED!! File(s) ignored.");

    ctx.connected = true;
    const QUrl folder_url = QUrl::fromLocalFile(QString::fromStdString((desktop.path() / "folder").string()));
    ASSERT_TRUE(drop_from_outside(ctl::remote_files, {folder_url, one_url, QUrl("https://example.org/a")}));
    // The folder's walk first, then the files on the worker.
    ASSERT_EQ(folder_uploads.size(), 1u);
    EXPECT_EQ(folder_uploads[0], std::vector<std::string>{(desktop.path() / "folder").string()});
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0], std::vector<std::string>{one}) << "the name as it is, no lower-casing";

    // Only folders: no files for the worker.
    ASSERT_TRUE(drop_from_outside(ctl::remote_files, {folder_url}));
    EXPECT_EQ(folder_uploads.size(), 2u);
    EXPECT_EQ(uploads.size(), 1u);
    // Folders declined (or stopped): the files dropped with them stay too.
    folders_went = false;
    ASSERT_TRUE(drop_from_outside(ctl::remote_files, {folder_url, one_url}));
    EXPECT_EQ(folder_uploads.size(), 3u);
    EXPECT_EQ(uploads.size(), 1u);
    folders_went = true;

    // A thousand files go to the worker in one list, in order.
    QList<QUrl> many;
    for (int i = 0; i < 1000; ++i) many.push_back(QUrl::fromLocalFile(QString("/nowhere/f%1.dat").arg(i)));
    ASSERT_TRUE(drop_from_outside(ctl::remote_files, many));
    ASSERT_EQ(uploads.size(), 2u);
    ASSERT_EQ(uploads[1].size(), 1000u);
    EXPECT_EQ(uploads[1][999], "/nowhere/f999.dat");

    // A worker that will not start, a transfer or a command in progress: refused.
    worker_free = false;
    ASSERT_TRUE(drop_from_outside(ctl::remote_files, {one_url}));
    EXPECT_EQ(newest(), "Busy!! File(s) ignored.");
    worker_free = true;
    transfer_running = true;
    ASSERT_TRUE(drop_from_outside(ctl::remote_files, {one_url}));
    EXPECT_EQ(uploads.size(), 3u);
    EXPECT_EQ(newest(), "Busy!! File(s) ignored.");
    // Nothing in the panes changed.
    EXPECT_EQ(list(ctl::remote_files)->count(), 2);
}

TEST_F(DragDropTest, PressesSelectAndTheDragSettingGatesDraggingOut) {
    ui::PaneList* files = list(ctl::local_files);
    QWidget* viewport = files->viewport();
    const QPoint second = files->visualRect(files->model()->index(1, 0)).center();
    for (int i = 0; i < 3; ++i) files->set_selected(i, true);
    // A click without movement on one entry of a multiple selection leaves that one alone.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, second);
    EXPECT_EQ(files->selected_indices(), std::vector<int>{1});
    EXPECT_TRUE(files->dragEnabled());
    // A press on an unselected entry selects it alone.
    QTest::mousePress(viewport, Qt::LeftButton, {}, files->visualRect(files->model()->index(2, 0)).center());
    EXPECT_EQ(files->selected_indices(), std::vector<int>{2});
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, files->visualRect(files->model()->index(2, 0)).center());
    // A press on a selected entry and a move start the drag of the selection.
    int drags = 0;
    std::size_t dragged = 0;
    files->on_start_drag = [&] {
        ++drags;
        dragged = files->selected_indices().size();
    };
    files->set_selected(1, true);
    QTest::mousePress(viewport, Qt::LeftButton, {}, second);
    for (int step = 1; step <= 5; ++step) QTest::mouseMove(viewport, second + QPoint(step * 10, step * 4));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, second + QPoint(50, 20));
    EXPECT_EQ(drags, 1);
    EXPECT_EQ(dragged, 2u) << "the selection goes whole, not a new range";
    ctx.settings.drag_and_drop = 0;
    QTest::mouseClick(viewport, Qt::LeftButton, {}, second);
    EXPECT_FALSE(files->dragEnabled()) << "no dragging out with drag and drop switched off";
    QTest::mousePress(viewport, Qt::LeftButton, {}, second);
    for (int step = 1; step <= 5; ++step) QTest::mouseMove(viewport, second + QPoint(step * 10, step * 4));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, second + QPoint(50, 20));
    EXPECT_EQ(drags, 1);
    // Receiving from outside does not depend on it.
    write_file((desktop.path() / "in.txt").string(), "in");
    EXPECT_TRUE(drop_from_outside(ctl::local_files, {QUrl::fromLocalFile(QString::fromStdString((desktop.path() / "in.txt").string()))}));
    EXPECT_TRUE(fs::exists(folder.path() / "in.txt"));
}

}  // namespace
}  // namespace varnix::test
