// The panes' list and path-box widgets.
#include "ui/main_window_lists.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextOption>
#include <algorithm>

#include "ui/message_area.h"

namespace varnix::ui {

namespace {

bool in_range(int index, int count) { return index >= 0 && index < count; }

// The width as drawn: each tab advances to the next multiple of the tab distance.
int expanded_width(const QString& text, const QFontMetrics& fm, int tab_distance) {
    int x = 0;
    const auto parts = text.split(QLatin1Char('\t'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0) x = (x / tab_distance + 1) * tab_distance;
        x += fm.horizontalAdvance(parts[i]);
    }
    return x;
}

}  // namespace

// --- PaneListModel

Qt::ItemFlags PaneListModel::flags(const QModelIndex& index) const {
    const Qt::ItemFlags base = QAbstractListModel::flags(index);
    return index.isValid() ? base | Qt::ItemIsDragEnabled : base;
}

int PaneListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(items_.size());
}

QVariant PaneListModel::data(const QModelIndex& index, int role) const {
    const ListItem* entry = item(index.row());
    if (!entry || index.column() != 0) return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
    case Qt::ToolTipRole:
        return shown(entry->text);
    case Qt::SizeHintRole:
        // Uniform rows: the first row's size stands for all, so it carries the list's extent.
        return QSize(std::max(extent_, 1), row_height_);
    default:
        return {};
    }
}

QString PaneListModel::shown(std::string_view text) const {
    return charset_ ? decoder_.decode(text, *charset_) : display_text(text);
}

void PaneListModel::insert(int row, std::string_view text, std::int64_t data) {
    beginInsertRows({}, row, row);
    items_.insert(items_.begin() + row, ListItem{std::string(text), data});
    endInsertRows();
}

void PaneListModel::append(std::span<const ListItem> items) {
    if (items.empty()) return;
    const int first = static_cast<int>(items_.size());
    beginInsertRows({}, first, first + static_cast<int>(items.size()) - 1);
    items_.insert(items_.end(), items.begin(), items.end());
    endInsertRows();
}

void PaneListModel::clear() {
    beginResetModel();
    items_.clear();
    items_.shrink_to_fit();
    endResetModel();
}

const ListItem* PaneListModel::item(int row) const {
    if (!in_range(row, static_cast<int>(items_.size()))) return nullptr;
    return &items_[static_cast<std::size_t>(row)];
}

bool PaneListModel::set_data(int row, std::int64_t data) {
    if (!in_range(row, static_cast<int>(items_.size()))) return false;
    items_[static_cast<std::size_t>(row)].data = data;
    return true;
}

int PaneListModel::sorted_row(std::string_view text) const {
    const auto at = std::upper_bound(items_.begin(), items_.end(), text,
                                     [](std::string_view t, const ListItem& entry) {
                                         return list_text_less(t, entry.text);
                                     });
    return static_cast<int>(at - items_.begin());
}

// --- PaneItemDelegate

void PaneItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    const QWidget* widget = opt.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
    QTextOption layout(Qt::AlignLeft | Qt::AlignVCenter);
    layout.setWrapMode(QTextOption::NoWrap);
    layout.setTabStopDistance(tab_distance_);
    painter->save();
    painter->setFont(opt.font);
    const bool selected = opt.state & QStyle::State_Selected;
    const auto group = (opt.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    painter->setPen(opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setClipRect(area);
    painter->drawText(QRectF(area), text, layout);
    painter->restore();
}

QSize PaneItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QVariant hint = index.data(Qt::SizeHintRole);
    if (hint.isValid()) return hint.toSize();
    return QStyledItemDelegate::sizeHint(option, index);
}

// --- PaneList

