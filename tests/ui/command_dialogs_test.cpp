// The window commands that open the profile, option, association and permission dialogs:
// each id opens its dialog and Cancel leaves the settings files as they were; connecting goes
// through the "Session Profile" dialog to a pyftpdlib server on 127.0.0.1; Exec of a local
// file runs the program associated with its extension.
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

#include "config/profiles.h"
#include "listing/list_entries.h"
#include "listing/local_listing.h"
#include "platform/headless.h"
#include "support/pyftpd.h"
#include "support/temp_dir.h"
#include "transfer/transfer_fixture.h"
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

class CommandDialogsTest : public ::testing::Test {
protected:
    CommandDialogsTest() {
        EXPECT_TRUE(set_local_dir(ctx, local.path().string()));
        ctx.config_path = (config.path() / "VARNIX.INI").string();
        ctx.user_profile_path = (config.path() / "user.ini").string();
        std::ofstream(ctx.config_path, std::ios::binary)
            << "[_config_]\nSESSION=work\nAUTOSAVE=1\n[work]\nHOST=127.0.0.1\nUID=anna\n";
        std::ofstream(ctx.user_profile_path, std::ios::binary) << "[Extensions]\ntxt=/bin/true ^.txt\n";
        ctx.session.name = "work";
        ctx.options.play_sounds = 0;
        ctx.settings.show_transfer_dialog = 0;
        ctx.set_services(Services{nullptr, &prompter, &boxes, &timers, &sound, &invoker});
        install_blocking_hook(ctx);
        window = std::make_unique<ui::MainWindow>(ctx, 0, 0);
        ctx.set_services(Services{&window->message_area(), &prompter, &boxes, &timers, &sound, &invoker});
        window->resize(900, 600);
        window->show();
        window->list_local_pane();
        commands = std::make_unique<ui::WindowCommands>(*window);
        QApplication::processEvents();
    }
    ~CommandDialogsTest() override {
        commands.reset();
        window.reset();
        clear_listing_cache(ctx);
    }
    void command(int id) { window->dispatch(ui::Command{id, ui::Notify::Clicked, {}}); }
    // Presses `button` of the modal dialog named `dialog` once it is up; records whether it
    // came up at all.
    void answer_dialog(const QString& dialog, const QString& button, bool* seen, int tries = 100) {
        QTimer::singleShot(30, [=, this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() != dialog || !w->isVisible()) continue;
                *seen = true;
                QTest::mouseClick(w->findChild<QPushButton*>(button), Qt::LeftButton);
                return;
            }
            if (tries > 0) answer_dialog(dialog, button, seen, tries - 1);
        });
    }

    TempDir local;
    TempDir config;
    BatchContext ctx;
    ScriptedPrompter prompter;
    HeadlessMessageBoxes boxes;
    ui::QtTimers timers;
    ui::QtInvoker invoker;
    RecordingSound sound;
    std::unique_ptr<ui::MainWindow> window;
    std::unique_ptr<ui::WindowCommands> commands;
};

TEST_F(CommandDialogsTest, EveryDialogCommandOpensItsDialogAndCancelChangesNothing) {
    const std::string ini = slurp(ctx.config_path);
    const std::string user = slurp(ctx.user_profile_path);
    const Session session = ctx.session;
    struct Case {
        int id;
        const char* dialog;
        const char* button;  // Cancel, or Exit for the options hub
    };
    const Case cases[] = {
        {923, "DLG_HOST", "2"},        {9000, "DLG_HOST", "2"},   {1320, "DLG_HOST", "2"},
        {962, "DLG_SORT", "2"},        {963, "DLG_SORT", "2"},    {1100, "DLG_CHMOD", "2"},
        {1601, "DLG_ASSOCIATE", "2"},  {5130, "DLG_OPTIONS", "1"}, {9036, "DLG_OPTIONS", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        bool seen = false;
        answer_dialog(QString::fromLatin1(c.dialog), QString::fromLatin1(c.button), &seen);
        command(c.id);
        EXPECT_TRUE(seen);
        EXPECT_FALSE(ctx.connected.load());
        EXPECT_EQ(ctx.session.host, session.host);
        EXPECT_EQ(slurp(ctx.config_path), ini);
        EXPECT_EQ(slurp(ctx.user_profile_path), user);
    }
    // No question was left behind (chmod with Cancel sends and asks nothing).
    EXPECT_TRUE(prompter.requests().empty());
}

TEST_F(CommandDialogsTest, ExecOfALocalFileRunsTheProgramAssociatedWithItsExtension) {
    const fs::path script = config.path() / "record.sh";
    const fs::path out = config.path() / "out.txt";
    std::ofstream(script) << "#!/bin/sh\nprintf '%s' \"$1\" > '" << out.string() << "'\n";
    ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
    std::ofstream(ctx.user_profile_path, std::ios::binary)
        << "[Extensions]\nvx=" << script.string() << " ^.vx\n";
    std::ofstream(local.path() / "my notes.vx") << "text";
    window->list_local_pane();
    ui::PaneList& files = *window->list(ctl::local_files);
    for (int i = 0; i < files.count(); ++i) {
        if (get_entry_name(ctx, files, i) == "my notes.vx") (void)files.set_selected(i, true);
    }
    command(9045);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(out) && fs::file_size(out) > 0; }, 10000));
    EXPECT_EQ(slurp(out), (local.path() / "my notes.vx").string());
}

