// The batch fill of a file list.
#include "listing/entry_batch.h"

#include "listing/list_entries.h"

namespace varnix {

FileEntryBatch::FileEntryBatch(ListBox& list, int code)
    : list_(list), code_(code), keyed_(has_sort_key(code)) {
    const int n = list.count();
    for (int i = 0; i < n; ++i) {
        if (auto text = list.item_text(i)) append_existing(std::move(*text), list.item_data(i).value_or(0));
    }
}

void FileEntryBatch::append_existing(std::string text, std::int64_t data) {
    const int node = static_cast<int>(items_.size());
    if (keyed_) keys_.push_back(existing_entry_key(code_, text));
    items_.push_back(ListItem{std::move(text), data});
    insert_node(node, node);
}

bool FileEntryBatch::add(std::string_view name, std::string_view detail, std::int64_t data) {
    if (!is_listable_name(name)) return false;
    std::string text = make_entry_text(name, detail);
    const int node = static_cast<int>(items_.size());
    int position = node;
    if (keyed_) {
        position = insertion_position(new_entry_key(code_, name, detail));
        keys_.push_back(existing_entry_key(code_, text));
    }
    items_.push_back(ListItem{std::move(text), data});
    insert_node(node, position);
    return true;
}

void FileEntryBatch::insert_node(int node, int position) {
    if (!keyed_) return;  // without a key the order is the order of arrival
    Node fresh;
    fresh.priority = next_priority();
    fresh.extreme = node;
    nodes_.push_back(fresh);
    root_ = insert_at(root_, position, node);
}

bool FileEntryBatch::sorts_before(std::string_view new_key, int node) const {
    return compare_entry_keys(code_, new_key, keys_[static_cast<std::size_t>(node)]) < 0;
}

bool FileEntryBatch::more_extreme(int a, int b) const {
    const int order = keys_[static_cast<std::size_t>(a)].compare(keys_[static_cast<std::size_t>(b)]);
    return (code_ & sort_code::reverse) ? order < 0 : order > 0;
}

int FileEntryBatch::insertion_position(std::string_view new_key) const {
    int position = 0;
    int tree = root_;
    while (tree >= 0) {
        const Node& t = nodes_[static_cast<std::size_t>(tree)];
        if (t.left >= 0 && sorts_before(new_key, nodes_[static_cast<std::size_t>(t.left)].extreme)) {
            tree = t.left;
            continue;
        }
        if (sorts_before(new_key, tree)) return position + size_of(t.left);
        position += size_of(t.left) + 1;
        tree = t.right;
    }
    return position;
}

void FileEntryBatch::update(int node) {
    Node& t = nodes_[static_cast<std::size_t>(node)];
    t.size = 1 + size_of(t.left) + size_of(t.right);
    t.extreme = node;
    for (const int child : {t.left, t.right}) {
        if (child < 0) continue;
        const int candidate = nodes_[static_cast<std::size_t>(child)].extreme;
        if (more_extreme(candidate, t.extreme)) t.extreme = candidate;
    }
}

void FileEntryBatch::split(int tree, int count, int& left, int& right) {
    if (tree < 0) {
        left = right = -1;
        return;
    }
    Node& t = nodes_[static_cast<std::size_t>(tree)];
    if (size_of(t.left) < count) {
        int rest_left = -1;
        split(t.right, count - size_of(t.left) - 1, rest_left, right);
        nodes_[static_cast<std::size_t>(tree)].right = rest_left;
        left = tree;
    } else {
        int rest_right = -1;
        split(t.left, count, left, rest_right);
        nodes_[static_cast<std::size_t>(tree)].left = rest_right;
        right = tree;
    }
    update(tree);
}

int FileEntryBatch::insert_at(int tree, int position, int node) {
    if (tree < 0) return node;
    Node& n = nodes_[static_cast<std::size_t>(node)];
    if (n.priority > nodes_[static_cast<std::size_t>(tree)].priority) {
        int left = -1, right = -1;
        split(tree, position, left, right);
        nodes_[static_cast<std::size_t>(node)].left = left;
        nodes_[static_cast<std::size_t>(node)].right = right;
        update(node);
        return node;
    }
    const int left_size = size_of(nodes_[static_cast<std::size_t>(tree)].left);
    if (position <= left_size) {
        const int child = insert_at(nodes_[static_cast<std::size_t>(tree)].left, position, node);
        nodes_[static_cast<std::size_t>(tree)].left = child;
    } else {
        const int child = insert_at(nodes_[static_cast<std::size_t>(tree)].right, position - left_size - 1, node);
        nodes_[static_cast<std::size_t>(tree)].right = child;
    }
    update(tree);
    return tree;
}

std::vector<int> FileEntryBatch::in_order() const {
    std::vector<int> order;
    order.reserve(items_.size());
    if (!keyed_) {
        for (int i = 0; i < static_cast<int>(items_.size()); ++i) order.push_back(i);
        return order;
    }
    std::vector<int> stack;
    int tree = root_;
    while (tree >= 0 || !stack.empty()) {
        while (tree >= 0) {
            stack.push_back(tree);
            tree = nodes_[static_cast<std::size_t>(tree)].left;
        }
        tree = stack.back();
        stack.pop_back();
        order.push_back(tree);
        tree = nodes_[static_cast<std::size_t>(tree)].right;
    }
    return order;
}

std::vector<ListItem> FileEntryBatch::items() const {
    std::vector<ListItem> result;
    result.reserve(items_.size());
    for (const int i : in_order()) result.push_back(items_[static_cast<std::size_t>(i)]);
    return result;
}

int FileEntryBatch::finish() {
    std::vector<ListItem> ordered;
    ordered.reserve(items_.size());
    for (const int i : in_order()) ordered.push_back(std::move(items_[static_cast<std::size_t>(i)]));
    list_.clear();
    list_.append_items(ordered);
    items_.clear();
    keys_.clear();
    nodes_.clear();
    root_ = -1;
    return static_cast<int>(ordered.size());
}

std::uint32_t FileEntryBatch::next_priority() {
    // xorshift64*: any fixed sequence keeps the tree balanced on average and runs repeatable.
    random_state_ ^= random_state_ >> 12;
    random_state_ ^= random_state_ << 25;
    random_state_ ^= random_state_ >> 27;
    return static_cast<std::uint32_t>((random_state_ * 0x2545F4914F6CDD1DULL) >> 32);
}

}  // namespace varnix
