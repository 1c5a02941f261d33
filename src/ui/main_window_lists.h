// The panes' list and path-box widgets: a list view over a plain model that fills a hundred
// thousand entries in one step, and a drop-down path box; both are the engine's controls.
#pragma once

#include <QAbstractListModel>
#include <QComboBox>
#include <QListView>
#include <QStyledItemDelegate>
#include <functional>
#include <vector>

#include "platform/list_box.h"
#include "ui/name_charset.h"

namespace varnix::ui {

// The entries of one list, with their item data. Rows are announced to views in one step per
// operation, never one at a time for a batch.
class PaneListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit PaneListModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}
    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    // Entries can be dragged (the view decides whether it lets them go).
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;

    void insert(int row, std::string_view text, std::int64_t data);
    void append(std::span<const ListItem> items);
    void clear();
    [[nodiscard]] const ListItem* item(int row) const;
    bool set_data(int row, std::int64_t data);
    void set_extent(int pixels) { extent_ = pixels; }
    void set_row_height(int pixels) { row_height_ = pixels; }
    // The character set the entries are shown in (the session's CHARSET); none: automatic.
    void set_name_charset(const std::string* charset) { charset_ = charset; }
    [[nodiscard]] QString shown(std::string_view text) const;
    // The row a sorted list puts `text` in: after every row that does not sort after it.
    [[nodiscard]] int sorted_row(std::string_view text) const;

private:
    std::vector<ListItem> items_;
    int extent_ = 0;
    int row_height_ = 16;
    const std::string* charset_ = nullptr;
    mutable NameDecoder decoder_;
};

// Draws an entry with its tab ("\t| ") expanded to the list's tab stops.
class PaneItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit PaneItemDelegate(QObject* parent = nullptr) : QStyledItemDelegate(parent) {}
    void set_tab_distance(int pixels) { tab_distance_ = pixels; }
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const override;

private:
    int tab_distance_ = 64;
};

// A directory or file list of a pane.
class PaneList : public QListView, public ListBox {
    Q_OBJECT
public:
    PaneList(bool sorted, bool horizontal_scroll, QWidget* parent = nullptr);

    int add_item(std::string_view text) override;
    int insert_item(int index, std::string_view text) override;
    void append_items(std::span<const ListItem> items) override;
    void clear() override;
    [[nodiscard]] int count() const override;
    [[nodiscard]] std::optional<std::string> item_text(int index) const override;
    bool set_item_data(int index, std::int64_t data) override;
    [[nodiscard]] std::optional<std::int64_t> item_data(int index) const override;
    bool set_selected(int index, bool selected) override;
    [[nodiscard]] bool is_selected(int index) const override;
    [[nodiscard]] std::vector<int> selected_indices() const override;
    [[nodiscard]] int caret_index() const override;
    void set_redraw(bool on) override;
    void set_horizontal_extent(int pixels) override;
    [[nodiscard]] int text_width(std::string_view text) const override;
    [[nodiscard]] int dialog_char_width() const override { return dialog_char_width_; }

    void set_dialog_char_width(int pixels);
    // A remote list shows names in the session's character set (read at each repaint).
    void set_name_charset(const std::string* charset) { model_.set_name_charset(charset); }
    [[nodiscard]] PaneListModel& model_data() { return model_; }

    // Replaces the view's own drag of its rows (the window drags the entries as files).
    std::function<void()> on_start_drag;

signals:
    void double_clicked_item();

protected:
    void changeEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void startDrag(Qt::DropActions supported) override;

private:
    void update_metrics();
    PaneListModel model_;
    PaneItemDelegate delegate_;
    bool sorted_;
    int dialog_char_width_ = 6;
};

// A pane's path box: a sorted drop-down list of the current folder and those above it.
class PathBox : public QComboBox, public ComboBox {
    Q_OBJECT
public:
    explicit PathBox(QWidget* parent = nullptr);
    int add_item(std::string_view text, std::int64_t data = 0) override;
    void clear() override;
    [[nodiscard]] int count() const override;
    [[nodiscard]] std::optional<std::string> item_text(int index) const override;
    [[nodiscard]] std::optional<std::int64_t> item_data(int index) const override;
    [[nodiscard]] int find_exact(std::string_view text) const override;
    bool select(int index) override;
    [[nodiscard]] int selected_index() const override;
    void set_edit_text(std::string_view text) override;
    [[nodiscard]] std::string edit_text() const override;

private:
    std::vector<ListItem> items_;  // the bytes behind each shown item
    std::string edit_text_;
};

}  // namespace varnix::ui
