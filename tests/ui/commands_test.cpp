// The main window's commands against a pyftpdlib server on 127.0.0.1 under the offscreen
// platform: connect, select and press the arrows, a recursive download and upload of a tree,
// Cancel in a large download and its resume, Exit during a transfer, "Delete All" of five
// files, rename and move, the About box and the button states while a transfer runs.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "listing/list_entries.h"
#include "listing/local_listing.h"
#include "net/control_connection.h"
#include "platform/clock.h"
#include "platform/headless.h"
#include "support/pyftpd.h"
#include "support/temp_dir.h"
#include "transfer/restart.h"
#include "transfer/transfer_fixture.h"
#include "ui/about_box.h"
#include "ui/commands.h"
#include "ui/file_bytes.h"
#include "ui/main_window.h"
#include "ui/main_window_lists.h"
#include "ui/message_area.h"
#include "ui/qt_environment.h"
#include "ui/qt_services.h"

namespace varnix::test {
namespace {

namespace fs = std::filesystem;
namespace ctl = ui::ctl;

const auto* const qt_environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

void spit(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

class WindowCommandsTest : public ::testing::Test {
protected:
    explicit WindowCommandsTest(PyFtpdOptions options = {}) : ftpd(std::move(options)) {
        EXPECT_TRUE(set_local_dir(ctx, local.path().string()));
        ctx.config_path = (config.path() / "VARNIX.INI").string();
        ctx.session.name = "work";
        ctx.session.host = "127.0.0.1";
        ctx.session.user = "anna";
        ctx.session.password = "secret";
        ctx.session.passive = 1;
        ctx.options.mode = 'I';
        ctx.options.play_sounds = 0;
        ctx.settings.show_transfer_dialog = 0;
        ctx.set_services(Services{nullptr, &prompter, &boxes, &timers, &sound, &invoker});
        install_blocking_hook(ctx);
    }
    ~WindowCommandsTest() override {
        commands.reset();
        window.reset();
        clear_listing_cache(ctx);
    }
    void SetUp() override {
        ASSERT_TRUE(ftpd.running()) << ftpd.error();
        ctx.session.port = ftpd.port();
        window = std::make_unique<ui::MainWindow>(ctx, 0, 0);
        ctx.set_services(Services{&window->message_area(), &prompter, &boxes, &timers, &sound, &invoker});
        window->resize(900, 600);
        window->show();
        window->list_local_pane();
        commands = std::make_unique<ui::WindowCommands>(*window);
        // These tests connect with the session set above; the profile dialog on the way has
        // tests of its own (command_dialogs_test).
        commands->choose_session = [] { return true; };
        QApplication::processEvents();
    }
    void command(int id, ui::Notify notify = ui::Notify::Clicked) {
        window->dispatch(ui::Command{id, notify, {}});
    }
    void connect_now() {
        command(9000);
        ASSERT_TRUE(ctx.connected.load()) << ftpd.log_text();
    }
    ui::PaneList& list(int index) { return *window->list(index); }
    void select(int index, const std::vector<std::string>& names) {
        ui::PaneList& l = list(index);
        for (int i = 0; i < l.count(); ++i) {
            const std::string name = get_entry_name(ctx, l, i);
            if (std::find(names.begin(), names.end(), name) != names.end()) (void)l.set_selected(i, true);
        }
    }
    bool wait_idle(int ms = 10000) {
        return QTest::qWaitFor([&] { return !commands->transfer_running(); }, ms);
    }
    // Answers the next modal dialog named `dialog` by clicking its child `button`.
    void click_in_next_dialog(const char* dialog, const char* button, bool* seen_all = nullptr) {
        QTimer::singleShot(50, [=] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() != dialog || !w->isVisible()) continue;
                if (seen_all) *seen_all = w->findChild<QPushButton*>("delete_all")->isVisible();
                QTest::mouseClick(w->findChild<QPushButton*>(button), Qt::LeftButton);
                return;
            }
        });
    }

    TempDir local;
    TempDir config;
    PyFtpd ftpd;
    BatchContext ctx;
    ScriptedPrompter prompter;
    HeadlessMessageBoxes boxes;
    ui::QtTimers timers;
    ui::QtInvoker invoker;
    RecordingSound sound;
    std::unique_ptr<ui::MainWindow> window;
    std::unique_ptr<ui::WindowCommands> commands;
};

TEST_F(WindowCommandsTest, ConnectSelectAndPressTheArrows) {
    spit(ftpd.home() / "down.bin", binary_bytes(300000));
    spit(ftpd.home() / "other.txt", "not selected");
    connect_now();
    select(ctl::remote_files, {"down.bin"});
    command(940);  // "<--"
    ASSERT_TRUE(wait_idle());
    EXPECT_EQ(slurp(local.path() / "down.bin"), slurp(ftpd.home() / "down.bin"));
    EXPECT_FALSE(fs::exists(local.path() / "other.txt"));
    bool listed = false;
    for (int i = 0; i < list(ctl::local_files).count(); ++i) {
        listed = listed || get_entry_name(ctx, list(ctl::local_files), i) == "down.bin";
    }
    EXPECT_TRUE(listed);

    spit(local.path() / "up.txt", "going up");
    window->list_local_pane();
    select(ctl::local_files, {"up.txt"});
    command(939);  // "-->"
    ASSERT_TRUE(wait_idle());
    EXPECT_EQ(slurp(ftpd.home() / "up.txt"), "going up");
    // The arrows come back once the worker's end has reached the window.
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->control(ctl::to_local)->isEnabled(); }, 2000));
    // So does the local ChgDir, greyed while the worker wrote into the local folder.
    EXPECT_TRUE(window->control(ctl::local_column + ctl::chgdir)->isEnabled());
}

