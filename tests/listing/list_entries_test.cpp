// List entries: texts, the sort keys with the padding quirk, reading names back, joining a
// selection, widening.
#include <gmock/gmock.h>

#include "listing/list_entries.h"
#include "listing/text_helpers.h"

namespace varnix {
namespace {

using ::testing::ElementsAre;

const std::string march_5 = format_detail(1997, 3, 5, 14, 7, 1234);

// Inserts name/detail pairs one by one and returns the names as listed.
std::vector<std::string> names_after_inserting(
    ListingContext& ctx, const std::vector<std::pair<std::string, std::string>>& entries, int code) {
    MemoryListBox list;
    for (const auto& [name, detail] : entries) EXPECT_GE(insert_file_entry(list, name, detail, code), 0);
    std::vector<std::string> names;
    for (int i = 0; i < list.count(); ++i) names.push_back(get_entry_name(ctx, list, i));
    return names;
}

TEST(ListEntryText, PaddedNameSeparatorAndDetail) {
    EXPECT_EQ(march_5, "19970305 14:07       1234");
    EXPECT_EQ(make_entry_text("a.txt", march_5), "a.txt       \t| 19970305 14:07       1234");
    EXPECT_EQ(make_entry_text("twelve_chars", march_5), "twelve_chars\t| " + march_5);
    EXPECT_EQ(make_entry_text("a.txt", ""), "a.txt");
    // Sizes are 64-bit; the column is a minimum width.
    EXPECT_EQ(format_detail(2024, 12, 31, 23, 59, 5'000'000'000'000), "20241231 23:59 5000000000000");
}

TEST(ListEntryText, NamesThatCannotComeBackAreRefused) {
    EXPECT_TRUE(is_listable_name("a b.txt"));
    EXPECT_FALSE(is_listable_name(""));
    EXPECT_FALSE(is_listable_name("evil\t| 19970305"));
    EXPECT_FALSE(is_listable_name(std::string("nul\0x", 5)));
    EXPECT_FALSE(is_listable_name("two\r\nlines"));
    EXPECT_FALSE(is_listable_name(std::string(max_entry_name + 1, 'x')));
    MemoryListBox list;
    EXPECT_EQ(insert_file_entry(list, "a\nb", "", sort_code::name), -1);
    EXPECT_EQ(list.count(), 0);
}

TEST(CompareEntries, NameKeyIgnoresCaseAndSeesThePadding) {
    const std::string padded = make_entry_text("readme", march_5);
    EXPECT_LT(compare_entries(sort_code::name, "README", march_5, padded), 0);  // the quirk
    EXPECT_EQ(compare_entries(sort_code::name, "README", "", "readme"), 0);
    EXPECT_GT(compare_entries(sort_code::name, "b", "", "A"), 0);
    EXPECT_LT(compare_entries(sort_code::name | sort_code::reverse, "b", "", "A"), 0);
    EXPECT_EQ(compare_entries(sort_code::none, "a", "", "b"), 0);
    EXPECT_EQ(compare_entries(7, "a", "", "b"), 0);
}

TEST(CompareEntries, DateThenSizeAndWideSizes) {
    const auto older = format_detail(1997, 3, 5, 14, 7, 99999);
    const auto newer_small = format_detail(1998, 1, 1, 0, 0, 1);
    EXPECT_LT(compare_entries(sort_code::date, "x", older, make_entry_text("y", newer_small)), 0);
    EXPECT_GT(compare_entries(sort_code::size, "x", older, make_entry_text("y", newer_small)), 0);
    // A size past ten digits still sorts as a number.
    const auto huge = format_detail(1997, 3, 5, 14, 7, 10'000'000'000);
    const auto big = format_detail(1997, 3, 5, 14, 7, 9'999'999'999);
    EXPECT_GT(compare_entries(sort_code::size, "x", huge, make_entry_text("y", big)), 0);
    EXPECT_GT(compare_entries(sort_code::date, "x", huge, make_entry_text("y", big)), 0);
    // No detail on either side: equal.
    EXPECT_EQ(compare_entries(sort_code::date, "x", "", "y"), 0);
}

TEST(InsertFileEntry, ExtensionKeyWithAndWithoutPadding) {
    ListingContext ctx;
    const auto d = march_5;
    EXPECT_THAT(names_after_inserting(ctx, {{"b.c", d}, {"a", d}, {"c.C", d}, {"a.h", d}},
                                      sort_code::extension),
                ElementsAre("a", "c.C", "b.c", "a.h"));
    EXPECT_THAT(names_after_inserting(ctx, {{"b.c", ""}, {"a", ""}, {"c.C", ""}, {"a.h", ""}},
                                      sort_code::extension),
                ElementsAre("a", "b.c", "c.C", "a.h"));
}

TEST(InsertFileEntry, DateReversedNewestFirstAndTiesBySize) {
    ListingContext ctx;
    const auto mid_big = format_detail(1997, 6, 1, 12, 0, 500);
    const auto mid_small = format_detail(1997, 6, 1, 12, 0, 20);
    EXPECT_THAT(names_after_inserting(ctx,
                                      {{"old", format_detail(1990, 1, 1, 0, 0, 1)},
                                       {"mid_big", mid_big},
                                       {"new", format_detail(2001, 1, 1, 0, 0, 1)},
                                       {"mid_small", mid_small}},
                                      sort_code::date | sort_code::reverse),
                ElementsAre("new", "mid_big", "mid_small", "old"));
    EXPECT_THAT(names_after_inserting(ctx, {{"b", mid_big}, {"a", mid_small}}, sort_code::date),
                ElementsAre("a", "b"));
}

TEST(InsertFileEntry, EqualEntriesKeepArrivalOrderUnlessPadded) {
    ListingContext ctx;
    // Without details nothing is padded: equal names stay in listing order.
    EXPECT_THAT(names_after_inserting(ctx, {{"Same", ""}, {"same", ""}, {"SAME", ""}}, sort_code::name),
                ElementsAre("Same", "same", "SAME"));
    // Padded, each newcomer sorts before the earlier equal ones.
    const auto d = march_5;
    EXPECT_THAT(names_after_inserting(ctx, {{"Same", d}, {"same", d}, {"SAME", d}}, sort_code::name),
                ElementsAre("SAME", "same", "Same"));
    // Twelve characters and more are not padded.
    EXPECT_THAT(names_after_inserting(ctx, {{"long_name_12", d}, {"LONG_NAME_12", d}}, sort_code::name),
                ElementsAre("long_name_12", "LONG_NAME_12"));
    // Date and size keys find no detail when LONGDIR is off: listing order.
    EXPECT_THAT(names_after_inserting(ctx, {{"z", ""}, {"a", ""}, {"m", ""}}, sort_code::size | sort_code::reverse),
                ElementsAre("z", "a", "m"));
    EXPECT_THAT(names_after_inserting(ctx, {{"z", d}, {"a", d}, {"m", d}}, sort_code::none),
                ElementsAre("z", "a", "m"));
}

TEST(RemoteEntries, DirectoriesAndFilesCarryTheirSizes) {
    ListingContext ctx;
    EXPECT_EQ(add_directory_entry(ctx, "..", march_5, 0), -1);
    EXPECT_EQ(add_directory_entry(ctx, ".", march_5, 0), -1);
    EXPECT_EQ(add_directory_entry(ctx, "", march_5, 0), -1);
    EXPECT_GE(add_directory_entry(ctx, "pub", march_5, 512), 0);
    EXPECT_EQ(add_remote_file_entry(ctx, "", march_5, 1), -1);
    ASSERT_GE(add_remote_file_entry(ctx, "a.txt", march_5, 1234), 0);
    ASSERT_GE(add_remote_file_entry(ctx, "B.txt", march_5, 6'000'000'000), 0);

    EXPECT_EQ(ctx.panes.remote_files->item_text(0), "a.txt       \t| 19970305 14:07       1234");
    EXPECT_EQ(get_remote_file_name(ctx, 1), "B.txt");
    EXPECT_EQ(ctx.last_entry_size, 6'000'000'000);
    EXPECT_EQ(get_remote_file_name(ctx, 0), "a.txt");
    EXPECT_EQ(ctx.last_entry_size, 1234);
    EXPECT_EQ(get_remote_file_name(ctx, 2), "");
    EXPECT_EQ(ctx.last_entry_size, 0);
    EXPECT_EQ(get_entry_name(ctx, *ctx.panes.remote_dirs, 0), "pub");
    EXPECT_EQ(ctx.last_entry_size, 512);

    ctx.settings.full_directory_info = 0;
    ASSERT_GE(add_remote_file_entry(ctx, "c.txt", march_5, 7), 0);
    EXPECT_EQ(ctx.panes.remote_files->item_text(2), "c.txt");
}

TEST(RemoteEntries, WidthCounterWidensOnlyForLongerEntries) {
    ListingContext ctx;
    ctx.pane_memory.remote_files.set_metrics(7, 6);
    ASSERT_GE(add_remote_file_entry(ctx, "a", march_5, 1), 0);
    const std::size_t first = make_entry_text("a", march_5).size();
    EXPECT_EQ(ctx.remote_width, first);
    EXPECT_EQ(ctx.pane_memory.remote_files.horizontal_extent(), static_cast<int>(first) * 7 + 12 * 6);
    ctx.pane_memory.remote_files.set_horizontal_extent(1);
    ASSERT_GE(add_remote_file_entry(ctx, "b", march_5, 1), 0);  // same length: no measuring
    EXPECT_EQ(ctx.pane_memory.remote_files.horizontal_extent(), 1);
    ASSERT_GE(add_remote_file_entry(ctx, "a_name_longer_than_twelve", march_5, 1), 0);
    EXPECT_GT(ctx.pane_memory.remote_files.horizontal_extent(), 1);
}

TEST(JoinSelectedNames, SkipsNamesThatDoNotFitAndTakesLaterShortOnes) {
    ListingContext ctx;
    MemoryListBox list;
    for (const char* name : {"aaaa", "bbbbbbbbbb", "cc", "dd"}) {
        (void)insert_file_entry(list, name, march_5, sort_code::none);
    }
    for (int i : {0, 1, 2, 3}) ASSERT_TRUE(list.set_selected(i, true));
    std::string out;
    EXPECT_EQ(join_selected_names(ctx, list, out, 512), 4);
    EXPECT_EQ(out, "aaaa bbbbbbbbbb cc dd");
    // 11 bytes: "aaaa" (4+2 < 11), not "bbbbbbbbbb" (10+2 >= 7), "cc" (2+2 < 7), not "dd" (2+2 >= 4).
    EXPECT_EQ(join_selected_names(ctx, list, out, 11), 2);
    EXPECT_EQ(out, "aaaa cc");
    EXPECT_EQ(join_selected_names(ctx, list, out, 3), 0);
    EXPECT_EQ(out, "");
}

TEST(TextHelpers, LowerStripFind) {
    std::string text = "MiXeD.TXT \t\r\n";
    strip_trailing_blanks(text);
    EXPECT_EQ(text, "MiXeD.TXT");
    lower_case(text);
    EXPECT_EQ(text, "mixed.txt");
    std::string high = "\xC4Z";
    lower_case(high);
    EXPECT_EQ(high, "\xC4z");  // bytes beyond ASCII stay
    EXPECT_EQ(find_text("a.txt", ".t"), 1u);
    EXPECT_EQ(find_text("a.txt", ".T"), std::nullopt);
    std::string blanks = "   ";
    strip_trailing_blanks(blanks);
    EXPECT_EQ(blanks, "");
}

}  // namespace
}  // namespace varnix
