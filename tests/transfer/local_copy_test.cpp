// Files dropped on the local list, copied into the local folder: what is copied, passed over
// and replaced; a stopped copy leaves the file it would have replaced whole.
#include <gmock/gmock.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "transfer/local_copy.h"
#include "transfer/transfer_fixture.h"

namespace varnix::test {
namespace {

namespace fs = std::filesystem;

class LocalCopy : public TransferTest {
protected:
    std::string from(const char* name) const { return (desktop.path() / name).string(); }
    std::size_t entries_here() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir.path()), {}));
    }
    TempDir desktop;
    PaneHooks hooks;
};

TEST_F(LocalCopy, CopiesReplacesAndPassesOverWithoutScratchFilesLeft) {
    write_file(from("new.bin"), binary_bytes(3 * 1024 * 1024 + 7));  // more than one piece
    write_file(from("keep.txt"), "the dropped one");
    write_file(path("keep.txt"), "the old one");
    write_file(path("here.txt"), "already here");
    fs::create_directory(from("folder"));
    ctx.stop_requested = true;  // left over from an earlier Cancel: a new drop starts afresh

    EXPECT_EQ(copy_into_local_dir(ctx, hooks, {from("new.bin"), from("keep.txt"), from("folder"),
                                               from("gone.txt"), path("here.txt")}),
              2);
    EXPECT_EQ(read_file(path("new.bin")), binary_bytes(3 * 1024 * 1024 + 7));
    EXPECT_EQ(read_file(path("keep.txt")), "the dropped one");
    EXPECT_EQ(read_file(path("here.txt")), "already here") << "a file copied onto itself stays whole";
    EXPECT_FALSE(fs::exists(path("folder")));
    EXPECT_TRUE(view.contains(from("folder") + " is a folder: not copied."));
    EXPECT_TRUE(view.contains("Copy of " + from("gone.txt") + " failed."));
    EXPECT_TRUE(view.contains("here.txt is already in this folder."));
    EXPECT_TRUE(view.contains("2 file(s) copied into " + ctx.local_dir));
    EXPECT_EQ(entries_here(), 3u) << "no scratch file is left";
    EXPECT_EQ(is_transfer_thread_busy(ctx), 0);
    // The pane shows the new file.
    bool listed = false;
    for (int i = 0; i < ctx.panes.local_files->count(); ++i) {
        listed |= ctx.panes.local_files->item_text(i)->find("new.bin") != std::string::npos;
    }
    EXPECT_TRUE(listed);
}

TEST_F(LocalCopy, StopDuringALargeCopyKeepsTheOldFileAndEndsTheRun) {
    // Sparse, so the source costs no disk; the copy writes real bytes, a piece at a time.
    {
        std::ofstream big(from("big.iso"), std::ios::binary);
        big.seekp(768LL * 1024 * 1024 - 1);
        big.put('x');
    }
    write_file(from("after.txt"), "never reached");
    write_file(path("big.iso"), "the old image");
    const fs::path scratch = dir.path() / ".big.iso.part";
    std::thread stopper([&] {
        // Stop once the copy has begun: its scratch file exists. Bounded at 60 s.
        for (int i = 0; i < 60000 && !fs::exists(scratch); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ctx.stop_requested = true;
    });
    const int copied = copy_into_local_dir(ctx, hooks, {from("big.iso"), from("after.txt")});
    stopper.join();
    EXPECT_EQ(copied, 0);
    EXPECT_EQ(read_file(path("big.iso")), "the old image");
    EXPECT_FALSE(fs::exists(scratch));
    EXPECT_FALSE(fs::exists(path("after.txt")));
    EXPECT_TRUE(view.contains("Copy of " + from("big.iso") + " cancelled."));
}

}  // namespace
}  // namespace varnix::test
