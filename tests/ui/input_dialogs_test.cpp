// The "Input" and "Password" dialogs and the history drop-down: ids, limits, echo, the
// sorted unique history, Help, and the prompter that shows them only while a window is up.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/headless.h"
#include "platform/messages.h"
#include "ui/dialog_checks.h"
#include "ui/input_dialogs.h"
#include "ui/qt_environment.h"

namespace varnix::test {
namespace {

const auto* const qt_environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

using ui::InputDialog;

template <class T>
T* child(const QWidget& dialog, int id) {
    return dialog.findChild<T*>(QString::number(id));
}

PromptRequest request(PromptKind kind, std::string prompt, std::string initial = {}) {
    PromptRequest r;
    r.kind = kind;
    r.prompt = std::move(prompt);
    r.initial = std::move(initial);
    return r;
}

TEST(InputDialogs, TemplatesCarryTheirIdsTitlesAndButtons) {
    for (const auto kind : {PromptKind::Text, PromptKind::Password, PromptKind::WithHistory}) {
        InputDialog dialog(kind, nullptr, [](int) {});
        dialog.set_request(request(kind, "Enter remote directory name:"));
        EXPECT_EQ(dialog.windowTitle(), kind == PromptKind::Password ? "Password" : "Input");
        ASSERT_NE(child<QLabel>(dialog, 3010), nullptr);
        EXPECT_EQ(child<QLabel>(dialog, 3010)->text(), "Enter remote directory name:");
        const bool history = kind == PromptKind::WithHistory;
        EXPECT_EQ(child<QComboBox>(dialog, 2405) != nullptr, history);
        EXPECT_EQ(child<QLineEdit>(dialog, 3020) != nullptr, !history);
        EXPECT_EQ(child<QPushButton>(dialog, 1)->text(), "OK");
        EXPECT_TRUE(child<QPushButton>(dialog, 1)->isDefault());
        EXPECT_EQ(child<QPushButton>(dialog, 2)->text(), "Cancel");
        EXPECT_EQ(child<QPushButton>(dialog, 9041)->text(), "&Help");
    }
}

TEST(InputDialogs, TypingKeepsTheFirst69CharactersAndThePasswordIsNotShown) {
    const QString typed(100, QChar('x'));
    for (const auto kind : {PromptKind::Text, PromptKind::Password, PromptKind::WithHistory}) {
        InputDialog dialog(kind, nullptr);
        dialog.set_request(request(kind, "Question:"));
        dialog.show();
        QTest::keyClicks(dialog.line_edit(), typed);
        EXPECT_EQ(dialog.answer(), std::string(69, 'x'));
        const bool password = kind == PromptKind::Password;
        EXPECT_EQ(dialog.line_edit()->echoMode(), password ? QLineEdit::Password : QLineEdit::Normal);
        EXPECT_EQ(dialog.line_edit()->displayText().contains('x'), !password);
    }
}

TEST(InputDialogs, AnswerIsCutAtACharacterBoundaryAndKeptNamesKeepTheirBytes) {
    InputDialog dialog(PromptKind::Text, nullptr);
    dialog.set_request(request(PromptKind::Text, "Name:"));
    dialog.line_edit()->setText(QString(69, QChar(0xE9)));  // 138 bytes of UTF-8
    const std::string cut = dialog.answer();
    EXPECT_EQ(cut.size(), 68u);
    EXPECT_EQ(QString::fromUtf8(cut), QString(34, QChar(0xE9)));

    // A Latin-1 name from a server: shown decoded, returned as the bytes it came as.
    const std::string latin1 = "caf\xE9";
    dialog.set_request(request(PromptKind::Text, "Name:", latin1));
    EXPECT_EQ(dialog.entry_text(), QString::fromUtf8("caf\xC3\xA9"));
    EXPECT_EQ(dialog.answer(), latin1);
    EXPECT_TRUE(dialog.line_edit()->hasSelectedText());
    EXPECT_EQ(dialog.line_edit()->selectedText(), dialog.entry_text());
}

TEST(InputDialogs, ANameForALatin1ServerIsShownAndTypedInLatin1) {
    InputDialog dialog(PromptKind::WithHistory, nullptr);
    PromptRequest r = request(PromptKind::WithHistory, "Enter remote directory name:", "/caf\xE9");
    r.choices = {"/pub/\xC4rger", "/caf\xE9"};
    r.name_charset = "ISO-8859-1";
    dialog.set_request(r);
    EXPECT_EQ(dialog.entry_text(), QString::fromUtf8("/caf\xC3\xA9"));
    EXPECT_EQ(dialog.combo_box()->itemText(1), QString::fromUtf8("/pub/\xC3\x84rger"));
    EXPECT_EQ(dialog.answer(), "/caf\xE9");  // kept: the bytes it came as

    dialog.line_edit()->setText(QString::fromUtf8("Gr\xC3\xBC\xC3\x9F" "e"));
    EXPECT_EQ(dialog.answer(), "Gr\xFC\xDF" "e");  // typed: Latin-1 bytes, not UTF-8
    dialog.line_edit()->setText(QString(69, QChar(0xE9)));
    EXPECT_EQ(dialog.answer(), std::string(69, '\xE9'));  // one byte each: all 69 fit
    // Latin-1 cannot hold it: sent as UTF-8 rather than as "??", which a server may glob.
    dialog.line_edit()->setText(QString::fromUtf8("\xE6\x97\xA5\xE6\x9C\xAC"));
    EXPECT_EQ(dialog.answer(), "\xE6\x97\xA5\xE6\x9C\xAC");

    // The next question without a character set types UTF-8 again.
    r.name_charset.clear();
    dialog.set_request(r);
    dialog.line_edit()->setText(QString::fromUtf8("Gr\xC3\xBC\xC3\x9F" "e"));
    EXPECT_EQ(dialog.answer(), "Gr\xC3\xBC\xC3\x9F" "e");
}

TEST(InputDialogs, HistoryListsEachCachedDirectoryOnceSorted) {
    InputDialog dialog(PromptKind::WithHistory, nullptr);
    PromptRequest r = request(PromptKind::WithHistory, "Enter remote directory name:", "/pub");
    r.choices = {"/pub", "/home/anna", "/pub", "/incoming", "/Incoming", "/home/anna", ""};
    dialog.set_request(r);
    QStringList items;
    for (int i = 0; i < dialog.combo_box()->count(); ++i) items << dialog.combo_box()->itemText(i);
    EXPECT_EQ(items, QStringList({"/home/anna", "/Incoming", "/incoming", "/pub"}));
    EXPECT_EQ(dialog.entry_text(), "/pub");

    // A second question starts from an empty list again, and a name is never markup.
    r.prompt = "Enter new name for \"<b>a&b</b>\":";
    r.choices = {"/tmp"};
    dialog.set_request(r);
    EXPECT_EQ(dialog.combo_box()->count(), 1);
    EXPECT_EQ(child<QLabel>(dialog, 3010)->textFormat(), Qt::PlainText);
    EXPECT_EQ(child<QLabel>(dialog, 3010)->text(), "Enter new name for \"<b>a&b</b>\":");

    dialog.combo_box()->setCurrentIndex(0);
    EXPECT_EQ(dialog.answer(), "/tmp");
}

TEST(InputDialogs, OkCancelAndHelpThroughTheModalDialog) {
    std::vector<int> help_asked;
    const ui::HelpHook help = [&](int context) { help_asked.push_back(context); };
    PromptRequest r = request(PromptKind::Text, "Enter SITE string:", "old");
    r.help_context = 700;

    when_modal([](QWidget* modal) {
        auto* edit = child<QLineEdit>(*modal, 3020);
        QTest::keyClicks(edit, "chmod 644 a");  // replaces the selected "old"
        QTest::keyClick(edit, Qt::Key_F1);  // from the entry that has the focus
        QTest::mouseClick(child<QPushButton>(*modal, 9041), Qt::LeftButton);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_EQ(InputDialog::ask(r, nullptr, help), "chmod 644 a");
    EXPECT_EQ(help_asked, (std::vector<int>{700, 700}));

    when_modal([](QWidget* modal) {
        QTest::keyClick(modal, Qt::Key_F2);
        QTest::mouseClick(child<QPushButton>(*modal, 2), Qt::LeftButton);
    });
    r.help_context = 0;
    EXPECT_EQ(InputDialog::ask(r, nullptr, help), std::nullopt);
    EXPECT_EQ(help_asked.back(), 0);  // no context: the help index
}

TEST(InputDialogs, ControlsFitAtNormalAndLargeFontsAndLongPromptsGrowTheDialog) {
    const QFont normal = QApplication::font();
    const std::string long_prompt =
        "Please enter the /home/anna/projects/with/a/rather/long/path/that/has/no/blanks/at/all "
        "destination directory:";
    for (const double factor : {1.0, 2.0}) {
        QFont font = normal;
        font.setPointSizeF(normal.pointSizeF() * factor);
        QApplication::setFont(font);
        for (const auto kind : {PromptKind::Text, PromptKind::Password, PromptKind::WithHistory}) {
            SCOPED_TRACE(static_cast<int>(kind) * 10 + static_cast<int>(factor));
            InputDialog dialog(kind, nullptr, [](int) {});
            dialog.set_request(request(kind, "Enter remote directory name:", "/pub/incoming"));
            dialog.show();
            expect_tidy_layout(dialog);
            const QString suffix = QString("%1-%2").arg(static_cast<int>(kind)).arg(factor);
            save_picture(dialog, "input-" + suffix);
            const int short_height = dialog.height();

            dialog.set_request(request(kind, long_prompt));
            expect_tidy_layout(dialog);
            auto* label = child<ui::PromptLabel>(dialog, 3010);
            EXPECT_GE(label->height(), label->height_for(label->width()));
            EXPECT_GT(dialog.height(), short_height);
            save_picture(dialog, "input-long-" + suffix);
        }
    }
    QApplication::setFont(normal);
}

class QtPrompterTest : public ::testing::Test {
protected:
    QWidget owner;
    ScriptedPrompter terminal;
    ui::QtPrompter prompter{[this] { return &owner; }, &terminal, {}};
    Prompts prompts{&prompter};
};

TEST_F(QtPrompterTest, TheFallbackAnswersWhileTheWindowIsNotUp) {
    terminal.push_answer("from the terminal");
    std::string buffer = "before";
    EXPECT_EQ(prompts.ask_text(&buffer, "Enter local file name:"), 1);
    EXPECT_EQ(buffer, "from the terminal");
    EXPECT_EQ(terminal.requests().size(), 1u);
}

TEST_F(QtPrompterTest, TheDialogAnswersOnceTheWindowIsShownAndCancelKeepsTheBuffer) {
    owner.show();
    when_modal([](QWidget* modal) {
        EXPECT_EQ(modal->windowTitle(), "Password");
        QTest::keyClicks(child<QLineEdit>(*modal, 3020), "secret");
        QTest::mouseClick(child<QPushButton>(*modal, 1), Qt::LeftButton);
    });
    std::string password;
    EXPECT_EQ(prompts.ask_password(password, "Password required:"), 1);
    EXPECT_EQ(password, "secret");

    when_modal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    std::string buffer = "kept";
    EXPECT_EQ(prompts.ask_text(&buffer, "Enter local file name:"), 0);
    EXPECT_EQ(buffer, "kept");
    EXPECT_TRUE(terminal.requests().empty());
}

}  // namespace
}  // namespace varnix::test
