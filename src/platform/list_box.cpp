// List and combo boxes held in memory.
#include "platform/list_box.h"

#include <algorithm>

namespace varnix {

namespace {

unsigned char ascii_lower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

}  // namespace

bool list_text_less(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return ascii_lower(static_cast<unsigned char>(x)) <
                   ascii_lower(static_cast<unsigned char>(y));
        });
}

std::vector<std::string> ListSnapshot::selected_texts() const {
    std::vector<std::string> texts;
    texts.reserve(selected.size());
    for (const int index : selected) {
        if (index >= 0 && static_cast<std::size_t>(index) < items.size()) {
            texts.push_back(items[static_cast<std::size_t>(index)].text);
        }
    }
    return texts;
}

ListSnapshot ListBox::snapshot() const {
    ListSnapshot snap;
    const int n = count();
    snap.items.reserve(static_cast<std::size_t>(n > 0 ? n : 0));
    for (int i = 0; i < n; ++i) {
        snap.items.push_back({item_text(i).value_or(std::string()), item_data(i).value_or(0)});
    }
    snap.selected = selected_indices();
    snap.caret = caret_index();
    return snap;
}

ListSnapshot MemoryListBox::snapshot() const {
    ListSnapshot snap;
    snap.items.reserve(items_.size());
    for (std::size_t i = 0; i < items_.size(); ++i) {
        snap.items.push_back({items_[i].text, items_[i].data});
        if (items_[i].selected) snap.selected.push_back(static_cast<int>(i));
    }
    snap.caret = caret_;
    return snap;
}

void ListBox::append_items(std::span<const ListItem> items) {
    for (const auto& item : items) {
        const int index = insert_item(-1, item.text);
        set_item_data(index, item.data);
    }
}

int MemoryListBox::add_item(std::string_view text) {
    if (!sorted_) return insert_item(-1, text);
    const auto at = std::upper_bound(items_.begin(), items_.end(), text,
                                     [](std::string_view t, const Item& item) {
                                         return list_text_less(t, item.text);
                                     });
    return insert_item(static_cast<int>(at - items_.begin()), text);
}

int MemoryListBox::insert_item(int index, std::string_view text) {
    if (index == -1) index = count();
    if (index < 0 || index > count()) return -1;
    items_.insert(items_.begin() + index, Item{std::string(text), 0, false});
    adjust_caret_after_insert(index);
    return index;
}

void MemoryListBox::adjust_caret_after_insert(int index) {
    if (caret_ >= index) ++caret_;
}

void MemoryListBox::append_items(std::span<const ListItem> items) {
    items_.reserve(items_.size() + items.size());
    for (const auto& item : items) items_.push_back(Item{item.text, item.data, false});
}

void MemoryListBox::clear() {
    items_.clear();
    caret_ = -1;
}

std::optional<std::string> MemoryListBox::item_text(int index) const {
    if (!valid(index)) return std::nullopt;
    return items_[static_cast<std::size_t>(index)].text;
}

bool MemoryListBox::set_item_data(int index, std::int64_t data) {
    if (!valid(index)) return false;
    items_[static_cast<std::size_t>(index)].data = data;
    return true;
}

std::optional<std::int64_t> MemoryListBox::item_data(int index) const {
    if (!valid(index)) return std::nullopt;
    return items_[static_cast<std::size_t>(index)].data;
}

bool MemoryListBox::set_selected(int index, bool selected) {
    if (index == -1) {
        for (auto& item : items_) item.selected = selected;
        return true;
    }
    if (!valid(index)) return false;
    items_[static_cast<std::size_t>(index)].selected = selected;
    caret_ = index;
    return true;
}

bool MemoryListBox::is_selected(int index) const {
    return valid(index) && items_[static_cast<std::size_t>(index)].selected;
}

std::vector<int> MemoryListBox::selected_indices() const {
    std::vector<int> result;
    for (int i = 0; i < count(); ++i) {
        if (items_[static_cast<std::size_t>(i)].selected) result.push_back(i);
    }
    return result;
}

int MemoryListBox::text_width(std::string_view text) const {
    return static_cast<int>(text.size()) * list_char_width_;
}

std::vector<std::string> MemoryListBox::texts() const {
    std::vector<std::string> result;
    result.reserve(items_.size());
    for (const auto& item : items_) result.push_back(item.text);
    return result;
}

void MemoryListBox::set_metrics(int list_char_width, int dialog_char_width) {
    list_char_width_ = list_char_width;
    dialog_char_width_ = dialog_char_width;
}

int MemoryComboBox::add_item(std::string_view text, std::int64_t data) {
    auto at = items_.end();
    if (sorted_) {
        at = std::upper_bound(items_.begin(), items_.end(), text,
                              [](std::string_view t, const ListItem& item) {
                                  return list_text_less(t, item.text);
                              });
    }
    const int index = static_cast<int>(at - items_.begin());
    items_.insert(at, ListItem{std::string(text), data});
    if (selected_ >= index) ++selected_;
    return index;
}

void MemoryComboBox::clear() {
    items_.clear();
    selected_ = -1;
    edit_text_.clear();
}

std::optional<std::string> MemoryComboBox::item_text(int index) const {
    if (!valid(index)) return std::nullopt;
    return items_[static_cast<std::size_t>(index)].text;
}

std::optional<std::int64_t> MemoryComboBox::item_data(int index) const {
    if (!valid(index)) return std::nullopt;
    return items_[static_cast<std::size_t>(index)].data;
}

int MemoryComboBox::find_exact(std::string_view text) const {
    for (int i = 0; i < count(); ++i) {
        if (items_[static_cast<std::size_t>(i)].text == text) return i;
    }
    return -1;
}

bool MemoryComboBox::select(int index) {
    if (index == -1) {
        selected_ = -1;
        return true;
    }
    if (!valid(index)) return false;
    selected_ = index;
    edit_text_ = items_[static_cast<std::size_t>(index)].text;
    return true;
}

}  // namespace varnix
