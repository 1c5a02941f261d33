// The message history, its diagnostic filter and batch mirror, and the one-line prompts.
#include <gmock/gmock.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/headless.h"
#include "platform/messages.h"

namespace varnix {
namespace {

using ::testing::ElementsAre;

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class Messages : public ::testing::Test {
protected:
    Messages() : out(&view) {}
    RecordingMessageView view;
    MessageOutput out;
};

TEST_F(Messages, HistoryKeepsTheNewestSixtyLines) {
    for (int i = 1; i <= 61; ++i) out.print_message("line %d", i);
    const auto history = out.history();
    ASSERT_EQ(history.size(), 60u);
    EXPECT_EQ(history.front(), "line 2");
    EXPECT_EQ(history.back(), "line 61");
    EXPECT_EQ(view.upper(), "line 60");
    EXPECT_EQ(view.lower(), "line 61");
}

TEST_F(Messages, LongLinesAreCutInTheHistoryButWholeInTheMirror) {
    const auto dir = std::filesystem::temp_directory_path() / "varnix-messages-test";
    std::filesystem::create_directories(dir);
    const auto mirror = dir / "xferlog.txt";
    std::filesystem::remove(mirror);
    out.set_mirror_path(mirror.string());
    out.set_batch(true);
    const std::string line(150, 'q');
    out.add_message_line(line);
    out.set_verbose(false);
    out.add_message_line("[x] hidden diagnostic");
    out.set_verbose(true);
    out.add_message_line("[I] shown diagnostic");
    EXPECT_EQ(out.history().front(), std::string(99, 'q'));
    EXPECT_EQ(read_file(mirror), line + "\n[I] shown diagnostic\n");
    EXPECT_THAT(out.history(), ElementsAre(std::string(99, 'q'), "[I] shown diagnostic"));
    std::filesystem::remove_all(dir);
}

TEST_F(Messages, ControlBytesCannotSplitOrForgeALine) {
    out.add_message_line(std::string("receiving a\r\nDELE b\0x", 21));
    EXPECT_THAT(out.history(), ElementsAre("receiving a??DELE b?x"));
    out.add_message_line("tab\tstays");
    EXPECT_EQ(out.history().back(), "tab\tstays");
}

TEST_F(Messages, UnopenableMirrorIsSkipped) {
    out.set_mirror_path("/nonexistent-dir/for/sure/xferlog.txt");
    out.set_batch(true);
    out.add_message_line("still kept");
    EXPECT_THAT(out.history(), ElementsAre("still kept"));
}

TEST_F(Messages, FormattedLinesAreCutAt255Characters) {
    const std::string name(400, 'n');
    out.print_message("receiving %s", name.c_str());
    EXPECT_EQ(out.history().front().size(), 99u);
    std::string seen;
    struct Capture : MessageView {
        std::string* seen;
        void show_message_lines(std::string_view, std::string_view) override {}
        void log_window_append(std::string_view text) override { *seen = text; }
    } capture;
    capture.seen = &seen;
    out.set_view(&capture);
    out.print_message("receiving %s", name.c_str());
    EXPECT_EQ(seen.size(), 255u);
}

TEST_F(Messages, ScrollingStopsAtTheOldestPairAndTheNewest) {
    for (int i = 0; i < 5; ++i) out.print_message("m%d", i);
    out.scroll_messages(-1);
    EXPECT_EQ(view.upper(), "m2");
    EXPECT_EQ(view.lower(), "m3");
    for (int i = 0; i < 10; ++i) out.scroll_messages(-1);
    out.scroll_messages(+1);  // from the floor at 1 one line newer: slots 1 and 2
    EXPECT_EQ(view.upper(), "m1");
    EXPECT_EQ(view.lower(), "m2");
    out.scroll_messages(-1);
    EXPECT_EQ(view.upper(), "m0");
    EXPECT_EQ(view.lower(), "m1");
    for (int i = 0; i < 10; ++i) out.scroll_messages(+1);
    EXPECT_EQ(view.lower(), "m4");
    EXPECT_EQ(out.view_index(), out.newest_index());
}

TEST(Prompts, AnswersAreCutTo69AndCancelLeavesTheBufferAlone) {
    ScriptedPrompter prompter;
    Prompts prompts(&prompter);
    prompter.push_answer(std::string(100, 'a'));
    prompter.push_answer(std::nullopt);
    std::string buffer = "start";
    prompts.set_help_context(80);
    EXPECT_EQ(prompts.ask_text(&buffer, "Directory for %s?", "x"), 1);
    EXPECT_EQ(buffer, std::string(69, 'a'));
    EXPECT_EQ(prompts.help_context(), 0);
    std::string kept = "unchanged";
    prompts.set_help_context(82);
    EXPECT_EQ(prompts.ask_password(kept, "Password for %s", "anna"), 0);
    EXPECT_EQ(kept, "unchanged");
    EXPECT_EQ(prompts.help_context(), 0);
    ASSERT_EQ(prompter.requests().size(), 2u);
    EXPECT_EQ(prompter.requests()[0].prompt, "Directory for x?");
    EXPECT_EQ(prompter.requests()[0].initial, "start");
    EXPECT_EQ(prompter.requests()[0].help_context, 80);
    EXPECT_EQ(prompter.requests()[1].kind, PromptKind::Password);
    EXPECT_EQ(prompter.requests()[1].help_context, 82);
}

TEST(Prompts, AnswerBufferCarriesToTheNextPromptAndHistoryChoicesAreOffered) {
    ScriptedPrompter prompter;
    Prompts prompts(&prompter);
    prompter.push_answer(std::string("/pub"));
    prompter.push_answer(std::string("/pub/sub"));
    EXPECT_EQ(prompts.ask_text(nullptr, "Change to?"), 1);
    std::string again = prompts.answer();
    EXPECT_EQ(prompts.ask_with_history(again, {"/", "/pub"}, "Change to?"), 1);
    EXPECT_EQ(prompter.requests()[1].initial, "/pub");
    EXPECT_THAT(prompter.requests()[1].choices, ElementsAre("/", "/pub"));
    EXPECT_EQ(prompts.answer(), "/pub/sub");
}

}  // namespace
}  // namespace varnix
