// The "Message Log" window: the history when it opens, lines appended while open, copy and
// select all, "Save as..." writing the stored history, its placement, and the popup hook.
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "platform/messages.h"
#include "support/temp_dir.h"
#include "ui/dialog_checks.h"
#include "ui/message_log_window.h"
#include "ui/qt_environment.h"

namespace varnix::test {
namespace {

const auto* const qt_environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

using ui::MessageLogWindow;

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class MessageLog : public ::testing::Test {
protected:
    // What the engine does for each printed line: history first, then the open window.
    void print(const std::string& line) {
        messages.append_to_history(line);
        if (window) window->append_line(QString::fromStdString(line));
    }
    MessageLogWindow* open() { return ui::show_log_window(window, messages, nullptr, hooks); }
    void close_window() {
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    MessageOutput messages;
    MessageLogWindow::Hooks hooks;
    QPointer<MessageLogWindow> window;
    TempDir dir;
};

TEST_F(MessageLog, OpensWithTheHistorySelectedAndKeepsEveryLineItReceives) {
    for (int i = 1; i <= 60; ++i) print("line " + std::to_string(i));
    open();
    EXPECT_EQ(window->windowTitle(), "Message Log");
    EXPECT_TRUE(window->text().startsWith("line 1\nline 2\n"));
    EXPECT_TRUE(window->text().endsWith("line 60\n"));
    EXPECT_EQ(window->edit()->textCursor().selectedText().size(), window->text().size());

    const std::string long_line(150, 'L');
    print("line 61");
    print(long_line);
    // The open window keeps what it got, the long line whole.
    EXPECT_TRUE(window->text().startsWith("line 1\n"));
    EXPECT_TRUE(window->text().endsWith("line 61\n" + QString(150, 'L') + "\n"));

    // Closed and opened again: the history anew, which dropped the oldest lines and cut
    // the long one.
    close_window();
    EXPECT_TRUE(window.isNull());
    open();
    EXPECT_TRUE(window->text().startsWith("line 3\n"));
    EXPECT_TRUE(window->text().endsWith("line 61\n" + QString(99, 'L') + "\n"));
}

TEST_F(MessageLog, CopyPutsTheSelectionOnTheClipboardThenSelectsAll) {
    print("220 ready");
    print("USER anna");
    open();
    QTextCursor cursor = window->edit()->textCursor();
    cursor.setPosition(4);
    cursor.setPosition(9, QTextCursor::KeepAnchor);
    window->edit()->setTextCursor(cursor);
    window->findChild<QAction*>("2200")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "ready");
    EXPECT_EQ(window->edit()->textCursor().selectedText().size(), window->text().size());

    window->edit()->moveCursor(QTextCursor::End);
    window->findChild<QAction*>("2201")->trigger();
    EXPECT_EQ(window->edit()->textCursor().selectedText().size(), window->text().size());
}

TEST_F(MessageLog, SaveAsWritesTheStoredHistoryAndAnUnwritableFileIsSkipped) {
    for (int i = 1; i <= 61; ++i) print("line " + std::to_string(i));
    print(std::string(150, 'L') + "\xE9");  // bytes, not necessarily UTF-8
    open();
    const std::string target = (dir.path() / "saved.txt").string();
    when_modal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        // Typed, as a user would (selectFile() leaves an entry that has the focus alone).
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(name->text(), "message-log.txt");
        name->setText(QString::fromStdString(target));
        static_cast<QDialog*>(dialog)->accept();
  // QFileDialog's own accept() checks the name
    });
    window->findChild<QAction*>("5556")->trigger();
    std::string expected;
    for (int i = 3; i <= 61; ++i) expected += "line " + std::to_string(i) + "\n";
    expected += std::string(99, 'L') + "\n";
    EXPECT_EQ(read_file(target), expected);

    EXPECT_FALSE(window->save_history_to(QString::fromStdString((dir.path() / "no/such/dir/x").string())));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "no"));
    // Cancelling the file dialog writes nothing.
    std::filesystem::remove(target);
    when_modal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    window->save_log_as();
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST_F(MessageLog, OpensBelowTheMainWindowsTopAndIsRaisedWhenOpenAlready) {
    QWidget main_window;
    main_window.setGeometry(100, 80, 640, 480);
    main_window.show();
    for (const char* line : {"220 ProFTPD Server (Demo) [127.0.0.1]", "USER anna",
                             "331 Password required for anna", "PASS xxxxxx", "230 User anna logged in",
                             "PWD", "257 \"/home/anna\" is the current directory"}) {
        print(line);
    }
    MessageLogWindow* first = ui::show_log_window(window, messages, &main_window, hooks);
    EXPECT_EQ(first->frameGeometry().left(), main_window.frameGeometry().left());
    EXPECT_EQ(first->frameGeometry().top(), main_window.frameGeometry().top() + 40);
    EXPECT_EQ(first->width(), 640);
    EXPECT_EQ(first->height(), 240);
    EXPECT_EQ(ui::show_log_window(window, messages, &main_window, hooks), first);
    save_picture(*first, "message-log");
}

TEST_F(MessageLog, RightButtonAndDoubleClickReachThePopupMenu) {
    std::vector<QPoint> asked;
    hooks.popup = [&](QWidget* over, QPoint at) {
        EXPECT_EQ(over->objectName(), "5554");
        asked.push_back(at);
    };
    print("one line");
    open();
    QWidget* viewport = window->edit()->viewport();
    QTest::mouseClick(viewport, Qt::RightButton, {}, QPoint(20, 5));
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(30, 5));
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], viewport->mapToGlobal(QPoint(20, 5)));
}

TEST_F(MessageLog, MenuHasTheFileAndEditCommands) {
    open();
    QStringList ids;
    for (const QAction* action : window->findChildren<QAction*>()) {
        if (!action->objectName().isEmpty()) ids << action->objectName() + "=" + action->text();
    }
    ids.sort();
    EXPECT_EQ(ids, QStringList({"2200=&Copy", "2201=Select &All", "5555=E&xit", "5556=&Save as..."}));
    window->findChild<QAction*>("5555")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

}  // namespace
}  // namespace varnix::test