class ProfileConnectTest : public CommandDialogsTest {
protected:
    void SetUp() override { ASSERT_TRUE(ftpd.running()) << ftpd.error(); }
    // Stores a profile "srv" for the server and makes it the session to connect with.
    void store_server_profile() {
        Session stored;
        stored.name = "srv";
        stored.host = "127.0.0.1";
        stored.port = ftpd.port();
        stored.user = "anna";
        stored.password = "secret";
        stored.password_saved = 1;
        stored.passive = 1;
        save_profile(ctx, stored);
        ctx.session = Session{};
        ctx.session.name = "srv";
    }
    PyFtpd ftpd;
};

TEST_F(ProfileConnectTest, ConnectGoesThroughTheProfileDialogAndCancelConnectsNothing) {
    std::ofstream(ftpd.home() / "served.txt") << "hello";
    store_server_profile();

    bool seen = false;
    answer_dialog("DLG_HOST", "2", &seen);
    command(9000);
    EXPECT_TRUE(seen);
    EXPECT_FALSE(ctx.connected.load());
    EXPECT_TRUE(ctx.session.host.empty());

    seen = false;
    answer_dialog("DLG_HOST", "1", &seen);
    command(9000);
    EXPECT_TRUE(seen);
    ASSERT_TRUE(ctx.connected.load()) << ftpd.log_text();
    EXPECT_EQ(ctx.session.host, "127.0.0.1");
    EXPECT_EQ(ctx.session.port, ftpd.port());
    bool listed = false;
    const ui::PaneList& files = *window->list(ctl::remote_files);
    for (int i = 0; i < files.count(); ++i) listed = listed || get_entry_name(ctx, files, i) == "served.txt";
    EXPECT_TRUE(listed);

    // Connect while connected closes, without a dialog.
    command(9000);
    EXPECT_FALSE(ctx.connected.load());
}

// The permissions dialog through the window, against a real server: the boxes chosen become
// the file's mode on the server, for exactly the selected file.
TEST_F(ProfileConnectTest, ChmodThroughTheWindowSetsTheModeOnTheServer) {
    const fs::path target = ftpd.home() / "run me.sh";
    const fs::path other = ftpd.home() / "other.sh";
    for (const fs::path& p : {target, other}) {
        std::ofstream(p) << "#!/bin/sh\n";
        ASSERT_EQ(::chmod(p.c_str(), 0644), 0);
    }
    store_server_profile();
    bool seen = false;
    answer_dialog("DLG_HOST", "1", &seen);
    command(9000);
    ASSERT_TRUE(ctx.connected.load()) << ftpd.log_text();

    ui::PaneList& files = *window->list(ctl::remote_files);
    for (int i = 0; i < files.count(); ++i) {
        if (get_entry_name(ctx, files, i) == "run me.sh") (void)files.set_selected(i, true);
    }
    // 750: owner everything, group read and execute, other nothing.
    const std::map<QString, bool> wanted{
        {"1101", true}, {"1102", true},  {"1103", true},  {"1104", true},  {"1105", false},
        {"1106", true}, {"1107", false}, {"1108", false}, {"1109", false}};
    bool dialog_seen = false;
    QTimer::singleShot(50, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() != "DLG_CHMOD" || !w->isVisible()) continue;
            dialog_seen = true;
            for (const auto& [name, on] : wanted) {
                auto* box = w->findChild<QCheckBox*>(name);
                if (box && box->isChecked() != on) QTest::mouseClick(box, Qt::LeftButton);
            }
            QTest::mouseClick(w->findChild<QPushButton*>("1"), Qt::LeftButton);
            return;
        }
    });
    command(1100);
    EXPECT_TRUE(dialog_seen);
    const auto mode_of = [](const fs::path& p) {
        struct stat st {};
        return ::stat(p.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0u;
    };
    EXPECT_EQ(mode_of(target), 0750u) << ftpd.log_text();
    EXPECT_EQ(mode_of(other), 0644u);
    EXPECT_TRUE(ctx.connected.load());
}

}  // namespace
}  // namespace varnix::test