TEST_F(WindowCommandsTest, RecursiveDownloadAndUploadOfAThreeLevelTree) {
    spit(ftpd.home() / "tree" / "a.bin", binary_bytes(4000));
    spit(ftpd.home() / "tree" / "one" / "b.txt", "bee\n");
    spit(ftpd.home() / "tree" / "one" / "two" / "c.bin", binary_bytes(20000));
    fs::create_directories(ftpd.home() / "tree" / "one" / "two" / "empty");
    connect_now();
    select(ctl::remote_dirs, {"tree"});
    boxes.push_answer(mb::id_yes);  // "Do you want to transfer the selected directory structures?"
    command(940);
    ASSERT_FALSE(boxes.shown().empty());
    EXPECT_EQ(boxes.shown().back().text, "Do you want to transfer the selected directory structures?");
    for (const char* f : {"tree/a.bin", "tree/one/b.txt", "tree/one/two/c.bin"}) {
        EXPECT_EQ(slurp(local.path() / f), slurp(ftpd.home() / f)) << f;
    }
    EXPECT_TRUE(fs::is_directory(local.path() / "tree" / "one" / "two" / "empty"));

    fs::create_directories(ftpd.home() / "back");
    prompter.push_answer("back");
    command(934);  // ChgDir with no selection asks for the folder
    ASSERT_EQ(ctx.current_remote_dir, "/back");
    window->list_local_pane();
    select(ctl::local_dirs, {"tree"});
    boxes.push_answer(mb::id_yes);
    command(939);
    for (const char* f : {"tree/a.bin", "tree/one/b.txt", "tree/one/two/c.bin"}) {
        EXPECT_EQ(slurp(ftpd.home() / "back" / f), slurp(local.path() / f)) << f;
    }
    EXPECT_TRUE(fs::is_directory(ftpd.home() / "back" / "tree" / "one" / "two" / "empty"));
}

TEST_F(WindowCommandsTest, DeleteAllRemovesExactlyTheFiveSelectedFiles) {
    for (const char* n : {"d1", "d2", "d3", "d4", "d*", "keep", "dx"}) spit(ftpd.home() / n, "x");
    connect_now();
    select(ctl::remote_files, {"d1", "d2", "d3", "d4", "d*"});
    bool all_offered = false;
    click_in_next_dialog("DLG_DELETE", "delete_all", &all_offered);
    command(946);
    EXPECT_TRUE(all_offered);
    for (const char* n : {"d1", "d2", "d3", "d4", "d*"}) EXPECT_FALSE(fs::exists(ftpd.home() / n)) << n;
    EXPECT_TRUE(fs::exists(ftpd.home() / "keep"));
    EXPECT_TRUE(fs::exists(ftpd.home() / "dx"));  // "d*" was a name, never a pattern
}

// A folder of 100,000 files, all selected with Ctrl+A and deleted with "Delete All": the first
// question offers "Delete All" for the whole selection, every file goes, and the window keeps
// handling events throughout (a user can still move it, repaint it, press Cancel).
TEST_F(WindowCommandsTest, SelectAllOfAHundredThousandFilesAndDeleteAll) {
    constexpr int count = 100000;
    const fs::path many = local.path() / "many";
    fs::create_directories(many);
    for (int i = 0; i < count; ++i) {
        std::ofstream(many / ("f" + std::to_string(i)));
    }
    ASSERT_TRUE(set_local_dir(ctx, many.string()));
    window->list_local_pane();
    ui::PaneList& files = list(ctl::local_files);
    ASSERT_EQ(files.count(), count);
    files.setFocus();
    QTest::keyClick(&files, Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(files.selected_indices().size(), static_cast<std::size_t>(count));
    const std::string first_name = get_entry_name(ctx, files, 0);

    std::string first_question;
    bool all_offered = false;
    QTimer::singleShot(50, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() != "DLG_DELETE" || !w->isVisible()) continue;
            all_offered = w->findChild<QPushButton*>("delete_all")->isVisible();
            for (QLabel* label : w->findChildren<QLabel*>()) {
                if (label->text().startsWith("Are you sure")) first_question = label->text().toStdString();
            }
            QTest::mouseClick(w->findChild<QPushButton*>("delete_all"), Qt::LeftButton);
            return;
        }
    });
    // The longest stretch without an event handled while the files go.
    std::int64_t last_tick = tick_count();
    std::int64_t longest_gap = 0;
    int ticks = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const std::int64_t now = tick_count();
        longest_gap = std::max(longest_gap, now - last_tick);
        last_tick = now;
        ++ticks;
    });
    heartbeat.start(10);
    command(945);
    heartbeat.stop();

    EXPECT_TRUE(all_offered);
    EXPECT_EQ(first_question, "Are you sure you want to delete \"" + first_name + "\"?");
    EXPECT_EQ(std::distance(fs::directory_iterator(many), fs::directory_iterator{}), 0);
    EXPECT_EQ(files.count(), 0);
    EXPECT_GT(ticks, 0);
    // Generous for a loaded machine; a loop that never yields takes the whole delete.
    EXPECT_LT(longest_gap, 2000);
}

