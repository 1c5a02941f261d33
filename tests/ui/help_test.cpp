// The manual has a section for every help context the program uses, its links lead to pages
// and anchors that exist, and show_help and F1 open the right section.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <gtest/gtest.h>

#include "ui/help/help_contents.h"
#include "ui/help/help_contexts.h"
#include "ui/help/help_window.h"

namespace varnix::test {
namespace {

namespace help = ui::help;

QString to_qstring(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString read_page(const QString& page) {
    QFile file(":/manual/" + page);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

// The anchors as the help window's browser sees them after reading the page.
std::set<QString> anchors_of(const QString& html) {
    QTextDocument document;
    document.setHtml(html);
    std::set<QString> names;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            for (const QString& name : it.fragment().charFormat().anchorNames()) names.insert(name);
        }
    }
    return names;
}

std::map<QString, std::set<QString>> manual_anchors() {
    std::map<QString, std::set<QString>> pages;
    for (const QString& page : QDir(":/manual").entryList({"*.html"})) {
        pages[page] = anchors_of(read_page(page));
    }
    return pages;
}

bool in_table(int context) {
    for (const help::HelpTopic& topic : help::help_topics()) {
        if (topic.context == context) return true;
    }
    return false;
}

std::filesystem::path source_root() { return VARNIX_SOURCE_DIR; }

std::string read_text(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class Help : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QApplication::instance()) {
            static int argc = 1;
            static char name[] = "ui_tests";
            static char* argv[] = {name, nullptr};
            static QApplication app(argc, argv);
        }
    }
    void TearDown() override { delete ui::help_window(); }

    static QUrl shown() {
        ui::HelpWindow* window = ui::help_window();
        return window ? window->current_url() : QUrl();
    }
    // The first line of text at the top of the help window's view.
    static QString top_line() {
        QTextBrowser* browser = ui::help_window()->browser();
        return browser->cursorForPosition(QPoint(4, 4)).block().text();
    }
    // Whether the heading with that text is within the help window's view.
    static bool heading_in_view(const QString& title) {
        QTextBrowser* browser = ui::help_window()->browser();
        for (QTextBlock block = browser->document()->begin(); block.isValid();
             block = block.next()) {
            if (block.text() != title) continue;
            QTextCursor cursor(block);
            return browser->viewport()->rect().contains(browser->cursorRect(cursor));
        }
        return false;
    }
};

TEST_F(Help, EveryContextHasASectionInTheManual) {
    const auto pages = manual_anchors();
    ASSERT_GE(pages.size(), 5u) << "the manual is compiled in as :/manual";
    std::set<int> seen;
    for (const help::HelpTopic& topic : help::help_topics()) {
        SCOPED_TRACE(topic.context);
        EXPECT_TRUE(seen.insert(topic.context).second) << "context listed twice";
        EXPECT_FALSE(topic.title.empty());
        const auto page = pages.find(to_qstring(topic.page));
        ASSERT_NE(page, pages.end()) << "no page " << topic.page;
        if (!topic.anchor.empty()) {
            EXPECT_TRUE(page->second.contains(to_qstring(topic.anchor)))
                << topic.page << " has no anchor " << topic.anchor;
        }
    }
    EXPECT_EQ(help::help_topic(help::contents).page, help::contents_page);
}

