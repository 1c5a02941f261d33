// Recursive directory transfers: a three-level tree down and up against a real server and
// compared file by file; a hostile listing whose directory names would leave the chosen folder;
// a server that goes away in the middle of the walk; the quiet settings restored.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "listing/list_entries.h"
#include "listing/local_listing.h"
#include "listing/remote_listing.h"
#include "net/commands.h"
#include "net/control_connection.h"
#include "net/logon.h"
#include "net/net_fixture.h"
#include "platform/blocking.h"
#include "platform/clock.h"
#include "platform/directory_scan.h"
#include "support/pyftpd.h"
#include "support/scripted_server.h"
#include "transfer/restart.h"
#include "transfer/server_fixture.h"
#include "transfer/progress.h"
#include "transfer/sounds.h"
#include "transfer/tree_transfer.h"

namespace varnix::test {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

std::string slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Every difference between two folders: names present on one side only, files whose bytes
// differ, a folder on one side where the other has a file.
std::vector<std::string> tree_differences(const fs::path& a, const fs::path& b) {
    std::vector<std::string> out;
    std::set<std::string> seen;
    auto walk = [&](const fs::path& root, const fs::path& other, bool first) {
        for (const auto& e : fs::recursive_directory_iterator(root)) {
            const std::string rel = fs::relative(e.path(), root).string();
            if (!first && seen.contains(rel)) continue;
            seen.insert(rel);
            const fs::path twin = other / rel;
            if (!fs::exists(twin)) {
                out.push_back((first ? "only in first: " : "only in second: ") + rel);
            } else if (e.is_directory() != fs::is_directory(twin)) {
                out.push_back("kind differs: " + rel);
            } else if (!e.is_directory() &&
                       slurp(e.path()) != slurp(twin)) {
                out.push_back("bytes differ: " + rel);
            }
        }
    };
    walk(a, b, true);
    walk(b, a, false);
    return out;
}

void write_bytes(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

// tree/{top.bin, notes.txt, sub1/{b.bin, deep/{c.bin, empty/}}, sub2/{zero.bin}}
void make_three_level_tree(const fs::path& root) {
    write_bytes(root / "top.bin", binary_bytes(5000));
    write_bytes(root / "notes.txt", "line one\r\nline two\n");
    write_bytes(root / "sub1" / "b.bin", binary_bytes(70001));
    write_bytes(root / "sub1" / "deep" / "c.bin", binary_bytes(1));
    fs::create_directories(root / "sub1" / "deep" / "empty");
    write_bytes(root / "sub2" / "zero.bin", "");
}

bool select_by_name(TransferContext& ctx, ListBox& list, const std::string& name) {
    for (int i = 0; i < list.count(); ++i) {
        if (get_entry_name(ctx, list, i) == name) return list.set_selected(i, true);
    }
    return false;
}

// Counts the progress displays opened as a dialog.
struct DialogWatch : HeadlessProgress {
    void open(ProgressMode mode, bool dialog, std::string_view caption) override {
        if (dialog) ++dialogs;
        HeadlessProgress::open(mode, dialog, caption);
    }
    int dialogs = 0;
};

class TreeTransfer : public LoggedOnTest {
protected:
    DialogWatch watch;
};

TEST_F(TreeTransfer, ThreeLevelTreeGoesDownAndUpByteForByte) {
    make_three_level_tree(ftpd.home() / "tree");
    ctx.transfer.progress = &watch;
    ctx.settings.show_transfer_dialog = 1;
    ctx.options.play_sounds = 1;
    ctx.options.prompt_for_names = 1;  // the walk asks nothing: a prompt would find no answer queued
    list_local(ctx);
    list_remote_fresh(ctx);
    ASSERT_TRUE(select_by_name(ctx, *ctx.panes.remote_dirs, "tree"));

    EXPECT_EQ(run_tree_transfer(ctx, PaneTransfer::Download), walk_step::all);
    EXPECT_THAT(tree_differences(ftpd.home() / "tree", dir.path() / "tree"), IsEmpty());
    EXPECT_TRUE(fs::is_directory(dir.path() / "tree" / "sub1" / "deep" / "empty"));
    // Back where it started on both sides, with the settings as they were.
    EXPECT_EQ(fs::path(ctx.local_dir), fs::canonical(dir.path()));
    EXPECT_EQ(ctx.current_remote_dir, "/");
    // The transfer log stayed where the walk started, one line per file.
    const std::string log = slurp(dir.path() / "VARNIX.LOG");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 5) << log;
    EXPECT_EQ(ctx.settings.show_transfer_dialog, 1);
    EXPECT_EQ(ctx.options.play_sounds, 1);
    EXPECT_EQ(ctx.options.prompt_for_names, 1);
    EXPECT_THAT(prompter.requests(), IsEmpty());
    EXPECT_EQ(watch.dialogs, 0);
    EXPECT_EQ(sound.beeps() + static_cast<int>(sound.played().size()), 1);  // one completion
    EXPECT_TRUE(view.contains("[S] transfer directory complete"));
    EXPECT_FALSE(read_restart_record(ctx, ctx.session.name).present());

    // And up again into another remote folder.
    ASSERT_EQ(make_dir(ctx, "back").cls, ReplyClass::Completed);
    ASSERT_EQ(change_dir(ctx, "back").cls, ReplyClass::Completed);
    list_remote_fresh(ctx);
    list_local(ctx);
    ASSERT_TRUE(select_by_name(ctx, *ctx.panes.local_dirs, "tree"));
    EXPECT_EQ(run_tree_transfer(ctx, PaneTransfer::Upload), walk_step::all);
    EXPECT_THAT(tree_differences(dir.path() / "tree", ftpd.home() / "back" / "tree"), IsEmpty());
    EXPECT_EQ(ctx.current_remote_dir, "/back");
    EXPECT_EQ(ctx.busy_count, 0);
    EXPECT_EQ(is_transfer_thread_busy(ctx), 0);
}

TEST_F(TreeTransfer, ParentAloneTransfersNothingAndExistingFolderIsReused) {
    write_bytes(ftpd.home() / "pub" / "a.bin", "new");
    write_bytes(dir.path() / "pub" / "a.bin", "old contents");
    list_local(ctx);
    list_remote_fresh(ctx);
    ASSERT_TRUE(select_by_name(ctx, *ctx.panes.remote_dirs, ".."));
    EXPECT_EQ(download_tree(ctx), 0);
    EXPECT_TRUE(view.contains("[E] can't go to .."));

    (void)ctx.panes.remote_dirs->set_selected(-1, false);
    ASSERT_TRUE(select_by_name(ctx, *ctx.panes.remote_dirs, "pub"));
    EXPECT_EQ(download_tree(ctx), walk_step::all);
    EXPECT_EQ(read_file((dir.path() / "pub" / "a.bin").string()), "new");
}

TEST_F(TreeTransfer, UploadDoesNotFollowLinksAndEndsInALinkLoop) {
    const fs::path outside = dir.path() / "outside";
    write_bytes(outside / "secret.txt", "not for the server");
    write_bytes(dir.path() / "up" / "plain.txt", "fine");
    fs::create_directory_symlink(outside, dir.path() / "up" / "escape");
    fs::create_directory_symlink(dir.path() / "up", dir.path() / "up" / "loop");
    fs::create_symlink(outside / "secret.txt", dir.path() / "up" / "linked.txt");
    list_local(ctx);
    list_remote_fresh(ctx);
    ASSERT_TRUE(select_by_name(ctx, *ctx.panes.local_dirs, "up"));
    EXPECT_EQ(run_tree_transfer(ctx, PaneTransfer::Upload), walk_step::all);
    EXPECT_EQ(read_file((ftpd.home() / "up" / "plain.txt").string()), "fine");
    EXPECT_FALSE(fs::exists(ftpd.home() / "up" / "escape"));
    EXPECT_FALSE(fs::exists(ftpd.home() / "up" / "loop"));
    EXPECT_FALSE(fs::exists(ftpd.home() / "up" / "linked.txt"));
    EXPECT_TRUE(view.contains("[S] skipped escape: a link"));
    EXPECT_TRUE(view.contains("[S] skipped loop: a link"));
    EXPECT_TRUE(view.contains("[S] skipped link linked.txt"));
}

TEST_F(TreeTransfer, DownloadNeverEntersALocalLinkOfTheSameName) {
    const fs::path outside = dir.path() / "outside";
    fs::create_directories(outside);
    write_bytes(ftpd.home() / "pub" / "x.bin", "payload");
    fs::create_directories(dir.path() / "work");
    fs::create_directory_symlink(outside, dir.path() / "work" / "pub");
    ASSERT_TRUE(set_local_dir(ctx, (dir.path() / "work").string()));
    list_local(ctx);
    list_remote_fresh(ctx);
    ASSERT_TRUE(select_by_name(ctx, *ctx.panes.remote_dirs, "pub"));
    EXPECT_EQ(download_tree(ctx), walk_step::all);
    EXPECT_TRUE(fs::is_empty(outside));
    EXPECT_TRUE(view.contains("[S] skipped pub: the local name is a link"));
}

TEST_F(TreeTransfer, FoldersDroppedFromElsewhereGoUpWholeAndTheLocalPaneComesBack) {
    TempDir desktop;
    make_three_level_tree(desktop.path() / "photos");
    write_bytes(desktop.path() / "second" / "s.txt", "two");
    write_bytes(desktop.path() / "loose.txt", "not a folder");
    fs::create_directory_symlink(desktop.path() / "photos", desktop.path() / "linked");
    list_local(ctx);
    list_remote_fresh(ctx);
    const std::string home = ctx.local_dir;
    const auto at = [&](const char* name) { return (desktop.path() / name).string(); };

    EXPECT_TRUE(upload_local_folders(ctx, {at("photos"), at("loose.txt"), at("linked"), at("second") + "/"}));
    EXPECT_THAT(tree_differences(desktop.path() / "photos", ftpd.home() / "photos"), IsEmpty());
    EXPECT_EQ(read_file((ftpd.home() / "second" / "s.txt").string()), "two");
    EXPECT_FALSE(fs::exists(ftpd.home() / "loose.txt"));
    EXPECT_FALSE(fs::exists(ftpd.home() / "linked"));
    EXPECT_TRUE(view.contains("[S] skipped " + at("loose.txt") + ": not a local folder"));
    EXPECT_TRUE(view.contains("[S] skipped linked: a link"));
    // The pane is back in its own folder with nothing selected.
    EXPECT_EQ(ctx.local_dir, home);
    EXPECT_THAT(ctx.panes.local_dirs->selected_indices(), IsEmpty());
    EXPECT_EQ(ctx.current_remote_dir, "/");

    // A folder whose remote twin cannot be made or entered ends the run: the next one waits.
    write_bytes(ftpd.home() / "blocked", "a file where the folder would go");
    write_bytes(desktop.path() / "blocked" / "b.txt", "b");
    write_bytes(desktop.path() / "later" / "l.txt", "l");
    EXPECT_FALSE(upload_local_folders(ctx, {at("blocked"), at("later")}));
    EXPECT_FALSE(fs::exists(ftpd.home() / "later"));
    EXPECT_EQ(ctx.local_dir, home);
    EXPECT_EQ(ctx.current_remote_dir, "/");
}

// A scripted server for the walks that a real one cannot show.
class HostileTree : public WithScriptedServer<TransferTest> {
protected:
    HostileTree() {
        ctx.session.passive = 1;
        ctx.options.mode = 'I';
        ctx.host.host_type_probed = 1;
        ctx.current_remote_dir = "/";
        (void)ctx.panes.remote_dirs->add_item("..");
        (void)ctx.panes.remote_dirs->add_item("pub");
        (void)ctx.panes.remote_dirs->set_selected(1, true);
    }
    ~HostileTree() override { clear_listing_cache(ctx); }
    ScriptedServer& list_reply(const std::string& dir, const std::string& listing) {
        return server.expect("PWD").reply("257 \"" + dir + "\" is current")
            .expect("PASV").passive_reply().expect("LIST").reply("150 here it comes")
            .data_send(listing).reply("226 done");
    }
};

TEST_F(HostileTree, DirectoryNamesThatWouldLeaveTheFolderAreSkipped) {
    server.expect("CWD pub").reply("250 ok");
    list_reply("/pub",
               "drwxr-xr-x   2 u g 4096 Jan  1  2020 ../x\r\n"
               "drwxr-xr-x   2 u g 4096 Jan  1  2020 a/b\r\n"
               "drwxr-xr-x   2 u g 4096 Jan  1  2020 a\\c\r\n"
               "lrwxrwxrwx   1 u g    2 Jan  1  2020 up -> ..\r\n"
               "drwxr-xr-x   2 u g 4096 Jan  1  2020 .\r\n");
    server.expect("CWD /").reply("250 ok");
    list_reply("/", "drwxr-xr-x   2 u g 4096 Jan  1  2020 pub\r\n");
    start_and_connect();
    fs::create_directories(dir.path() / "chosen");
    ASSERT_TRUE(set_local_dir(ctx, (dir.path() / "chosen").string()));

    EXPECT_EQ(download_tree(ctx), walk_step::all);
    finish();
    // Only "pub" was made, and nothing outside the chosen folder.
    std::vector<std::string> made;
    for (const auto& e : fs::recursive_directory_iterator(dir.path())) {
        made.push_back(fs::relative(e.path(), dir.path()).string());
    }
    EXPECT_THAT(made, ::testing::UnorderedElementsAre("chosen", "chosen/pub"));
    EXPECT_THAT(view.lines(), Contains(HasSubstr("[S] skipped up: a link")));
    EXPECT_THAT(view.lines(), Contains(HasSubstr(": not a plain name")));
    for (const auto& line : view.lines()) {
        EXPECT_THAT(line, Not(HasSubstr("CWD ../x")));
        EXPECT_THAT(line, Not(HasSubstr("CWD a/b")));
    }
}

TEST_F(HostileTree, ServerGoneMidWalkStopsWithMessageAndKeepsPartialFile) {
    const std::string big = binary_bytes(200000);
    server.expect("CWD pub").reply("250 ok");
    list_reply("/pub",
               "-rw-r--r--   1 u g 200000 Jan  1  2020 big.bin\r\n"
               "-rw-r--r--   1 u g      5 Jan  1  2020 small.bin\r\n"
               "drwxr-xr-x   2 u g   4096 Jan  1  2020 later\r\n");
    server.expect("TYPE I").reply("200 binary")
          .expect("PASV").passive_reply().expect("RETR big.bin").reply("150 go")
          .data_close_early(big, 60000).close();
    start_and_connect();

    const int mask = download_tree(ctx);
    EXPECT_TRUE(server.wait_done(std::chrono::seconds(5)));
    EXPECT_NE(mask, walk_step::all);
    EXPECT_TRUE(view.contains("[E] failed to return to orig dir /"));
    EXPECT_FALSE(fs::exists(dir.path() / "pub" / "small.bin"));
    EXPECT_FALSE(fs::exists(dir.path() / "pub" / "later"));
    const auto partial = fs::file_size(dir.path() / "pub" / "big.bin");
    EXPECT_GT(partial, 0u);
    EXPECT_LT(partial, big.size());
    const RestartRecord record = read_restart_record(ctx, ctx.session.name);
    EXPECT_TRUE(record.present());
    EXPECT_EQ(record.remote_file, "big.bin");
    // Back in the chosen local folder, nothing left busy: the next connect can start.
    EXPECT_EQ(fs::path(ctx.local_dir), fs::canonical(dir.path()));
    EXPECT_EQ(ctx.busy_count, 0);
    EXPECT_EQ(is_transfer_thread_busy(ctx), 0);
}

using QuietScope = TransferTest;

TEST_F(QuietScope, QuietForTheWalkWithTheSettingsUntouchedAndLoudAfterAnEarlyReturn) {
    ctx.settings.show_transfer_dialog = 1;
    ctx.options.play_sounds = 1;
    ctx.options.prompt_for_names = 1;
    const auto noises = [&] { return sound.beeps() + static_cast<int>(sound.played().size()); };
    auto walk = [&] {
        QuietTransferScope quiet(ctx);
        EXPECT_FALSE(shows_transfer_dialog(ctx));
        EXPECT_FALSE(transfer_prompt_flag(ctx, false));
        play_event_sound_if_enabled(ctx, SoundEvent::Error);
        EXPECT_EQ(noises(), 0);
        // What the options dialog would show and save meanwhile.
        EXPECT_EQ(ctx.settings.show_transfer_dialog, 1);
        EXPECT_EQ(ctx.options.play_sounds, 1);
        EXPECT_EQ(ctx.options.prompt_for_names, 1);
        return;  // the walk failed half-way
    };
    walk();
    EXPECT_TRUE(shows_transfer_dialog(ctx));
    EXPECT_TRUE(transfer_prompt_flag(ctx, false));
    play_event_sound_if_enabled(ctx, SoundEvent::Error);
    EXPECT_EQ(noises(), 1);
}

TEST(SafeRemoteDirName, RefusesNamesThatAreNotOneComponent) {
    TransferContext ctx;
    ctx.remote.link_dirs.insert("link");
    for (const char* bad : {"", ".", "..", "../x", "a/b", "a\\b", "/abs", "link"}) {
        EXPECT_FALSE(safe_remote_dir_name(ctx, bad)) << bad;
    }
    for (const char* good : {"pub", "...", ".hidden", "a b", "x..y"}) {
        EXPECT_TRUE(safe_remote_dir_name(ctx, good)) << good;
    }
}

}  // namespace
}  // namespace varnix::test

