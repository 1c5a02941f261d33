// The local pane and the directory dump, on a scratch folder made by each test.
#include <gmock/gmock.h>

#include <unistd.h>
#include <utime.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "listing/list_entries.h"
#include "listing/local_listing.h"
#include "platform/directory_scan.h"

namespace varnix {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

// A fresh folder made the current directory for the test; the old one restored after it.
class LocalFolder : public ::testing::Test {
protected:
    LocalFolder() : previous_(fs::current_path()) {
        std::string pattern = (fs::temp_directory_path() / "varnix-local-XXXXXX").string();
        root_ = mkdtemp(pattern.data()) ? pattern : std::string();
        fs::current_path(root_);
        ctx.local_dir = root_;
    }
    ~LocalFolder() override {
        fs::current_path(previous_);
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    static void make_file(const std::string& name, std::size_t size = 0, std::time_t mtime = 0) {
        std::ofstream(name, std::ios::binary) << std::string(size, 'x');
        if (mtime != 0) set_time(name, mtime);
    }
    static void set_time(const std::string& name, std::time_t mtime) {
        utimbuf times{mtime, mtime};
        ASSERT_EQ(utime(name.c_str(), &times), 0);
    }
    static std::time_t local_time(int y, int mo, int d, int h, int mi) {
        std::tm t{};
        t.tm_year = y - 1900;
        t.tm_mon = mo - 1;
        t.tm_mday = d;
        t.tm_hour = h;
        t.tm_min = mi;
        t.tm_isdst = -1;
        return std::mktime(&t);
    }

    ListingContext ctx;
    fs::path previous_;
    std::string root_;
};

TEST_F(LocalFolder, ForcedLowerCaseWithoutDetails) {
    fs::create_directory("SUB");
    make_file("a.txt");
    make_file("B.TXT");
    ctx.settings.full_directory_info = 0;
    ctx.options.force_lowercase = 1;
    list_local(ctx);
    EXPECT_THAT(ctx.pane_memory.local_dirs.texts(), ElementsAre("..", "sub"));
    EXPECT_THAT(ctx.pane_memory.local_files.texts(), ElementsAre("a.txt", "b.txt"));
    // The shown name leads back to the file as it is on disk.
    EXPECT_EQ(get_local_file_name(ctx, 1), "B.TXT");
    EXPECT_EQ(local_disk_name(ctx, "sub"), "SUB");
    EXPECT_TRUE(ctx.pane_memory.local_dirs.redraw());
    EXPECT_TRUE(ctx.pane_memory.local_files.redraw());
    EXPECT_EQ(ctx.pane_memory.local_path_box.edit_text(), fs::current_path().string());
}

TEST_F(LocalFolder, ForcedLowerCaseKeepsNamesThatWouldCollide) {
    make_file("README");
    make_file("readme");
    make_file("Other");
    ctx.settings.full_directory_info = 0;
    ctx.options.force_lowercase = 1;
    list_local(ctx);
    // Equal under the name key, the two keep the order the folder gives them.
    EXPECT_THAT(ctx.pane_memory.local_files.texts(), UnorderedElementsAre("other", "readme", "README"));
    EXPECT_EQ(get_local_file_name(ctx, 0), "Other");
    for (int i : {1, 2}) {
        EXPECT_EQ(get_local_file_name(ctx, i), ctx.pane_memory.local_files.item_text(i));
    }
}

TEST_F(LocalFolder, MaskMatchesFilesOnlyIgnoringCase) {
    fs::create_directory("dir_a");
    fs::create_directory("Ydir");
    for (const char* name : {"x1.txt", "X2", "y.txt", "noext"}) make_file(name);
    ctx.settings.full_directory_info = 0;
    ctx.local_mask = "x*";
    list_local(ctx);
    EXPECT_THAT(ctx.pane_memory.local_dirs.texts(), ElementsAre("..", "dir_a", "Ydir"));
    EXPECT_THAT(ctx.pane_memory.local_files.texts(), ElementsAre("x1.txt", "X2"));
    ctx.local_mask = "";
    list_local(ctx);
    EXPECT_EQ(ctx.local_mask, "*.*");
    EXPECT_THAT(ctx.pane_memory.local_files.texts(), ElementsAre("noext", "x1.txt", "X2", "y.txt"));
}

TEST_F(LocalFolder, DetailsSortAndWidth) {
    make_file("small.txt", 3, local_time(1997, 3, 5, 14, 7));
    make_file("big.dat", 1234, local_time(1999, 1, 2, 3, 4));
    fs::create_directory("Docs");
    set_time("Docs", local_time(2001, 7, 1, 9, 5));
    ctx.settings.local_sort = sort_code::size | sort_code::reverse;
    list_local(ctx);
    EXPECT_THAT(ctx.pane_memory.local_dirs.texts(),
                ElementsAre("..", "Docs        \t| 20010701 09:05          0"));
    EXPECT_THAT(ctx.pane_memory.local_files.texts(),
                ElementsAre("big.dat     \t| 19990102 03:04       1234",
                            "small.txt   \t| 19970305 14:07          3"));
    EXPECT_EQ(get_local_file_name(ctx, 1), "small.txt");
    EXPECT_EQ(ctx.last_entry_size, 0);  // local entries carry no size
    EXPECT_EQ(ctx.local_width, std::string("small.txt   \t| 19970305 14:07          3").size());
    EXPECT_GT(ctx.pane_memory.local_files.horizontal_extent(), 0);
}

TEST_F(LocalFolder, HostileNamesAreNotListed) {
    make_file("two\nlines");
    make_file("tab\t| sep");
    make_file("fine");
    ctx.settings.full_directory_info = 0;
    list_local(ctx);
    EXPECT_THAT(ctx.pane_memory.local_files.texts(), ElementsAre("fine"));
}

TEST_F(LocalFolder, DumpLineFormats) {
    make_file("readme.txt", 512, local_time(1997, 7, 1, 9, 5));
    make_file("a_name_that_is_longer_than_thirty_characters.txt", 1, local_time(2001, 12, 24, 18, 30));
    fs::create_directory("sub");
    set_time("sub", local_time(2010, 1, 2, 3, 4));
    const std::string dump_path = (fs::temp_directory_path() / ("varnix-dump-" + std::to_string(getpid()))).string();
    EXPECT_EQ(write_local_directory_dump(fs::current_path().string(), dump_path), 1);
    std::ifstream in(dump_path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    fs::remove(dump_path);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], " Directory of " + fs::current_path().string());
    EXPECT_EQ(lines[1], "");
    EXPECT_TRUE(lines[2].starts_with(".                              <DIR>      "));
    EXPECT_TRUE(lines[3].starts_with("..                             <DIR>      "));
    std::vector<std::string> rest(lines.begin() + 4, lines.end());
    EXPECT_THAT(rest, UnorderedElementsAre(
                          "readme.txt                            512 97-07-01   9:05",
                          "a_name_that_is_longer_than_thi          1 101-12-24  18:30",
                          "sub                            <DIR>      110-01-02   3:04"));
}

TEST_F(LocalFolder, ThePanesDirectoryIsHeldApartFromTheProcessDirectory) {
    fs::create_directory("sub");
    make_file("sub/inner.txt");
    make_file("outer.txt");
    ctx.settings.full_directory_info = 0;
    ASSERT_TRUE(set_local_dir(ctx, "sub"));
    list_local(ctx);
    EXPECT_THAT(ctx.pane_memory.local_files.texts(), ElementsAre("inner.txt"));
    EXPECT_EQ(fs::current_path(), fs::path(root_));  // the process did not move
    EXPECT_EQ(local_file_path(ctx, "x.bin"), ctx.local_dir + "/x.bin");
    EXPECT_EQ(local_file_path(ctx, "/abs/y"), "/abs/y");

    EXPECT_FALSE(set_local_dir(ctx, "missing"));
    EXPECT_FALSE(set_local_dir(ctx, "../sub/inner.txt"));  // a file, not a folder
    EXPECT_EQ(ctx.local_dir, fs::canonical(root_ + "/sub").string());
    ASSERT_TRUE(set_local_dir(ctx, ".."));
    EXPECT_EQ(ctx.local_dir, fs::canonical(root_).string());
    list_local(ctx);
    EXPECT_THAT(ctx.pane_memory.local_files.texts(), ElementsAre("outer.txt"));
}

TEST_F(LocalFolder, DumpToAnUncreatableFileStillAnswersOne) {
    EXPECT_EQ(write_local_directory_dump(".", "/nonexistent-dir/x/dump.txt"), 1);
}

TEST(MaskMatches, WindowsRules) {
    EXPECT_TRUE(mask_matches("*.*", "noext"));
    EXPECT_TRUE(mask_matches("*.*", ".hidden"));
    EXPECT_TRUE(mask_matches("*.TXT", "a.txt"));
    EXPECT_FALSE(mask_matches("*.txt", "a.txt.gz"));
    EXPECT_TRUE(mask_matches("a*.*", "abc"));
    EXPECT_TRUE(mask_matches("file?.txt", "file1.txt"));
    EXPECT_TRUE(mask_matches("file?.txt", "file.txt"));
    EXPECT_FALSE(mask_matches("file?.txt", "file12.txt"));
    EXPECT_TRUE(mask_matches("x?", "x"));
    EXPECT_FALSE(mask_matches("x*", "yx"));
    EXPECT_FALSE(mask_matches("", "x"));
    EXPECT_FALSE(mask_matches("abc", "ab"));
}

TEST(ScanDirectory, DotEntriesFirstAndUnreadableFolder) {
    const auto entries = scan_directory("/");
    ASSERT_TRUE(entries.has_value());
    ASSERT_GE(entries->size(), 2u);
    EXPECT_EQ((*entries)[0].name, ".");
    EXPECT_EQ((*entries)[1].name, "..");
    EXPECT_TRUE((*entries)[0].is_directory);
    EXPECT_FALSE(scan_directory("/nonexistent-varnix-dir").has_value());
}

}  // namespace
}  // namespace varnix