TEST_F(Help, EveryContextTheCodeNamesIsInTheTable) {
    // The constants of the header, read as text so a new one cannot be forgotten here.
    const std::string header = read_text(source_root() / "src/ui/help/help_contexts.h");
    const QRegularExpression constant(R"(inline constexpr int (\w+) = (\d+);)");
    int constants = 0;
    for (const auto& match : constant.globalMatch(QString::fromStdString(header))) {
        ++constants;
        EXPECT_TRUE(in_table(match.captured(2).toInt())) << match.captured(1).toStdString();
    }
    EXPECT_GE(constants, 30);

    // Help numbers named or passed anywhere else in the program: constants whose name speaks
    // of help, and numbers handed straight to the help functions.
    const QRegularExpression elsewhere(
        R"((?:constexpr int \w*help\w* = |set_help_context\(|)"
        R"((?:show_help|set_control_help|install_help_keys)\([^,()]*, *)(\d+))");
    int found = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(source_root() / "src")) {
        const auto extension = entry.path().extension();
        if (extension != ".h" && extension != ".cpp") continue;
        const QString text = QString::fromStdString(read_text(entry.path()));
        for (const auto& match : elsewhere.globalMatch(text)) {
            ++found;
            const int context = match.captured(1).toInt();
            EXPECT_TRUE(context <= help::contents || in_table(context))
                << entry.path().string() << ": " << match.captured(0).toStdString();
        }
    }
    EXPECT_GE(found, 4) << "the logon and e-mail prompts name their help topics";
}