namespace varnix::test {
namespace {

class SlowTree : public LoggedOnTest {
protected:
    SlowTree() : LoggedOnTest(slow()) {}
    static PyFtpdOptions slow() {
        PyFtpdOptions o;
        o.send_limit = 256 * 1024;
        return o;
    }
};

TEST_F(SlowTree, CancelDuringAFolderFilesEndsTheWholeWalk) {
    const std::string big = binary_bytes(4 * 1024 * 1024);
    write_bytes(ftpd.home() / "tree" / "big.bin", big);
    write_bytes(ftpd.home() / "tree" / "b" / "later.bin", "never");
    write_bytes(ftpd.home() / "tree" / "c" / "later.bin", "never");
    list_local(ctx);
    list_remote_fresh(ctx);
    ASSERT_TRUE(select_by_name(ctx, *ctx.panes.remote_dirs, "tree"));
    // The user presses Cancel (the window runs it inside the walk's blocking wait) once the
    // big file is under way.
    const fs::path partial = dir.path() / "tree" / "big.bin";
    bool pressed = false;
    install_thread_blocking_hook([&] {
        std::error_code ec;
        if (!pressed && fs::file_size(partial, ec) > 50000 && !ec) {
            pressed = true;
            cancel_command(ctx);
        }
        return false;
    });
    const std::int64_t start = tick_count();
    // The mask tells the steps of entering and leaving "tree", which all worked.
    (void)run_tree_transfer(ctx, PaneTransfer::Download);
    EXPECT_TRUE(pressed);
    EXPECT_LT(tick_count() - start, 10000);
    EXPECT_LT(fs::file_size(partial), big.size());
    EXPECT_FALSE(fs::exists(dir.path() / "tree" / "b" / "later.bin"));
    EXPECT_FALSE(fs::exists(dir.path() / "tree" / "c" / "later.bin"));
    EXPECT_EQ(fs::path(ctx.local_dir), fs::canonical(dir.path()));
    EXPECT_EQ(ctx.settings.show_transfer_dialog, 1);  // restored after the cancelled walk
}

}  // namespace
}  // namespace varnix::test
