// The list-box and combo-box controls the engine drives (the panes' lists, the path boxes,
// the host-type lists), and in-memory implementations for batch runs without a window and tests.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnix {

// One item as a list holds it: its text (bytes, shown decoded) and its item data.
struct ListItem {
    std::string text;
    std::int64_t data = 0;
};

// The order a sorted list keeps: bytes compared after ASCII lower-casing. Every
// implementation uses this so the panes look the same with and without a window.
[[nodiscard]] bool list_text_less(std::string_view a, std::string_view b);

// A list's whole contents as one value: what a worker takes in one call to the GUI thread
// instead of one call per item.
struct ListSnapshot {
    std::vector<ListItem> items;
    std::vector<int> selected;  // indices of the selected items, top first
    int caret = -1;             // the current (focus) item, -1 when none

    // The selected items' texts, top first.
    [[nodiscard]] std::vector<std::string> selected_texts() const;
};

class ListBox {
public:
    virtual ~ListBox() = default;

    // Adds an item: a sorted list puts it after the items that do not sort after it, an
    // unsorted one at the end. Returns its index.
    virtual int add_item(std::string_view text) = 0;
    // Inserts at `index` (-1 or the count: at the end) without sorting. Returns the index,
    // -1 when `index` is past the end.
    virtual int insert_item(int index, std::string_view text) = 0;
    // Appends many items in one step, unsorted (fills of many thousand entries).
    virtual void append_items(std::span<const ListItem> items);
    virtual void clear() = 0;

    [[nodiscard]] virtual int count() const = 0;
    // The item's text, or nothing when there is no such item.
    [[nodiscard]] virtual std::optional<std::string> item_text(int index) const = 0;
    virtual bool set_item_data(int index, std::int64_t data) = 0;
    // The item's data, or nothing when there is no such item.
    [[nodiscard]] virtual std::optional<std::int64_t> item_data(int index) const = 0;

    // Selects or deselects one item; index -1 means every item. False when there is no such item.
    virtual bool set_selected(int index, bool selected) = 0;
    [[nodiscard]] virtual bool is_selected(int index) const = 0;
    // The selected items' indices, top first.
    [[nodiscard]] virtual std::vector<int> selected_indices() const = 0;
    // The current (focus) item, -1 when there is none.
    [[nodiscard]] virtual int caret_index() const = 0;
    // Every item, the selection and the caret at once. The default asks item by item; an
    // implementation may answer faster.
    [[nodiscard]] virtual ListSnapshot snapshot() const;

    // While off, changes are not painted (a fill of many items stays fast and flicker-free).
    virtual void set_redraw(bool on) = 0;
    // The width in pixels the horizontal scroll bar scrolls over.
    virtual void set_horizontal_extent(int pixels) = 0;
    // The width of `text` in pixels in the list font.
    [[nodiscard]] virtual int text_width(std::string_view text) const = 0;
    // The average character width in pixels of the system's dialog font.
    [[nodiscard]] virtual int dialog_char_width() const = 0;
};

class ComboBox {
public:
    virtual ~ComboBox() = default;
    // Adds an item (a sorted box keeps its order); returns its index.
    virtual int add_item(std::string_view text, std::int64_t data = 0) = 0;
    virtual void clear() = 0;
    [[nodiscard]] virtual int count() const = 0;
    [[nodiscard]] virtual std::optional<std::string> item_text(int index) const = 0;
    [[nodiscard]] virtual std::optional<std::int64_t> item_data(int index) const = 0;
    // The index of the item whose text equals `text` exactly, -1 when none does.
    [[nodiscard]] virtual int find_exact(std::string_view text) const = 0;
    // Selects an item (-1: none) and shows its text in the edit field; false for no such item.
    virtual bool select(int index) = 0;
    [[nodiscard]] virtual int selected_index() const = 0;
    // The text of the edit field (the selected item's text after a selection).
    virtual void set_edit_text(std::string_view text) = 0;
    [[nodiscard]] virtual std::string edit_text() const = 0;
};

// A list box held in memory: the pane lists of a batch run and of tests.
class MemoryListBox : public ListBox {
public:
    explicit MemoryListBox(bool sorted = false) : sorted_(sorted) {}

    int add_item(std::string_view text) override;
    int insert_item(int index, std::string_view text) override;
    void append_items(std::span<const ListItem> items) override;
    void clear() override;
    [[nodiscard]] int count() const override { return static_cast<int>(items_.size()); }
    [[nodiscard]] std::optional<std::string> item_text(int index) const override;
    bool set_item_data(int index, std::int64_t data) override;
    [[nodiscard]] std::optional<std::int64_t> item_data(int index) const override;
    bool set_selected(int index, bool selected) override;
    [[nodiscard]] bool is_selected(int index) const override;
    [[nodiscard]] std::vector<int> selected_indices() const override;
    [[nodiscard]] int caret_index() const override { return caret_; }
    [[nodiscard]] ListSnapshot snapshot() const override;
    void set_redraw(bool on) override { redraw_ = on; }
    void set_horizontal_extent(int pixels) override { extent_ = pixels; }
    [[nodiscard]] int text_width(std::string_view text) const override;
    [[nodiscard]] int dialog_char_width() const override { return dialog_char_width_; }

    // What a test or the batch output looks at.
    [[nodiscard]] std::vector<std::string> texts() const;
    [[nodiscard]] bool redraw() const { return redraw_; }
    [[nodiscard]] int horizontal_extent() const { return extent_; }
    // Pixel metrics of the pretend fonts.
    void set_metrics(int list_char_width, int dialog_char_width);

private:
    struct Item {
        std::string text;
        std::int64_t data = 0;
        bool selected = false;
    };
    [[nodiscard]] bool valid(int index) const { return index >= 0 && index < count(); }
    void adjust_caret_after_insert(int index);

    bool sorted_;
    std::vector<Item> items_;
    int caret_ = -1;
    bool redraw_ = true;
    int extent_ = 0;
    int list_char_width_ = 7;
    int dialog_char_width_ = 6;
};

// A combo box held in memory.
class MemoryComboBox : public ComboBox {
public:
    explicit MemoryComboBox(bool sorted = false) : sorted_(sorted) {}

    int add_item(std::string_view text, std::int64_t data = 0) override;
    void clear() override;
    [[nodiscard]] int count() const override { return static_cast<int>(items_.size()); }
    [[nodiscard]] std::optional<std::string> item_text(int index) const override;
    [[nodiscard]] std::optional<std::int64_t> item_data(int index) const override;
    [[nodiscard]] int find_exact(std::string_view text) const override;
    bool select(int index) override;
    [[nodiscard]] int selected_index() const override { return selected_; }
    void set_edit_text(std::string_view text) override { edit_text_ = text; }
    [[nodiscard]] std::string edit_text() const override { return edit_text_; }

private:
    [[nodiscard]] bool valid(int index) const { return index >= 0 && index < count(); }

    bool sorted_;
    std::vector<ListItem> items_;
    int selected_ = -1;
    std::string edit_text_;
};

}  // namespace varnix
