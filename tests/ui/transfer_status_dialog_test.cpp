// The "Transfer Status" dialog fed by the engine's progress display: the size found in the
// caption, the bar's percentage and drawing (unknown, over 100, beyond 4 GiB), HASH off,
// the place it reopens at, and Cancel ending a real download while the connection stays.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "net/net_fixture.h"
#include "transfer/get_put.h"
#include "transfer/progress.h"
#include "transfer/transfer_fixture.h"
#include "ui/dialog_checks.h"
#include "ui/qt_environment.h"
#include "ui/qt_services.h"
#include "ui/transfer_status_dialog.h"

namespace varnix::test {
namespace {

using namespace std::chrono_literals;

const auto* const qt_environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

class TransferStatus : public WithScriptedServer<TransferTest> {
protected:
    TransferStatus() {
        ctx.set_services(Services{&view, &prompter, &boxes, &qt_timers, &sound});
        install_blocking_hook(ctx);
        ctx.settings.show_transfer_dialog = 1;
        ctx.session.passive = 1;
        ctx.transfer.progress = &display;
        owner.resize(600, 400);
        owner.show();
    }
    // The loop's first steps: the caption, the display opened, the bar computed from a
    // status line.
    void open_with(const std::string& caption) {
        ctx.transfer.progress_caption = caption;
        open_progress_display(ctx, ProgressMode::Receiving);
    }
    ui::PercentBar* bar() const { return display.dialog()->bar(); }
    QString status() const { return display.dialog()->status(); }

    QWidget owner;
    ui::QtTimers qt_timers;
    std::vector<std::pair<ProgressMode, QString>> field;
    int cancels = 0;
    ui::QtProgressDisplay display{
        &owner, [this] { ++cancels; cancel_progress(ctx); },
        [this](ProgressMode mode, const QString& text) { field.emplace_back(mode, text); }};
};

TEST_F(TransferStatus, BarFollowsTheBytesAgainstTheAnnouncedSize) {
    open_with("150 Opening BINARY mode data connection for big.iso (5000000000 bytes).");
    ASSERT_NE(display.dialog(), nullptr);
    EXPECT_TRUE(display.dialog()->isVisible());
    EXPECT_EQ(display.dialog()->windowTitle(), "Transfer Status");
    EXPECT_EQ(display.dialog()->caption(),
              "150 Opening BINARY mode data connection for big.iso (5000000000 bytes).");
    EXPECT_EQ(ctx.transfer.expected_size, 5000000000);
    EXPECT_FALSE(bar()->shown());

    // Beyond 4 GiB the counts stay exact.
    set_status_field(ctx, "2500000000 : 1.00 Mbps : 0:20");
    EXPECT_EQ(status(), "2500000000 : 1.00 Mbps : 0:20");
    EXPECT_EQ(bar()->percent(), 50);
    EXPECT_EQ(bar()->text(), "50%");
    EXPECT_EQ(bar()->filled_width(), bar()->bar_width() / 2);
    save_picture(*display.dialog(), "transfer-status-50");

    set_status_field(ctx, "4999999999 : 1.00 Mbps");
    EXPECT_EQ(bar()->percent(), 99);
    EXPECT_EQ(bar()->filled_width(), bar()->bar_width() / 100 * 99);

    // A server that sends more than it announced: the bar is full and says so.
    set_status_field(ctx, "5500000000 : 1.00 Mbps");
    EXPECT_EQ(bar()->text(), "110%");
    EXPECT_EQ(bar()->filled_width(), bar()->bar_width());
    close_progress_display(ctx);
    EXPECT_EQ(display.dialog(), nullptr);
}

TEST_F(TransferStatus, BarIsDrawnGreyThenWhiteUpToAWholeHundredPixels) {
    open_with("Receiving 2000000 (2000000 bytes)");
    set_status_field(ctx, "1000000 : 8.00 Kbps");
    EXPECT_EQ(bar()->percent(), 50);  // 1000000 div 20000
    bar()->resize(257, bar()->height());
    EXPECT_EQ(bar()->bar_width(), 200);
    const QImage image = bar()->grab().toImage();
    const int middle = image.height() / 2;
    // Away from the border and from the centred text.
    EXPECT_EQ(image.pixelColor(10, middle), QColor(192, 192, 192));
    EXPECT_EQ(image.pixelColor(190, middle), QColor(Qt::white));
    EXPECT_NE(image.pixelColor(230, middle), QColor(Qt::white));
}

TEST_F(TransferStatus, UnknownAndEmptySizesShowNoBarButTheStatusLine) {
    for (const char* caption : {"Receiving binary file notes.txt", "150 Opening (0 bytes)",
                                "150 Opening data connection (12 kbytes)"}) {
        SCOPED_TRACE(caption);
        open_with(caption);
        set_status_field(ctx, "1234 : 9.87 Kbps");
        EXPECT_EQ(status(), "1234 : 9.87 Kbps");
        // "12 kbytes" counts as 12 bytes: 1234 of them is far beyond the end.
        const bool known = ctx.transfer.expected_size > 0;
        EXPECT_EQ(bar()->shown(), known);
        if (known) {
            EXPECT_EQ(bar()->text(), "10283%");
        }
        close_progress_display(ctx);
    }
    // The list entry's size stands in for a caption without one.
    ctx.last_entry_size = 2468;
    open_with("Receiving binary file notes.txt");
    set_status_field(ctx, "1234 : 9.87 Kbps");
    EXPECT_EQ(bar()->text(), "50%");
}

TEST_F(TransferStatus, WithoutHashTheCountGoesToTheStatusFieldOfTheDirection) {
    ctx.settings.show_transfer_dialog = 0;
    open_with("Sending binary file a.bin (10 bytes)");
    EXPECT_EQ(display.dialog(), nullptr);
    set_status_field(ctx, "10");
    ctx.transfer.progress_caption = "x";
    close_progress_display(ctx);
    set_status_field(ctx, "11");  // after the loop: nowhere
    ctx.transfer.progress->open(ProgressMode::Sending, false, "x");
    set_status_field(ctx, "12");
    ASSERT_EQ(field.size(), 2u);
    EXPECT_EQ(field[0], std::make_pair(ProgressMode::Receiving, QString("10")));
    EXPECT_EQ(field[1], std::make_pair(ProgressMode::Sending, QString("12")));
}

TEST_F(TransferStatus, ASecondDialogOpensWhereTheUserLeftTheFirst) {
    open_with("first (100 bytes)");
    const QPoint centred = display.dialog()->pos();
    display.dialog()->move(centred + QPoint(37, 23));
    QTest::qWait(10);
    close_progress_display(ctx);
    ASSERT_TRUE(display.last_geometry().has_value());
    open_with("second (100 bytes)");
    EXPECT_EQ(display.dialog()->pos(), centred + QPoint(37, 23));
    EXPECT_EQ(display.dialog()->caption(), "second (100 bytes)");
    EXPECT_FALSE(display.dialog()->bar()->shown());
    EXPECT_TRUE(display.dialog()->status().isEmpty());

    // The close box closes the window without cancelling anything.
    display.dialog()->close();
    EXPECT_EQ(display.dialog(), nullptr);
    EXPECT_EQ(cancels, 0);
    EXPECT_FALSE(ctx.cancel_requested);
}

TEST_F(TransferStatus, TypingInAnotherWindowIsNotInterruptedByANewTransfer) {
    QWidget log_window;
    log_window.show();
    log_window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&log_window, 2000));
    open_with("a (100 bytes)");
    EXPECT_TRUE(display.dialog()->testAttribute(Qt::WA_ShowWithoutActivating));
    close_progress_display(ctx);