TEST_F(WindowCommandsTest, RenameAndMoveInBothPanes) {
    spit(ftpd.home() / "old.txt", "O");
    fs::create_directories(ftpd.home() / "into");
    spit(local.path() / "l.txt", "L");
    fs::create_directories(local.path() / "ldest");
    connect_now();
    window->list_local_pane();

    select(ctl::remote_files, {"old.txt"});
    prompter.push_answer("new.txt");
    command(948);
    EXPECT_TRUE(fs::exists(ftpd.home() / "new.txt"));
    select(ctl::remote_files, {"new.txt"});
    prompter.push_answer("/into");
    command(969);
    EXPECT_EQ(slurp(ftpd.home() / "into" / "new.txt"), "O");

    select(ctl::local_files, {"l.txt"});
    prompter.push_answer("l2.txt");
    command(947);
    EXPECT_EQ(slurp(local.path() / "l2.txt"), "L");
    select(ctl::local_files, {"l2.txt"});
    prompter.push_answer("ldest");
    command(968);
    EXPECT_EQ(slurp(local.path() / "ldest" / "l2.txt"), "L");
}

TEST_F(WindowCommandsTest, AboutBoxNamesVersionAndSystem) {
    const QStringList lines = ui::about_lines(ctx.local_dir);
    ASSERT_GE(lines.size(), 6);
    EXPECT_TRUE(lines[0].startsWith("Version: "));
    EXPECT_TRUE(lines.join('\n').contains("Memory: "));
    EXPECT_TRUE(lines.join('\n').contains("Disk: "));
    QTimer::singleShot(50, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == "about_box" && w->isVisible()) static_cast<QDialog*>(w)->accept();
        }
    });
    command(9037);
}

class SlowWindowCommandsTest : public WindowCommandsTest {
protected:
    SlowWindowCommandsTest() : WindowCommandsTest(slow()) {}
    static PyFtpdOptions slow() {
        PyFtpdOptions o;
        o.send_limit = 512 * 1024;
        return o;
    }
    void start_big_download(std::size_t bytes) {
        big = binary_bytes(bytes);
        spit(ftpd.home() / "big.bin", big);
        connect_now();
        select(ctl::remote_files, {"big.bin"});
        command(940);
        ASSERT_TRUE(QTest::qWaitFor([&] {
            std::error_code ec;
            return fs::file_size(local.path() / "big.bin", ec) > 100000 && !ec;
        }, 10000));
    }
    std::string big;
};

TEST_F(SlowWindowCommandsTest, CancelKeepsThePartialFileAndTheNextConnectResumesIt) {
    start_big_download(3 * 1024 * 1024);
    EXPECT_FALSE(window->control(ctl::to_local)->isEnabled());  // waits while the worker runs
    const std::int64_t cancelled = tick_count();
    command(9033);
    ASSERT_TRUE(wait_idle(1500));
    EXPECT_LT(tick_count() - cancelled, 1000);
    const auto partial = fs::file_size(local.path() / "big.bin");
    EXPECT_LT(partial, big.size());
    EXPECT_TRUE(read_restart_record(ctx, ctx.session.name).present());
    // The program is usable: a refresh lists the server again.
    command(944);
    EXPECT_GT(list(ctl::remote_files).count(), 0);

    // Close, connect again: the resume is offered and the file comes out byte for byte.
    command(9000);
    ASSERT_FALSE(ctx.connected.load());
    ctx.settings.auto_reget = 1;
    boxes.push_answer(mb::id_yes);
    command(9000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::file_size(local.path() / "big.bin") == big.size(); }, 60000));
    EXPECT_EQ(slurp(local.path() / "big.bin"), big);
    EXPECT_FALSE(read_restart_record(ctx, ctx.session.name).present());
}

TEST_F(SlowWindowCommandsTest, ExitDuringATransferEndsWithinTwoSeconds) {
    start_big_download(8 * 1024 * 1024);
    bool closed = false;
    window->on_closing = [&] { closed = true; };
    const std::int64_t exit_at = tick_count();
    command(9042);
    ASSERT_TRUE(QTest::qWaitFor([&] { return closed && !commands->transfer_running(); }, 2000));
    EXPECT_LT(tick_count() - exit_at, 2000);
    EXPECT_FALSE(ctx.connected.load());
    EXPECT_FALSE(ctx.control.is_open());
}

}  // namespace
}  // namespace varnix::test
