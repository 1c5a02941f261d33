// Pictures of every dialog for a person to judge (labels readable, nothing cut off): with
// VARNIX_DIALOG_SHOTS naming a folder, each dialog is shown at its natural size and saved
// there as a PNG. Without it the test is skipped.
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <QTest>
#include <gtest/gtest.h>

#include "transfer/transfer_context.h"
#include "ui/dialog_fixture.h"
#include "ui/certificate_dialog.h"
#include "ui/drag_drop.h"
#include "ui/dialogs/advanced_profile_dialog.h"
#include "ui/dialogs/associations.h"
#include "ui/dialogs/extension_dialogs.h"
#include "ui/dialogs/options_dialog.h"
#include "ui/dialogs/permissions_dialog.h"
#include "ui/dialogs/pro_options_dialog.h"
#include "ui/dialogs/profile_dialog.h"
#include "ui/dialogs/program_options_dialog.h"
#include "ui/dialogs/session_options_dialog.h"

namespace varnix::test {
namespace {

using namespace ui;

class DialogScreenshots : public DialogTest<TransferContext> {
protected:
    void SetUp() override {
        folder = qEnvironmentVariable("VARNIX_DIALOG_SHOTS");
        if (folder.isEmpty()) GTEST_SKIP() << "VARNIX_DIALOG_SHOTS names no folder";
        ASSERT_TRUE(QDir().mkpath(folder));
        write_ini("[_config_]\nMAILADDR=me@example.org\n[Demo]\nHOST=127.0.0.1\nUID=anonymous\n"
                  "COMMENT=The demo server\n[work]\nHOST=ftp.example.org\nUID=anna\n");
        write_file(ctx.user_profile_path, "[Extensions]\ntxt=gedit ^.txt\npdf=evince ^.pdf\n");
        ctx.ascii_list_path = dir.path().string() + "/VARNIX.EXT";
        ctx.conversion_table_path = dir.path().string() + "/VARNIX.CNV";
        write_file(ctx.conversion_table_path, "html=htm\njpeg=jpg\n");
        ctx.session.name = "work";
    }
    void shoot(QDialog& dialog, const char* name) {
        dialog.show();
        dialog.adjustSize();
        QTest::qWait(50);
        const QString path = folder + "/dialog-" + name + ".png";
        EXPECT_TRUE(dialog.grab().save(path)) << path.toStdString();
        dialog.hide();
    }
    QString folder;
};

TEST_F(DialogScreenshots, EveryDialog) {
    ProfileEditState state;
    {
        ProfileDialog d(ctx, state, nullptr);
        shoot(d, "profile");
    }
    {
        AdvancedProfileDialog d(ctx, state, nullptr);
        control<QComboBox>(d, 4100)->setCurrentIndex(1);  // the longest TLS choice must fit
        shoot(d, "advanced_profile");
    }
    OptionsHooks hooks;
    hooks.window_placement = [] { return std::optional<WindowPlacement>(); };
    {
        OptionsDialog d(ctx, hooks);
        shoot(d, "options");
    }
    {
        ProgramOptionsDialog d(ctx, hooks);
        shoot(d, "program_options");
    }
    {
        SessionOptionsDialog d(ctx, hooks);
        shoot(d, "session_options");
    }
    {
        ProOptionsDialog d(ctx, hooks);
        shoot(d, "pro_options");
    }
    {
        SortDialog d(ctx.settings, Pane::Local, nullptr);
        shoot(d, "sort");
    }
    {
        AsciiExtensionsDialog d(ctx, nullptr);
        shoot(d, "ascii_extensions");
    }
    {
        ConvertExtensionsDialog d(ctx, nullptr);
        shoot(d, "convert_extensions");
    }
    {
        AssociateDialog d(ctx, "txt", hooks);
        shoot(d, "associate");
    }
    {
        PermissionsDialog d(644, nullptr);
        shoot(d, "permissions");
    }
    {
        CertificateInfo c;
        c.subject = "CN = ftp.example.org, O = Example Research Laboratory, L = Oxford, C = GB";
        c.issuer = c.subject;
        c.not_before = "2026-01-05 09:14:03 UTC";
        c.not_after = "2027-01-05 09:14:03 UTC";
        c.fingerprint = "SHA256:" + std::string(32, 'A') + std::string(32, '7');
        c.reason = "self-signed certificate";
        CertificateDialog d(CertificateQuestion{"ftp.example.org", 21, c}, nullptr);
        shoot(d, "certificate");
    }
}

// The three drag cursors, four times their size on a light and a dark ground.
TEST_F(DialogScreenshots, DragCursors) {
    const std::pair<DragCursor, const char*> cursors[] = {
        {DragCursor::One, "one"}, {DragCursor::Several, "several"}, {DragCursor::NoDrop, "nodrop"}};
    for (const auto& [which, name] : cursors) {
        const QPixmap& cursor = drag_cursor(which);
        QPixmap sheet(cursor.width() * 8, cursor.height() * 4);
        QPainter p(&sheet);
        p.fillRect(QRect(0, 0, sheet.width() / 2, sheet.height()), QColor(240, 240, 240));
        p.fillRect(QRect(sheet.width() / 2, 0, sheet.width() / 2, sheet.height()), QColor(40, 40, 60));
        const QPixmap big = cursor.scaled(cursor.size() * 4, Qt::KeepAspectRatio, Qt::FastTransformation);
        p.drawPixmap(0, 0, big);
        p.drawPixmap(sheet.width() / 2, 0, big);
        p.end();
        const QString path = folder + "/drag-cursor-" + name + ".png";
        EXPECT_TRUE(sheet.save(path)) << path.toStdString();
    }
}

}  // namespace
}  // namespace varnix::test
