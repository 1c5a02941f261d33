// The pane file operations against a real server and the local folder: delete with "Verify
// Deletion" and "Delete All" (exactly the selected names), rename, move, directories, the
// viewer's command line, and viewing or opening a remote file.
#include <gmock/gmock.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "listing/list_entries.h"
#include "listing/local_listing.h"
#include "listing/remote_listing.h"
#include "net/logon.h"
#include "support/pyftpd.h"
#include "transfer/file_operations.h"
#include "transfer/server_fixture.h"

namespace varnix::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

class FileOperations : public LoggedOnTest {
protected:
    void SetUp() override {
        LoggedOnTest::SetUp();
        hooks.confirm_delete = [this](const std::string& question, int remaining) {
            questions.emplace_back(question, remaining);
            if (answers.empty()) return delete_answer::cancel;
            const int a = answers.front();
            answers.erase(answers.begin());
            return a;
        };
        hooks.start_program = [this](const std::vector<std::string>& argv) {
            started.push_back(argv);
            return true;
        };
    }
    void server_file(const std::string& name, const std::string& bytes = "x") {
        write_file((ftpd.home() / name).string(), bytes);
    }
    [[nodiscard]] bool on_server(const std::string& name) const {
        return fs::exists(ftpd.home() / name);
    }

    FileOperationHooks hooks;
    std::vector<std::pair<std::string, int>> questions;
    std::vector<int> answers;
    std::vector<std::vector<std::string>> started;
};

TEST_F(FileOperations, DeleteAllRemovesExactlyTheFiveSelectedRemoteFiles) {
    for (const char* name : {"one", "two", "three", "f*", "f?", "f1", "fx", "keep"}) server_file(name);
    list_remote_fresh(ctx);
    select(*ctx.panes.remote_files, {"one", "two", "three", "f*", "f?"});
    answers = {delete_answer::all};
    EXPECT_EQ(delete_files(ctx, PaneSide::Remote, hooks), 5);
    ASSERT_EQ(questions.size(), 1u);  // no more questions after "Delete All"
    EXPECT_EQ(questions[0].second, 5);
    for (const char* gone : {"one", "two", "three", "f*", "f?"}) EXPECT_FALSE(on_server(gone)) << gone;
    // The names that "f*" and "f?" would match as patterns are still there.
    for (const char* kept : {"f1", "fx", "keep"}) EXPECT_TRUE(on_server(kept)) << kept;
    // The remote pane was listed again (DOUPDATE is on by default).
    EXPECT_EQ(ctx.panes.remote_files->count(), 3);
}

TEST_F(FileOperations, CancelInTheThirdQuestionKeepsTheRestLocally) {
    for (const char* name : {"a1", "a2", "a3", "a4", "a5"}) write_file(path(name), "x");
    list_local(ctx);
    select(*ctx.panes.local_files, {"a1", "a2", "a3", "a4", "a5"});
    answers = {delete_answer::yes, delete_answer::no, delete_answer::cancel};
    EXPECT_EQ(delete_files(ctx, PaneSide::Local, hooks), 1);
    EXPECT_THAT(questions, ElementsAre(Pair("Are you sure you want to delete \"a1\"?", 5),
                                       Pair("Are you sure you want to delete \"a2\"?", 4),
                                       Pair("Are you sure you want to delete \"a3\"?", 3)));
    EXPECT_FALSE(fs::exists(path("a1")));
    for (const char* kept : {"a2", "a3", "a4", "a5"}) EXPECT_TRUE(fs::exists(path(kept))) << kept;
    EXPECT_EQ(ctx.panes.local_files->count(), 4);  // listed again
}

TEST_F(FileOperations, RenameAsksOncePerFileAndMoveSkipsNothingElse) {
    server_file("a.txt", "A");
    server_file("b.txt", "B");
    fs::create_directory(ftpd.home() / "dest");
    list_remote_fresh(ctx);
    select(*ctx.panes.remote_files, {"a.txt", "b.txt"});
    prompter.push_answer("a-new.txt");
    prompter.push_answer(std::nullopt);  // the second one is left alone
    EXPECT_EQ(rename_files(ctx, PaneSide::Remote, hooks), 1);
    EXPECT_EQ(prompter.requests().size(), 2u);
    EXPECT_EQ(prompter.requests()[0].prompt, "Enter new name for \"a.txt\":");
    EXPECT_EQ(prompter.requests()[0].initial, "a.txt");
    // Each question's Help opens the manual's section on it.
    EXPECT_EQ(prompter.requests()[0].help_context, 380);
    EXPECT_EQ(prompter.requests()[1].help_context, 380);
    EXPECT_EQ(prompter.requests()[0].name_charset, ctx.session.charset);
    EXPECT_TRUE(on_server("a-new.txt"));
    EXPECT_TRUE(on_server("b.txt"));

    select(*ctx.panes.remote_files, {"a-new.txt", "b.txt"});
    prompter.push_answer("/dest");
    EXPECT_EQ(move_files(ctx, PaneSide::Remote, hooks), 2);
    EXPECT_EQ(prompter.requests().back().help_context, 390);
    EXPECT_EQ(read_file((ftpd.home() / "dest" / "a-new.txt").string()), "A");
    EXPECT_EQ(read_file((ftpd.home() / "dest" / "b.txt").string()), "B");

    // A refused move reports the file and goes on.
    list_remote_fresh(ctx);
    server_file("c.txt");
    list_remote_fresh(ctx);
    select(*ctx.panes.remote_files, {"c.txt"});
    prompter.push_answer("/no/such/folder");
    EXPECT_EQ(move_files(ctx, PaneSide::Remote, hooks), 0);
    EXPECT_TRUE(view.contains("Move of c.txt to /no/such/folder/c.txt failed."));
}

