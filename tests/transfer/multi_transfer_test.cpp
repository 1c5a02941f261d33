// Multi-file transfers on the worker thread against a real server: the selection moves file by
// file, the panes are touched only on the owning thread, a second start is refused, Cancel
// from the owning thread ends a slow transfer within a second and keeps the restart record.
#include <gmock/gmock.h>
#include <sys/socket.h>

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "listing/list_entries.h"
#include "listing/local_listing.h"
#include "listing/remote_listing.h"
#include "net/logon.h"
#include "platform/clock.h"
#include "support/owner_thread.h"
#include "support/pyftpd.h"
#include "support/temp_dir.h"
#include "transfer/multi_transfer.h"
#include "transfer/restart.h"
#include "transfer/server_fixture.h"

namespace varnix::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::IsEmpty;

// A list box that counts every use from a thread other than its owner.
class OwnedListBox : public MemoryListBox {
public:
    OwnedListBox(const OwnerThread& owner, bool sorted) : MemoryListBox(sorted), owner_(owner) {}
    int add_item(std::string_view text) override { check(); return MemoryListBox::add_item(text); }
    int insert_item(int index, std::string_view text) override {
        check();
        return MemoryListBox::insert_item(index, text);
    }
    void clear() override { check(); MemoryListBox::clear(); }
    [[nodiscard]] int count() const override { check(); return MemoryListBox::count(); }
    [[nodiscard]] std::optional<std::string> item_text(int index) const override {
        check();
        return MemoryListBox::item_text(index);
    }
    [[nodiscard]] std::vector<int> selected_indices() const override {
        check();
        return MemoryListBox::selected_indices();
    }
    [[nodiscard]] int foreign_uses() const { return foreign_.load(); }

private:
    void check() const {
        if (!owner_.is_owner()) ++foreign_;
    }
    const OwnerThread& owner_;
    mutable std::atomic<int> foreign_{0};
};

class Worker : public LoggedOnTest {
protected:
    explicit Worker(PyFtpdOptions options = {}) : LoggedOnTest(std::move(options)) {}
    void SetUp() override {
        ctx.panes.local_files = &local_files;
        ctx.panes.remote_files = &remote_files;
        ctx.options.play_sounds = 1;
        LoggedOnTest::SetUp();
    }
    PaneHooks hooks() {
        PaneHooks h;
        h.ui = owner.invoker();
        return h;
    }
    bool wait(TransferWorker& worker, std::chrono::milliseconds bound) {
        return worker.wait(bound, [&] { owner.pump(); });
    }

    OwnerThread owner;
    OwnedListBox local_files{owner, false};
    OwnedListBox remote_files{owner, false};
};

TEST_F(Worker, SelectedFilesMoveOnTheWorkerAndPanesStayOnTheOwner) {
    write_file((ftpd.home() / "one.bin").string(), binary_bytes(3000));
    write_file((ftpd.home() / "two.bin").string(), binary_bytes(100000));
    write_file((ftpd.home() / "three.bin").string(), "not selected");
    list_remote_fresh(ctx);
    select(remote_files, {"one.bin", "two.bin"});

    TransferWorker worker(ctx, hooks());
    std::atomic<bool> finished_off_owner{false};
    worker.on_finished = [&] { finished_off_owner = !owner.is_owner(); };
    ASSERT_TRUE(worker.start(PaneTransfer::Download, false));
    EXPECT_FALSE(worker.start(PaneTransfer::Download, false));  // one worker at a time
    ASSERT_TRUE(wait(worker, 10s));

    EXPECT_EQ(read_file(path("one.bin")), read_file((ftpd.home() / "one.bin").string()));
    EXPECT_EQ(read_file(path("two.bin")), read_file((ftpd.home() / "two.bin").string()));
    EXPECT_FALSE(fs::exists(path("three.bin")));
    EXPECT_EQ(local_files.foreign_uses(), 0);
    EXPECT_EQ(remote_files.foreign_uses(), 0);
    EXPECT_TRUE(finished_off_owner);
    EXPECT_EQ(is_transfer_thread_busy(ctx), 0);
    EXPECT_TRUE(view.contains("receiving two.bin as two.bin (2 of 2)"));
    // The local pane was listed again after the files.
    EXPECT_THAT(local_files.texts(), ::testing::Contains(::testing::HasSubstr("two.bin")));
    EXPECT_EQ(sound.beeps() + static_cast<int>(sound.played().size()), 1);

    // Uploads of the local selection, then the remote pane follows (DOUPDATE).
    write_file(path("up.txt"), "up we go");
    list_local(ctx);
    select(local_files, {"up.txt"});
    ctx.options.relist_after_change = 1;
    ASSERT_TRUE(worker.start(PaneTransfer::Upload, false));
    ASSERT_TRUE(wait(worker, 10s));
    EXPECT_EQ(read_file((ftpd.home() / "up.txt").string()), "up we go");
    EXPECT_THAT(remote_files.texts(), ::testing::Contains(::testing::HasSubstr("up.txt")));
    EXPECT_EQ(local_files.foreign_uses() + remote_files.foreign_uses(), 0);
}

