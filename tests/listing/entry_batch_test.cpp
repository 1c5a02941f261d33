// The batch fill gives exactly the one-by-one insertion order, for every sort code, on inputs
// made to hit the padding quirk, equal keys, control bytes and wide sizes.
#include <gmock/gmock.h>

#include <random>

#include "listing/entry_batch.h"
#include "listing/list_entries.h"

namespace varnix {
namespace {

struct Entry {
    std::string name;
    std::string detail;
    std::int64_t data;
};

std::string random_name(std::mt19937& rng) {
    // Few letters in both cases, dots, blanks and bytes around the blank, so equal keys,
    // prefixes of padded names and bytes that sort below the padding all happen often.
    static const std::string alphabet = "aAbB.. \x01\x1f\t|!~\xe9";
    std::uniform_int_distribution<int> length(1, 15), pick(0, static_cast<int>(alphabet.size()) - 1);
    std::string name(static_cast<std::size_t>(length(rng)), ' ');
    for (char& c : name) c = alphabet[static_cast<std::size_t>(pick(rng))];
    return name;
}

std::string random_detail(std::mt19937& rng, bool longdir) {
    if (!longdir) return {};
    std::uniform_int_distribution<int> day(1, 3), minute(0, 1), kind(0, 3);
    static const std::int64_t sizes[] = {0, 7, 1234, 10'000'000'000};
    return format_detail(1997, 3, static_cast<unsigned>(day(rng)), 12, static_cast<unsigned>(minute(rng)),
                         sizes[kind(rng)]);
}

std::vector<Entry> random_entries(std::mt19937& rng, std::size_t count, bool longdir) {
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < count; ++i) {
        entries.push_back({random_name(rng), random_detail(rng, longdir), static_cast<std::int64_t>(i)});
    }
    return entries;
}

std::vector<ListItem> one_by_one(const std::vector<ListItem>& start, const std::vector<Entry>& entries, int code) {
    MemoryListBox list;
    list.append_items(start);
    for (const auto& e : entries) {
        const int index = insert_file_entry(list, e.name, e.detail, code);
        if (index >= 0) {
            EXPECT_TRUE(list.set_item_data(index, e.data));
        }
    }
    std::vector<ListItem> items;
    for (int i = 0; i < list.count(); ++i) items.push_back({*list.item_text(i), *list.item_data(i)});
    return items;
}

std::vector<ListItem> batched(const std::vector<ListItem>& start, const std::vector<Entry>& entries, int code) {
    MemoryListBox list;
    list.append_items(start);
    FileEntryBatch batch(list, code);
    for (const auto& e : entries) (void)batch.add(e.name, e.detail, e.data);
    const int written = batch.finish();
    EXPECT_EQ(written, list.count());
    std::vector<ListItem> items;
    for (int i = 0; i < list.count(); ++i) items.push_back({*list.item_text(i), *list.item_data(i)});
    return items;
}

void expect_same(const std::vector<ListItem>& a, const std::vector<ListItem>& b, int code) {
    ASSERT_EQ(a.size(), b.size()) << "code " << code;
    for (std::size_t i = 0; i < a.size(); ++i) {
        ASSERT_EQ(a[i].text, b[i].text) << "code " << code << " at " << i;
        ASSERT_EQ(a[i].data, b[i].data) << "code " << code << " at " << i;
    }
}

TEST(FileEntryBatch, SameOrderAsOneByOneForEverySortCode) {
    std::mt19937 rng(12345);
    for (int code : {0, 1, 2, 3, 4, 5, 7, 0x10, 0x11, 0x12, 0x13, 0x14}) {
        for (bool longdir : {true, false}) {
            for (int round = 0; round < 6; ++round) {
                const auto entries = random_entries(rng, 400, longdir);
                expect_same(one_by_one({}, entries, code), batched({}, entries, code), code);
            }
        }
    }
}

TEST(FileEntryBatch, ContinuesFromWhatTheListHolds) {
    std::mt19937 rng(777);
    for (int code : {1, 2, 0x12, 3, 0x14}) {
        const auto first = random_entries(rng, 150, true);
        const auto start = one_by_one({}, first, code);
        const auto more = random_entries(rng, 150, true);
        expect_same(one_by_one(start, more, code), batched(start, more, code), code);
    }
}

TEST(FileEntryBatch, SortedAndReversedInputs) {
    // Sorted input is the usual server listing: every newcomer goes last (or first).
    std::vector<Entry> entries;
    for (int i = 0; i < 300; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "file%04d.txt", i % 150);
        entries.push_back({name, format_detail(2000, 1, 1, 0, 0, i), i});
    }
    for (int code : {1, 0x11, 2, 4, 0x14}) {
        expect_same(one_by_one({}, entries, code), batched({}, entries, code), code);
    }
}

TEST(FileEntryBatch, RefusedNamesAreLeftOut) {
    MemoryListBox list;
    FileEntryBatch batch(list, sort_code::name);
    EXPECT_FALSE(batch.add("x\t| y", "", 1));
    EXPECT_FALSE(batch.add("", "", 1));
    EXPECT_TRUE(batch.add("b", "", 2));
    EXPECT_TRUE(batch.add("a", "", 3));
    EXPECT_EQ(batch.finish(), 2);
    EXPECT_THAT(list.texts(), ::testing::ElementsAre("a", "b"));
    EXPECT_EQ(list.item_data(0), 3);
}

}  // namespace
}  // namespace varnix