TEST_F(Help, LinksLeadToPagesAndAnchorsThatExist) {
    const auto pages = manual_anchors();
    const QRegularExpression link(R"re(href="([^"]*)")re");
    int links = 0;
    for (const auto& [page, anchors] : pages) {
        for (const auto& match : link.globalMatch(read_page(page))) {
            ++links;
            const QString target = match.captured(1);
            SCOPED_TRACE((page + " -> " + target).toStdString());
            EXPECT_FALSE(target.contains(':')) << "the manual links only to itself";
            const QString target_page = target.section('#', 0, 0).isEmpty()
                                            ? page
                                            : target.section('#', 0, 0);
            const QString anchor = target.section('#', 1);
            const auto found = pages.find(target_page);
            if (target_page.endsWith(".css")) continue;
            ASSERT_NE(found, pages.end());
            if (!anchor.isEmpty()) {
                EXPECT_TRUE(found->second.contains(anchor));
            }
        }
    }
    EXPECT_GT(links, 50);
}

TEST_F(Help, ShowHelpOpensTheContextsSection) {
    ui::show_help(nullptr, help::session_options);
    ASSERT_NE(ui::help_window(), nullptr);
    EXPECT_TRUE(ui::help_window()->isVisible());
    EXPECT_EQ(shown().fileName(), "options.html");
    EXPECT_EQ(shown().fragment(), "session");
    EXPECT_EQ(top_line(), "Session Options");
    EXPECT_TRUE(heading_in_view("Session Options"));
    EXPECT_FALSE(heading_in_view("The Options dialog"));

    // Another section of another page, then the contents for 0, 1..10 and unknown numbers.
    ui::show_help(nullptr, help::firewall_password);
    EXPECT_EQ(shown().fileName(), "firewall.html");
    EXPECT_TRUE(heading_in_view("The firewall password"));  // the page's end: not at the top
    EXPECT_FALSE(heading_in_view("Firewalls and proxies"));
    for (const int context : {0, 1, help::contents, 99999}) {
        ui::show_help(nullptr, context);
        EXPECT_EQ(shown().fileName(), "index.html") << context;
        EXPECT_EQ(ui::help_window()->browser()->verticalScrollBar()->value(), 0);
    }
    EXPECT_TRUE(ui::help_window()->browser()->isBackwardAvailable());
}

TEST_F(Help, F1InADialogOpensItsSectionAndTheWindowTakesInput) {
    auto dialog = std::make_unique<QDialog>();
    auto* edit = new QLineEdit(dialog.get());
    (new QVBoxLayout(dialog.get()))->addWidget(edit);
    ui::install_help_keys(dialog.get(), help::ascii_extensions);
    dialog->setModal(true);
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    edit->setFocus();

    QTest::keyClick(edit, Qt::Key_F1);
    ASSERT_NE(ui::help_window(), nullptr);
    EXPECT_EQ(shown().fragment(), "ascii-extensions");
    EXPECT_EQ(top_line(), "Auto Detect Extensions");
    // Help opened from a modal dialog belongs to it, or the dialog would block its input.
    EXPECT_EQ(ui::help_window()->parentWidget(), dialog.get());

    // When the dialog closes the manual stays open, a window of its own.
    dialog->done(QDialog::Accepted);
    dialog.reset();
    ASSERT_NE(ui::help_window(), nullptr);
    EXPECT_EQ(ui::help_window()->parentWidget(), nullptr);
    EXPECT_TRUE(ui::help_window()->isVisible());
    EXPECT_EQ(shown().fragment(), "ascii-extensions");
}

TEST_F(Help, MainWindowKeysOpenContentsMainWindowAndTheFocusedControlsSection) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* directories = new QLineEdit(&window);
    auto* plain = new QLineEdit(&window);
    layout->addWidget(directories);
    layout->addWidget(plain);
    ui::set_control_help(directories, help::directory_lists);
    ui::install_main_window_help_keys(&window);
    window.show();
    // Help takes the focus; the keys below go to the main window again.
    const auto activate = [&window] {
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    };
    ASSERT_TRUE(activate());

    directories->setFocus();
    QTest::keyClick(directories, Qt::Key_F1, Qt::ControlModifier);
    EXPECT_EQ(shown().fileName(), "window.html");
    EXPECT_EQ(shown().fragment(), "directories");

    // A control without a number of its own: the contents, as for F1.
    ASSERT_TRUE(activate());
    plain->setFocus();
    QTest::keyClick(plain, Qt::Key_F1, Qt::ControlModifier);
    EXPECT_EQ(shown().fileName(), "index.html");
    EXPECT_EQ(ui::control_help(plain), 0);

    ASSERT_TRUE(activate());
    QTest::keyClick(plain, Qt::Key_F2);
    EXPECT_EQ(shown().fragment(), "main");
    ASSERT_TRUE(activate());
    QTest::keyClick(directories, Qt::Key_F1);
    EXPECT_EQ(shown().fileName(), "index.html");
    EXPECT_FALSE(shown().hasFragment());
}

TEST_F(Help, ContentsTreeHoldsEveryPageAndFollowsTheSectionShown) {
    const QStringList pages = QDir(":/manual").entryList({"*.html"});
    for (const QString& page : pages) {
        EXPECT_TRUE(ui::manual_pages().contains(page)) << page.toStdString() << " not in the contents";
    }
    ui::show_help(nullptr, help::firewall_password);
    QTreeWidget* tree = ui::help_window()->contents_tree();
    ASSERT_EQ(tree->topLevelItemCount(), ui::manual_pages().size());
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "VARNIX Help");
    ASSERT_NE(tree->currentItem(), nullptr);
    EXPECT_EQ(tree->currentItem()->text(0), "The firewall password");
    EXPECT_EQ(tree->currentItem()->parent()->text(0), "Firewalls and proxies");

    // A click on a section in the tree opens it.
    const auto found = tree->findItems("Session Options", Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(found.size(), 1);
    tree->scrollToItem(found.front());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->visualItemRect(found.front()).center());
    EXPECT_EQ(shown().fileName(), "options.html");
    EXPECT_EQ(shown().fragment(), "session");
    EXPECT_EQ(top_line(), "Session Options");
}

TEST_F(Help, FindSearchesThePageAndWrapsAround) {
    ui::show_help(nullptr, help::program_options);
    ui::HelpWindow* window = ui::help_window();
    ASSERT_NE(window, nullptr);
    // Case does not matter; a text found once is found again after wrapping around.
    ASSERT_TRUE(window->find("scale fonts"));
    const QTextCursor first = window->browser()->textCursor();
    EXPECT_EQ(first.selectedText(), "Scale Fonts");
    EXPECT_TRUE(window->find("scale fonts"));
    EXPECT_EQ(window->browser()->textCursor().position(), first.position());
    EXPECT_TRUE(window->find("scale fonts", true));
    EXPECT_EQ(window->browser()->textCursor().position(), first.position());
    EXPECT_FALSE(window->find("no such text in the manual"));
}

}  // namespace
}  // namespace varnix::test