TEST_F(FileOperations, LocalRenameMoveAndDirectories) {
    write_file(path("x.txt"), "X");
    fs::create_directory(path("into"));
    list_local(ctx);
    select(*ctx.panes.local_files, {"x.txt"});
    prompter.push_answer("into");
    EXPECT_EQ(move_files(ctx, PaneSide::Local, hooks), 1);
    EXPECT_EQ(read_file(path("into/x.txt")), "X");

    prompter.push_answer("made");
    make_directory(ctx, PaneSide::Local, hooks);
    EXPECT_TRUE(fs::is_directory(path("made")));
    select(*ctx.panes.local_dirs, {"made"});
    answers = {delete_answer::yes};
    remove_directory(ctx, PaneSide::Local, hooks);
    EXPECT_FALSE(fs::exists(path("made")));
    EXPECT_EQ(questions.back().second, 1);  // one name: no "Delete All"

    select(*ctx.panes.local_dirs, {"into"});
    answers = {delete_answer::yes};
    remove_directory(ctx, PaneSide::Local, hooks);  // not empty
    EXPECT_TRUE(view.contains("Delete of into failed."));
}

TEST_F(FileOperations, RemoteDirectoriesAndTheHistoryPrompt) {
    fs::create_directory(ftpd.home() / "sub");
    ctx.session.charset = "ISO-8859-1";  // what the window types remote names in
    list_remote_fresh(ctx);
    prompter.push_answer("sub");
    change_directory(ctx, PaneSide::Remote, hooks);
    EXPECT_EQ(ctx.current_remote_dir, "/sub");
    ASSERT_FALSE(prompter.requests().empty());
    EXPECT_EQ(prompter.requests().back().kind, PromptKind::WithHistory);
    EXPECT_EQ(prompter.requests().back().initial, "/");
    EXPECT_EQ(prompter.requests().back().name_charset, "ISO-8859-1");

    prompter.push_answer("inner");
    make_directory(ctx, PaneSide::Remote, hooks);
    EXPECT_TRUE(fs::is_directory(ftpd.home() / "sub" / "inner"));
    EXPECT_EQ(ctx.panes.remote_dirs->count(), 2);  // ".." and "inner"
    EXPECT_EQ(prompter.requests().back().name_charset, "ISO-8859-1");
    prompter.push_answer("made-here");
    make_directory(ctx, PaneSide::Local, hooks);  // a local name: typed as the disk takes it
    EXPECT_EQ(prompter.requests().back().name_charset, "");
    EXPECT_TRUE(fs::is_directory(path("made-here")));

    // DOUPDATE off: removed, and the list is left as it was.
    ctx.options.relist_after_change = 0;
    select(*ctx.panes.remote_dirs, {"inner"});
    answers = {delete_answer::yes};
    remove_directory(ctx, PaneSide::Remote, hooks);
    EXPECT_FALSE(fs::exists(ftpd.home() / "sub" / "inner"));
    EXPECT_EQ(ctx.panes.remote_dirs->count(), 2);
}

TEST_F(FileOperations, ViewAndOpenARemoteFile) {
    server_file("readme", "read me\n");
    server_file("report.pdf", "%PDF");
    list_remote_fresh(ctx);
    hooks.view_temp_file = path("DSPview");
    select(*ctx.panes.remote_files, {"readme"});
    view_remote_file(ctx, PaneSide::Remote, ViewAction::View, hooks);
    EXPECT_EQ(read_file(path("DSPview")), "read me\n");
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].back(), path("DSPview"));  // no "." appended to a name without one

    (void)ctx.panes.remote_files->set_selected(-1, false);
    select(*ctx.panes.remote_files, {"report.pdf"});
    view_remote_file(ctx, PaneSide::Remote, ViewAction::Open, hooks);
    ASSERT_EQ(started.size(), 2u);
    ASSERT_EQ(started[1].size(), 2u);
    EXPECT_EQ(started[1][0], "xdg-open");
    EXPECT_EQ(fs::path(started[1][1]).filename(), "report.pdf");
    EXPECT_EQ(read_file(started[1][1]), "%PDF");
    fs::remove_all(fs::path(started[1][1]).parent_path());
    EXPECT_EQ(is_transfer_thread_busy(ctx), 0);
}

TEST(ViewerCommand, SplitsWithoutAShellAndKeepsTheFileWhole) {
    EXPECT_THAT(viewer_command("", "a b.txt"), ElementsAre("xdg-open", "a b.txt"));
    EXPECT_THAT(viewer_command("less -R", "f"), ElementsAre("less", "-R", "f"));
    EXPECT_THAT(viewer_command("\"my viewer\" --x", "$(rm -rf ~);"),
                ElementsAre("my viewer", "--x", "$(rm -rf ~);"));
    EXPECT_THAT(split_command_line("  a\t\"\"  b "), ElementsAre("a", "", "b"));
}

}  // namespace
}  // namespace varnix::test