PaneList::PaneList(bool sorted, bool horizontal_scroll, QWidget* parent)
    : QListView(parent), delegate_(this), sorted_(sorted) {
    setModel(&model_);
    setItemDelegate(&delegate_);
    setUniformItemSizes(true);  // a hundred thousand rows lay out in constant time
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(horizontal_scroll ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFrameShape(QFrame::NoFrame);  // the window draws the sunken edge around it
    setLayoutMode(QListView::SinglePass);
    setTextElideMode(Qt::ElideNone);
    update_metrics();
}

int PaneList::add_item(std::string_view text) {
    const int row = sorted_ ? model_.sorted_row(text) : model_.rowCount();
    model_.insert(row, text, 0);
    return row;
}

int PaneList::insert_item(int index, std::string_view text) {
    const int n = model_.rowCount();
    if (index == -1) index = n;
    if (index < 0 || index > n) return -1;
    model_.insert(index, text, 0);
    return index;
}

void PaneList::append_items(std::span<const ListItem> items) { model_.append(items); }

void PaneList::clear() { model_.clear(); }

int PaneList::count() const { return model_.rowCount(); }

std::optional<std::string> PaneList::item_text(int index) const {
    const ListItem* entry = model_.item(index);
    if (!entry) return std::nullopt;
    return entry->text;
}

bool PaneList::set_item_data(int index, std::int64_t data) { return model_.set_data(index, data); }

std::optional<std::int64_t> PaneList::item_data(int index) const {
    const ListItem* entry = model_.item(index);
    if (!entry) return std::nullopt;
    return entry->data;
}

bool PaneList::set_selected(int index, bool selected) {
    const auto flag = selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect;
    if (index == -1) {
        if (model_.rowCount() == 0) return true;
        const QItemSelection all(model_.index(0), model_.index(model_.rowCount() - 1));
        selectionModel()->select(all, flag);
        return true;
    }
    if (!in_range(index, model_.rowCount())) return false;
    selectionModel()->select(model_.index(index), flag);
    return true;
}

bool PaneList::is_selected(int index) const {
    if (!in_range(index, model_.rowCount())) return false;
    return selectionModel()->isSelected(model_.index(index));
}

std::vector<int> PaneList::selected_indices() const {
    std::vector<int> rows;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row) rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int PaneList::caret_index() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void PaneList::set_redraw(bool on) {
    viewport()->setUpdatesEnabled(on);
    if (on) viewport()->update();
}

void PaneList::set_horizontal_extent(int pixels) {
    model_.set_extent(pixels);
    // The first row's size hint stands for every row; tell the view it changed.
    if (model_.rowCount() > 0) emit model_.dataChanged(model_.index(0), model_.index(0), {Qt::SizeHintRole});
}

int PaneList::text_width(std::string_view text) const {
    const QFontMetrics fm(font());
    return expanded_width(model_.shown(text), fm, 8 * dialog_char_width_);
}

void PaneList::set_dialog_char_width(int pixels) {
    dialog_char_width_ = std::max(pixels, 1);
    // Tab stops every 32 dialog units, as list boxes with tab stops have them.
    delegate_.set_tab_distance(8 * dialog_char_width_);
    viewport()->update();
}

void PaneList::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) update_metrics();
    QListView::changeEvent(event);
}

void PaneList::mouseDoubleClickEvent(QMouseEvent* event) {
    QListView::mouseDoubleClickEvent(event);
    if (indexAt(event->position().toPoint()).isValid()) emit double_clicked_item();
}

void PaneList::startDrag(Qt::DropActions supported) {
    if (on_start_drag) {
        on_start_drag();
    } else {
        QListView::startDrag(supported);
    }
}

void PaneList::update_metrics() {
    model_.set_row_height(QFontMetrics(font()).height() + 1);
    if (model_.rowCount() > 0) emit model_.dataChanged(model_.index(0), model_.index(0), {Qt::SizeHintRole});
}

// --- PathBox

PathBox::PathBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setInsertPolicy(QComboBox::NoInsert);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(4);
}

int PathBox::add_item(std::string_view text, std::int64_t data) {
    const auto at = std::upper_bound(items_.begin(), items_.end(), text,
                                     [](std::string_view t, const ListItem& entry) {
                                         return list_text_less(t, entry.text);
                                     });
    const int row = static_cast<int>(at - items_.begin());
    items_.insert(at, ListItem{std::string(text), data});
    const QSignalBlocker quiet(this);
    insertItem(row, display_text(text));
    return row;
}

void PathBox::clear() {
    items_.clear();
    edit_text_.clear();
    const QSignalBlocker quiet(this);
    QComboBox::clear();
}

int PathBox::count() const { return static_cast<int>(items_.size()); }

std::optional<std::string> PathBox::item_text(int index) const {
    if (!in_range(index, count())) return std::nullopt;
    return items_[static_cast<std::size_t>(index)].text;
}

std::optional<std::int64_t> PathBox::item_data(int index) const {
    if (!in_range(index, count())) return std::nullopt;
    return items_[static_cast<std::size_t>(index)].data;
}

int PathBox::find_exact(std::string_view text) const {
    for (int i = 0; i < count(); ++i) {
        if (items_[static_cast<std::size_t>(i)].text == text) return i;
    }
    return -1;
}

bool PathBox::select(int index) {
    if (index != -1 && !in_range(index, count())) return false;
    const QSignalBlocker quiet(this);
    setCurrentIndex(index);
    edit_text_ = index == -1 ? std::string() : items_[static_cast<std::size_t>(index)].text;
    return true;
}

int PathBox::selected_index() const { return currentIndex(); }

void PathBox::set_edit_text(std::string_view text) {
    // A drop-down list shows only its items: the text selects the item that has it.
    edit_text_ = text;
    const QSignalBlocker quiet(this);
    setCurrentIndex(find_exact(text));
}

std::string PathBox::edit_text() const {
    const int index = currentIndex();
    if (in_range(index, count())) return items_[static_cast<std::size_t>(index)].text;
    return edit_text_;
}

}  // namespace varnix::ui
