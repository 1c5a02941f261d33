// Filling a file list with many entries at once, in exactly the order that inserting them one
// by one with insert_file_entry gives, without reading the list from the top for each entry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/list_box.h"

namespace varnix {

// insert_file_entry puts a new entry before the first entry whose key it sorts before. The
// keys are plain byte strings, so whether a run of entries holds such an entry is answered by
// the run's largest key (smallest when reversed). The entries are kept in a tree in list
// order with that extreme per subtree, and the first such entry is found in O(log n). The
// list itself need not be in key order (padded names are not), and no other assumption is
// made, so the result is the one-by-one result for any input.
class FileEntryBatch {
public:
    // Starts from the list's present items (kept with their data, in their order).
    FileEntryBatch(ListBox& list, int code);

    // As insert_file_entry: false (and nothing added) when the name cannot be listed.
    bool add(std::string_view name, std::string_view detail, std::int64_t data);

    // Replaces the list's content with the entries in their order (selection is not kept);
    // returns the number of entries. The batch is empty afterwards.
    int finish();

    [[nodiscard]] std::size_t size() const { return items_.size(); }
    // The entries in list order.
    [[nodiscard]] std::vector<ListItem> items() const;

private:
    struct Node {
        int left = -1;
        int right = -1;
        std::uint32_t priority = 0;
        int size = 1;
        int extreme = -1;  // the node of this subtree with the largest (reversed: smallest) key
    };

    void append_existing(std::string text, std::int64_t data);
    void insert_node(int node, int position);
    [[nodiscard]] int insertion_position(std::string_view new_key) const;
    [[nodiscard]] bool sorts_before(std::string_view new_key, int node) const;
    [[nodiscard]] bool more_extreme(int a, int b) const;
    [[nodiscard]] int size_of(int node) const { return node < 0 ? 0 : nodes_[static_cast<std::size_t>(node)].size; }
    void update(int node);
    void split(int tree, int count, int& left, int& right);
    int insert_at(int tree, int position, int node);
    [[nodiscard]] std::vector<int> in_order() const;
    [[nodiscard]] std::uint32_t next_priority();

    ListBox& list_;
    int code_;
    bool keyed_;
    std::vector<ListItem> items_;
    std::vector<std::string> keys_;
    std::vector<Node> nodes_;
    int root_ = -1;
    std::uint64_t random_state_ = 0x9e3779b97f4a7c15ULL;
};

}  // namespace varnix