TEST_F(Worker, PromptInversionAndCancelledTypedName) {
    write_file((ftpd.home() / "a.bin").string(), "A");
    list_remote_fresh(ctx);
    select(remote_files, {"a.bin"});
    ctx.options.prompt_for_names = 0;
    prompter.push_answer("renamed.bin");  // Shift held: asked for the destination name
    TransferWorker worker(ctx, hooks());
    ASSERT_TRUE(worker.start(PaneTransfer::Download, true));
    ASSERT_TRUE(wait(worker, 10s));
    EXPECT_EQ(read_file(path("renamed.bin")), "A");
    ASSERT_EQ(prompter.requests().size(), 1u);
    EXPECT_EQ(prompter.requests()[0].prompt, "Enter local file name for a.bin:");
    EXPECT_EQ(prompter.requests()[0].help_context, 220);

    // Nothing selected: the typed-name prompt, cancelled, leaves the worker free again.
    (void)remote_files.set_selected(-1, false);
    prompter.push_answer(std::nullopt);
    ASSERT_TRUE(worker.start(PaneTransfer::Download, false));
    ASSERT_TRUE(wait(worker, 10s));
    EXPECT_EQ(prompter.requests().back().prompt,
              "Enter remote file name to transfer to local system:");
    EXPECT_EQ(prompter.requests().back().help_context, 220);
    EXPECT_EQ(is_transfer_thread_busy(ctx), 0);
    prompter.push_answer(std::nullopt);
    EXPECT_TRUE(worker.start(PaneTransfer::Download, false));
    ASSERT_TRUE(wait(worker, 10s));
}

TEST_F(Worker, FilesNamedByPathGoUpUnderTheirOwnNamesSkippingWhatIsGone) {
    const TempDir elsewhere;
    const std::string one = (elsewhere.path() / "one.txt").string();
    const std::string two = (elsewhere.path() / "Two Words.TXT").string();
    write_file(one, "first");
    write_file(two, "second");
    const std::string gone = (elsewhere.path() / "gone.txt").string();
    const std::string folder = elsewhere.path().string();
    ctx.options.relist_after_change = 1;
    TransferWorker worker(ctx, hooks());
    ASSERT_TRUE(worker.start_upload_files({one, gone, folder, two}));
    EXPECT_FALSE(worker.start_upload_files({one}));  // one worker at a time
    ASSERT_TRUE(wait(worker, 10s));
    EXPECT_EQ(read_file((ftpd.home() / "one.txt").string()), "first");
    EXPECT_EQ(read_file((ftpd.home() / "Two Words.TXT").string()), "second") << "no lower-casing";
    EXPECT_FALSE(fs::exists(ftpd.home() / "gone.txt")) << "no empty file for a vanished one";
    EXPECT_TRUE(view.contains(gone + " is gone or not a file, not sent."));
    EXPECT_TRUE(view.contains(folder + " is gone or not a file, not sent."));
    EXPECT_TRUE(view.contains("sending " + two + " as Two Words.TXT (4 of 4)"));
    EXPECT_THAT(remote_files.texts(), ::testing::Contains(::testing::HasSubstr("Two Words.TXT")));
    EXPECT_EQ(local_files.foreign_uses() + remote_files.foreign_uses(), 0);
    EXPECT_EQ(is_transfer_thread_busy(ctx), 0);

    // A failed transfer ends the loop: the files after it stay where they are.
    const int files = static_cast<int>(std::distance(fs::directory_iterator(ftpd.home()), {}));
    ctx.control.shutdown_any_thread();
    ASSERT_TRUE(worker.start_upload_files({one, two}));
    ASSERT_TRUE(wait(worker, 10s));
    EXPECT_EQ(static_cast<int>(std::distance(fs::directory_iterator(ftpd.home()), {})), files);
    EXPECT_FALSE(view.contains("sending " + two + " as Two Words.TXT (2 of 2)"));
}

class SlowWorker : public Worker {
protected:
    SlowWorker() : Worker(slow()) {}
    static PyFtpdOptions slow() {
        PyFtpdOptions o;
        o.send_limit = 200 * 1024;
        return o;
    }
};

TEST_F(SlowWorker, CancelFromTheOwnerEndsWithinASecondAndKeepsTheRestartRecord) {
    const std::string big = binary_bytes(8 * 1024 * 1024);  // 40 s at the server's pace
    write_file((ftpd.home() / "big.bin").string(), big);
    write_file((ftpd.home() / "next.bin").string(), "never reached");
    list_remote_fresh(ctx);
    select(remote_files, {"big.bin", "next.bin"});
    TransferWorker worker(ctx, hooks());
    ASSERT_TRUE(worker.start(PaneTransfer::Download, false));
    const std::int64_t give_up = tick_count() + 10000;
    while ((!fs::exists(path("big.bin")) || fs::file_size(path("big.bin")) < 100000) &&
           tick_count() < give_up) {
        owner.pump();
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_GE(fs::file_size(path("big.bin")), 100000u);

    const std::int64_t cancelled_at = tick_count();
    worker.cancel();
    EXPECT_TRUE(wait(worker, 1000ms));
    EXPECT_LT(tick_count() - cancelled_at, 1000);
    EXPECT_LT(fs::file_size(path("big.bin")), big.size());
    EXPECT_FALSE(fs::exists(path("next.bin")));
    EXPECT_TRUE(read_restart_record(ctx, ctx.session.name).present());
    EXPECT_EQ(is_transfer_thread_busy(ctx), 0);
}

TEST_F(SlowWorker, ForcedAbortEndsTheWorkerWithoutKillingIt) {
    write_file((ftpd.home() / "big.bin").string(), binary_bytes(8 * 1024 * 1024));
    list_remote_fresh(ctx);
    select(remote_files, {"big.bin"});
    TransferWorker worker(ctx, hooks());
    ASSERT_TRUE(worker.start(PaneTransfer::Download, false));
    const std::int64_t give_up = tick_count() + 10000;
    while (!fs::exists(path("big.bin")) && tick_count() < give_up) {
        owner.pump();
        std::this_thread::sleep_for(10ms);
    }
    worker.abort_connection();
    EXPECT_TRUE(wait(worker, 2000ms));
    EXPECT_EQ(is_transfer_thread_busy(ctx), 0);
}

}  // namespace
}  // namespace varnix::test
