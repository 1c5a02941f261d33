// The in-memory list and combo boxes behave like the controls the engine expects.
#include <gmock/gmock.h>

#include "listing/path_box.h"
#include "platform/list_box.h"

namespace varnix {
namespace {

using ::testing::ElementsAre;

TEST(MemoryListBox, SortedAddInsertAndSelection) {
    MemoryListBox sorted(true);
    EXPECT_EQ(sorted.add_item("beta"), 0);
    EXPECT_EQ(sorted.add_item("Alpha"), 0);
    EXPECT_EQ(sorted.add_item("alpha"), 1);  // after the equal one
    EXPECT_EQ(sorted.insert_item(0, "zz"), 0);  // an insert does not sort
    EXPECT_EQ(sorted.insert_item(9, "x"), -1);
    EXPECT_THAT(sorted.texts(), ElementsAre("zz", "Alpha", "alpha", "beta"));

    EXPECT_TRUE(sorted.set_selected(3, true));
    EXPECT_TRUE(sorted.set_selected(1, true));
    EXPECT_EQ(sorted.caret_index(), 1);
    EXPECT_THAT(sorted.selected_indices(), ElementsAre(1, 3));
    EXPECT_FALSE(sorted.set_selected(4, true));
    EXPECT_TRUE(sorted.set_selected(-1, false));
    EXPECT_TRUE(sorted.selected_indices().empty());
    EXPECT_TRUE(sorted.set_selected(-1, true));
    EXPECT_EQ(sorted.selected_indices().size(), 4u);

    EXPECT_FALSE(sorted.item_data(4).has_value());
    EXPECT_TRUE(sorted.set_item_data(2, 42));
    EXPECT_EQ(sorted.item_data(2), 42);
    sorted.clear();
    EXPECT_EQ(sorted.count(), 0);
    EXPECT_EQ(sorted.caret_index(), -1);
}

TEST(MemoryComboBox, PathBoxShowsEachDirectoryOnce) {
    MemoryComboBox box(true);
    show_path_in_box(&box, "/home/b");
    show_path_in_box(&box, "/home/a");
    show_path_in_box(&box, "/home/b");
    EXPECT_EQ(box.count(), 2);
    EXPECT_EQ(box.edit_text(), "/home/b");
    EXPECT_EQ(box.item_text(box.selected_index()), "/home/b");
    show_path_in_box(nullptr, "/ignored");
}

TEST(MemoryComboBox, HostTypesCarryTheirCodes) {
    MemoryComboBox box;
    fill_host_type_combo(box);
    ASSERT_GT(box.count(), 10);
    EXPECT_EQ(box.item_data(0), 6000);
    EXPECT_TRUE(select_host_type(box, 6010));
    EXPECT_EQ(box.item_data(box.selected_index()), 6010);
    EXPECT_FALSE(select_host_type(box, 1));
    EXPECT_EQ(box.selected_index(), -1);
}

}  // namespace
}  // namespace varnix
