// Ctrl+F1 everywhere: every control of the main window and every focusable control of each
// dialog leads to a section of its own in the manual, never just the contents.
#include <QDialog>
#include <QTest>
#include <gtest/gtest.h>

#include "transfer/transfer_context.h"
#include "ui/dialog_fixture.h"
#include "ui/dialogs/advanced_profile_dialog.h"
#include "ui/dialogs/associations.h"
#include "ui/dialogs/extension_dialogs.h"
#include "ui/dialogs/options_dialog.h"
#include "ui/dialogs/permissions_dialog.h"
#include "ui/dialogs/pro_options_dialog.h"
#include "ui/dialogs/profile_dialog.h"
#include "ui/dialogs/program_options_dialog.h"
#include "ui/dialogs/session_options_dialog.h"
#include "ui/about_box.h"
#include "ui/delete_dialog.h"
#include "ui/help/help_contexts.h"
#include "ui/help/help_window.h"
#include "ui/transfer_status_dialog.h"
#include "ui/layout.h"
#include "ui/main_window.h"

namespace varnix::test {
namespace {

using namespace ui;

bool has_own_section(int context) {
    return context > help::contents && help::help_topic(context).context == context;
}

TEST(ControlHelp, EveryMainWindowControlHasASection) {
    for (int i = 0; i < control_count; ++i) {
        const int context = control_help_section(i);
        EXPECT_TRUE(has_own_section(context)) << ControlTable[static_cast<std::size_t>(i)].name << " " << context;
        // Where the table names a section, that one.
        if (ControlTable[static_cast<std::size_t>(i)].help > help::contents) {
            EXPECT_EQ(context, ControlTable[static_cast<std::size_t>(i)].help);
        }
    }
    EXPECT_EQ(control_help_section(ctl::exit), help::command_buttons);
    EXPECT_EQ(control_help_section(ctl::remote_files), help::file_lists);
}

class DialogControlHelp : public DialogTest<TransferContext> {
protected:
    void SetUp() override {
        write_ini("[_config_]\nMAILADDR=me@example.org\n[work]\nHOST=ftp.example.org\nUID=anna\n");
        ctx.ascii_list_path = dir.path().string() + "/VARNIX.EXT";
        ctx.conversion_table_path = dir.path().string() + "/VARNIX.CNV";
        ctx.session.name = "work";
        hooks.help = [this](int context) { asked.push_back(context); };
        hooks.window_placement = [] { return std::optional<WindowPlacement>(); };
    }
    // Ctrl+F1 on each control that can take the focus; returns the sections opened.
    std::vector<int> press_on_each_control(QDialog& dialog, const char* name) {
        dialog.show();
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog)) << name;
        std::vector<int> opened;
        int controls = 0;
        for (QWidget* w : dialog.findChildren<QWidget*>()) {
            if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(&dialog) || !w->isEnabled()) continue;
            ++controls;
            w->setFocus();
            asked.clear();
            QTest::keyClick(w, Qt::Key_F1, Qt::ControlModifier);
            EXPECT_EQ(asked.size(), 1u) << name << " " << w->objectName().toStdString();
            for (int context : asked) {
                EXPECT_TRUE(has_own_section(context)) << name << " " << w->objectName().toStdString();
                opened.push_back(context);
            }
        }
        EXPECT_GE(controls, 2) << name;
        dialog.hide();
        return opened;
    }
    OptionsHooks hooks;
    std::vector<int> asked;
};

TEST_F(DialogControlHelp, EveryControlOfEachDialogLeadsToASection) {
    HelpHook help = hooks.help;
    ProfileEditState state;
    auto all = [](const std::vector<int>& opened, int context) {
        return !opened.empty() && std::all_of(opened.begin(), opened.end(), [&](int c) { return c == context; });
    };
    {
        ProfileDialog d(ctx, state, help);
        EXPECT_FALSE(press_on_each_control(d, "profile").empty());
    }
    {
        AdvancedProfileDialog d(ctx, state, help);
        EXPECT_FALSE(press_on_each_control(d, "advanced").empty());
    }
    {
        OptionsDialog d(ctx, hooks);
        EXPECT_TRUE(all(press_on_each_control(d, "options"), help::options));
    }
    {
        ProgramOptionsDialog d(ctx, hooks);
        EXPECT_TRUE(all(press_on_each_control(d, "program"), help::program_options));
    }
    {
        SessionOptionsDialog d(ctx, hooks);
        EXPECT_TRUE(all(press_on_each_control(d, "session"), help::session_options));
    }
    {
        ProOptionsDialog d(ctx, hooks);
        const std::vector<int> opened = press_on_each_control(d, "pro");
        // The drag-and-drop box has a section of its own; the rest is the dialog's.
        EXPECT_EQ(std::count(opened.begin(), opened.end(), help::drag_and_drop), 1);
        EXPECT_EQ(std::count(opened.begin(), opened.end(), help::pro_options), static_cast<long>(opened.size()) - 1);
    }
    {
        AsciiExtensionsDialog d(ctx, help);
        EXPECT_TRUE(all(press_on_each_control(d, "ascii"), help::ascii_extensions));
    }
    {
        ConvertExtensionsDialog d(ctx, help);
        EXPECT_TRUE(all(press_on_each_control(d, "convert"), help::extension_conversions));
    }
    {
        AssociateDialog d(ctx, "txt", hooks);
        EXPECT_TRUE(all(press_on_each_control(d, "associate"), help::associate));
    }
    {
        PermissionsDialog d(644, help);
        EXPECT_TRUE(all(press_on_each_control(d, "permissions"), help::remote_permissions));
    }
}

// The program's own small windows open their section with F1 and Ctrl+F1 from any control.
TEST(ControlHelp, VerifyDeletionTransferStatusAndAboutOpenTheirSections) {
    DeleteDialog deletion("Are you sure you want to delete \"a.txt\"?", 3);
    TransferStatusDialog status(nullptr);
    AboutBox about("/");
    const std::pair<QDialog*, const char*> windows[] = {
        {&deletion, "delete"}, {&status, "progress"}, {&about, "command-row"}};
    for (const auto& [window, anchor] : windows) {
        window->show();
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(window)) continue;
            window->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(window)) << anchor;
            w->setFocus();
            QTest::keyClick(w, Qt::Key_F1, Qt::ControlModifier);
            ASSERT_NE(help_window(), nullptr);
            EXPECT_EQ(help_window()->current_url().fragment().toStdString(), anchor)
                << w->objectName().toStdString();
            help_window()->open(help_url(help::contents));  // so that the next key must move it
        }
        window->hide();
    }
}

}  // namespace
}  // namespace varnix::test
