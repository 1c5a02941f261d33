// Associations and remote permissions: the argv a file is started with (never through a
// shell, hostile names as one argument), the "Associate" dialog's stored values, the
// permissions dialog's mode, and the SITE chmod exchange against a scripted server.
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>

#include "net/control_connection.h"
#include "support/scripted_server.h"
#include "ui/dialog_fixture.h"
#include "ui/dialogs/associations.h"
#include "ui/dialogs/permissions_dialog.h"
#include "ui/dialogs/program_start.h"

namespace varnix::test {
namespace {

using namespace ui;
using ::testing::ElementsAre;

class AssociationTest : public DialogTest<ConfigContext> {
protected:
    std::string make_file(const std::string& name, mode_t mode = 0644) {
        const std::string path = dir.path().string() + "/" + name;
        std::ofstream(path) << "x";
        ::chmod(path.c_str(), mode);
        return path;
    }
    void associate(const std::string& text) { write_file(ctx.user_profile_path, text); }

    struct Recorded {
        std::vector<std::vector<std::string>> started;
        std::vector<std::string> opened;
    } recorded;
    Launcher recording_launcher() {
        return {[this](const std::vector<std::string>& argv) {
                    recorded.started.push_back(argv);
                    return true;
                },
                [this](const std::string& path) {
                    recorded.opened.push_back(path);
                    return true;
                }};
    }
};

TEST_F(AssociationTest, ExtensionIsEverythingAfterTheFirstDotOfTheName) {
    EXPECT_EQ(file_extension("archive.tar.gz"), "tar.gz");
    EXPECT_EQ(file_extension("/home/a.b/README"), "");
    EXPECT_EQ(file_extension("name."), "");
    EXPECT_EQ(file_extension("/x/.profile"), "profile");
}

TEST_F(AssociationTest, HostileNamesStayOneArgument) {
    associate("[Extensions]\ntxt=\"/opt/My Editor/edit\" --new-window ^.txt\n");
    for (const std::string name : {"my notes.txt", "it's \"quoted\".txt", "a;rm -rf ~.txt",
                                   "-rf.txt", "$(reboot).txt", "tab\there.txt"}) {
        const std::string path = make_file(name);
        const LaunchPlan plan = plan_execution(ctx, path);
        ASSERT_EQ(plan.kind, LaunchPlan::Kind::Program) << name;
        EXPECT_THAT(plan.argv, ElementsAre("/opt/My Editor/edit", "--new-window", path)) << name;
    }
    const LaunchPlan relative = plan_execution(ctx, "-rf.txt");
    EXPECT_EQ(relative.kind, LaunchPlan::Kind::Nothing) << "no such file in the working folder";
}

TEST_F(AssociationTest, RelativeNamesCannotPassForOptions) {
    EXPECT_THAT(association_argv("viewer ^.txt", "-n.txt"), ElementsAre("viewer", "./-n.txt"));
    EXPECT_THAT(association_argv("viewer", "a b.txt"), ElementsAre("viewer", "./a b.txt"));
    EXPECT_TRUE(association_argv("  ^.txt", "a.txt").empty());
}

TEST_F(AssociationTest, ExecutableRunsItselfElseAssociationElseDesktop) {
    associate("[Extensions]\ngz=gunzip -k ^.gz\n");
    const std::string script = make_file("run me.sh", 0755);
    const std::string archive = make_file("data.tar.gz");
    const std::string plain = make_file("picture.png");
    const std::string no_dot = make_file("README");
    const Launcher launcher = recording_launcher();
    EXPECT_TRUE(execute_by_association(ctx, script, launcher));
    EXPECT_TRUE(execute_by_association(ctx, archive, launcher));
    EXPECT_TRUE(execute_by_association(ctx, plain, launcher));
    EXPECT_TRUE(execute_by_association(ctx, no_dot, launcher));
    EXPECT_FALSE(execute_by_association(ctx, dir.path().string() + "/gone.txt", launcher));
    EXPECT_THAT(recorded.started, ElementsAre(ElementsAre(script),
                                              ElementsAre("gunzip", "-k", archive)));
    EXPECT_THAT(recorded.opened, ElementsAre(plain, no_dot));
}

TEST_F(AssociationTest, WholeExtensionWinsOverItsEnding) {
    associate("[Extensions]\ngz=gunzip ^.gz\ntar.gz=tar xzf ^.tar.gz\n");
    const std::string archive = make_file("x.tar.gz");
    EXPECT_THAT(plan_execution(ctx, archive).argv, ElementsAre("tar", "xzf", archive));
}

TEST_F(AssociationTest, StartedProgramGetsTheExactArguments) {
    const std::string out = dir.path().string() + "/args";
    const std::string hostile = "a b;c \"d\" $(e)";
    ASSERT_EQ(start_detached_program({"/bin/sh", "-c", "printf '%s|' \"$@\" > \"$0\"", out,
                                      hostile, "two"}),
              0);
    std::string got;
    for (int i = 0; i < 200 && got.empty(); ++i) {
        QTest::qWait(10);
        got = read_file(out);
    }
    EXPECT_EQ(got, hostile + "|two|");
    EXPECT_NE(start_detached_program({"/nonexistent/program"}), 0);
    EXPECT_NE(start_detached_program({}), 0);
}

TEST_F(AssociationTest, AssociationValueRules) {
    EXPECT_EQ(association_value("/usr/bin/gedit", "txt"), "/usr/bin/gedit ^.txt");
    EXPECT_EQ(association_value("viewer ^.doc", "txt"), "viewer ^.txt");
    EXPECT_EQ(association_value("viewer ^.TXT", "txt"), "viewer ^.TXT");
}

TEST_F(AssociationTest, AssociateDialogWritesTheUserProfile) {
    associate("[Extensions]\nPDF=evince ^.pdf\nps=evince --x ^.ps\nempty=\n");
    OptionsHooks hooks;
    hooks.browse_program = [](QWidget*) { return QString("/opt/My Apps/viewer"); };
    std::vector<int> help_asked;
    hooks.help = [&](int context) { help_asked.push_back(context); };
    AssociateDialog d(ctx, "txt", hooks);
    auto* extensions = control<QComboBox>(d, 121);
    auto* programs = control<QComboBox>(d, 122);
    ASSERT_EQ(extensions->count(), 2);
    EXPECT_EQ(extensions->itemText(0), "pdf");
    EXPECT_EQ(programs->count(), 1) << "one entry per program";
    EXPECT_EQ(extensions->currentText(), "txt");
    EXPECT_EQ(programs->currentText(), "");
    extensions->setCurrentIndex(0);
    emit extensions->textActivated("pdf");
    EXPECT_EQ(programs->currentText(), "evince ^.pdf");
    extensions->setEditText("txt");
    click(d, 123);
    EXPECT_EQ(programs->currentText(), "\"/opt/My Apps/viewer\"");
    click(d, 9041);
    EXPECT_EQ(help_asked, std::vector<int>{255});
    click(d, 1);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(read_file(ctx.user_profile_path),
              "[Extensions]\nPDF=evince ^.pdf\nps=evince --x ^.ps\nempty=\n"
              "txt=\"/opt/My Apps/viewer\" ^.txt\n");
    const std::string file = make_file("notes.txt");
    EXPECT_THAT(plan_execution(ctx, file).argv, ElementsAre("/opt/My Apps/viewer", file));
}

TEST_F(AssociationTest, AssociateDialogRefusesBadExtensionsAndEmptyFields) {
    associate("[Extensions]\n");
    const std::string before = read_file(ctx.user_profile_path);
    {
        AssociateDialog d(ctx, "a=b", {});
        control<QComboBox>(d, 122)->setEditText("prog");
        click(d, 1);
        EXPECT_NE(d.result(), QDialog::Accepted);
        EXPECT_EQ(boxes.shown().size(), 1u);
    }
    {
        AssociateDialog d(ctx, "txt", {});
        click(d, 1);
        EXPECT_EQ(d.result(), QDialog::Rejected) << "no program: closes with nothing written";
    }
    EXPECT_EQ(read_file(ctx.user_profile_path), before);
}

// --- permissions ---

class PermissionsTest : public DialogTest<NetContext> {};

TEST_F(PermissionsTest, DialogShowsAndReturnsTheMode) {
    PermissionsDialog d(644, nullptr);
    EXPECT_TRUE(checked(d, 1101));
    EXPECT_TRUE(checked(d, 1102));
    EXPECT_FALSE(checked(d, 1103));
    EXPECT_TRUE(checked(d, 1104));
    EXPECT_FALSE(checked(d, 1105));
    EXPECT_TRUE(checked(d, 1107));
    EXPECT_FALSE(checked(d, 1109));
    EXPECT_EQ(d.mode(), 644);
    set_checked(d, 1103, true);
    set_checked(d, 1106, true);
    set_checked(d, 1109, true);
    EXPECT_EQ(d.mode(), 755);
    for (int id = 1101; id <= 1109; ++id) set_checked(d, id, false);
    EXPECT_EQ(d.mode(), 0);
}

TEST_F(PermissionsTest, ChmodTextLeavesOutNamesThatDoNotFit) {
    EXPECT_EQ(chmod_text(755, {"a", "b c"}, 291), "chmod 755 a b c");
    EXPECT_EQ(chmod_text(644, {}, 291), "chmod 644 ");
    const std::string long_name(280, 'x');
    EXPECT_EQ(chmod_text(644, {"first", long_name, "last"}, 291), "chmod 644 first last");
}

class ChmodExchange : public PermissionsTest {
protected:
    void connect_to_server() {
        install_blocking_hook(ctx);
        server.start();
        {
            const int fd = connect_host(ctx, "127.0.0.1", server.port(), "tcp");
            ASSERT_NE(fd, -1);
            open_control(ctx, fd);
        }
    }
    ~ChmodExchange() override { close_control(ctx); }
    void finish() {
        EXPECT_TRUE(server.wait_done(std::chrono::seconds(5)));
        EXPECT_THAT(server.failures(), ::testing::IsEmpty());
    }
    ScriptedServer server;
    HeadlessTimers timers;
};

TEST_F(ChmodExchange, SendsTheModeForTheSelectedNamesAndRemembersIt) {
    server.expect("SITE chmod 755 a.sh my file").reply("200 chmod done")
          .expect("SITE chmod 700 b").reply("500 unknown command");
    ctx.set_services(Services{&view, &prompter, &boxes, &timers, &sound});
    connect_to_server();
    int mode = initial_permission_mode;
    std::vector<int> asked_with;
    const auto ask = [&](int shown) {
        asked_with.push_back(shown);
        return shown == 644 ? 755 : 700;
    };
    EXPECT_EQ(change_remote_permissions(ctx, mode, {"a.sh", "my file"}, ask), 2);
    EXPECT_EQ(mode, 755);
    EXPECT_EQ(change_remote_permissions(ctx, mode, {"b"}, ask), 5);
    EXPECT_THAT(asked_with, ElementsAre(644, 755));
    EXPECT_TRUE(view.contains("Chmod failed. It may not be supported on remote host."));
    finish();
}

TEST_F(ChmodExchange, NoSelectionAsksForTheTextAndCancelSendsNothing) {
    server.expect("SITE chmod 644 *.sh").reply("200 ok").expect("NOOP").reply("200 still here");
    ctx.set_services(Services{&view, &prompter, &boxes, &timers, &sound});
    connect_to_server();
    int mode = initial_permission_mode;
    const auto keep = [](int shown) { return shown; };
    prompter.push_answer(std::string("chmod 644 *.sh"));
    EXPECT_EQ(change_remote_permissions(ctx, mode, {}, keep), 2);
    ASSERT_EQ(prompter.requests().size(), 1u);
    EXPECT_EQ(prompter.requests()[0].prompt, "Enter CHMOD string:");
    EXPECT_EQ(prompter.requests()[0].initial, "chmod 644 ");
    EXPECT_EQ(prompter.requests()[0].help_context, 720);
    prompter.push_answer(std::nullopt);
    EXPECT_EQ(change_remote_permissions(ctx, mode, {}, keep), 0);
    EXPECT_EQ(change_remote_permissions(ctx, mode, {"x"}, [](int) { return 0; }), 0)
        << "every box unchecked is a Cancel";
    EXPECT_EQ(send_command(ctx, "NOOP").cls, ReplyClass::Completed);
    finish();
}

}  // namespace
}  // namespace varnix::test