    owner.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&owner, 2000));
    open_with("b (100 bytes)");
    EXPECT_FALSE(display.dialog()->testAttribute(Qt::WA_ShowWithoutActivating));
}

TEST_F(TransferStatus, ControlsFitAtNormalAndLargeFonts) {
    const QFont normal = QApplication::font();
    for (const double factor : {1.0, 2.0}) {
        QFont font = normal;
        font.setPointSizeF(normal.pointSizeF() * factor);
        QApplication::setFont(font);
        ui::TransferStatusDialog dialog(nullptr);
        dialog.reset("Receiving binary file /pub/linux/distributions/debian-12.4.0-amd64-DVD-1.iso "
                     "(3994091520 bytes)");
        const QString busy = "19999999999 : 1023.99 Kbps : 123:01 : 456:00";
        dialog.set_status(busy);
        dialog.set_bar(50, "50%");
        dialog.show();
        expect_tidy_layout(dialog);
        // The whole status line is seen.
        auto* status = dialog.findChild<QLabel*>("104");
        EXPECT_LE(status->fontMetrics().horizontalAdvance(busy), status->width());
        save_picture(dialog, QString("transfer-status-%1").arg(factor));
    }
    QApplication::setFont(normal);
}

TEST_F(TransferStatus, CancelEndsTheDownloadAndTheConnectionStaysUsable) {
    Pacing slow;
    slow.chunk = 4096;
    slow.pause = 20ms;
    slow.stop_on_command = true;
    server.expect("TYPE I").reply("200 binary")
          .expect("PASV").passive_reply().expect("RETR big.bin")
          .reply("150 Opening BINARY mode data connection for big.bin (4194304 bytes).")
          .data_send(binary_bytes(4 * 1024 * 1024), slow)
          .expect("ABOR").reply("426 transfer aborted").reply("226 abort done")
          .expect("NOOP").reply("200 still here");
    start_and_connect();
    bool clicked = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        // Cancel once the bar has moved, as a user would.
        ui::TransferStatusDialog* dialog = display.dialog();
        if (clicked || !dialog || !dialog->bar()->shown()) return;
        clicked = true;
        QTest::mouseClick(dialog->findChild<QPushButton*>("2"), Qt::LeftButton);
    });
    poll.start(50);
    std::string command = "RETR big.bin";
    const TransferOutcome outcome = get_file(ctx, command, path("big.bin"), TransferMode::Binary);
    EXPECT_EQ(outcome.reply_class, ReplyClass::Completed);
    poll.stop();
    EXPECT_TRUE(clicked);
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(display.dialog(), nullptr);
    EXPECT_EQ(outcome.status, varnix::TransferStatus::Cancelled);
    EXPECT_LT(std::filesystem::file_size(path("big.bin")), 4u * 1024 * 1024);
    EXPECT_TRUE(view.contains("You MAY have to press Cancel and/or Close this connection."));
    expect_usable();
    finish();
}

}  // namespace
}  // namespace varnix::test
