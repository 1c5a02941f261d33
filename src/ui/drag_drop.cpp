// Drag and drop on the file lists (see drag_drop.h).
#include "ui/drag_drop.h"

#include <sys/stat.h>

#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>
#include <array>
#include <system_error>

#include "batch/batch_context.h"
#include "listing/list_entries.h"
#include "listing/local_listing.h"
#include "ui/layout.h"
#include "ui/main_window.h"
#include "ui/main_window_lists.h"

namespace varnix::ui {

namespace {


// The tip sits at the centre (QCursor's hot spot for a pixmap), so the pages and the sign
// get the lower right quarter.
constexpr int cursor_size = 48;
constexpr QPointF tip(cursor_size / 2.0, cursor_size / 2.0);

// The arrow pointer, its tip at the centre, pointing up and left.
void draw_arrow(QPainter& p) {
    QPainterPath arrow;
    arrow.moveTo(tip);
    arrow.lineTo(tip + QPointF(0, 11));
    arrow.lineTo(tip + QPointF(3, 8));
    arrow.lineTo(tip + QPointF(5.5, 13));
    arrow.lineTo(tip + QPointF(7.5, 12));
    arrow.lineTo(tip + QPointF(5, 7.5));
    arrow.lineTo(tip + QPointF(8.5, 7.5));
    arrow.closeSubpath();
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::black);
    p.drawPath(arrow);
}

// A sheet of paper with a folded corner and three lines of text.
void draw_page(QPainter& p, QPointF at) {
    const QRectF sheet(at, QSizeF(8, 10));
    QPainterPath outline;
    outline.moveTo(sheet.topLeft());
    outline.lineTo(sheet.right() - 3, sheet.top());
    outline.lineTo(sheet.right(), sheet.top() + 3);
    outline.lineTo(sheet.bottomRight());
    outline.lineTo(sheet.bottomLeft());
    outline.closeSubpath();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawPath(outline);
    for (int line = 0; line < 3; ++line) {
        const double y = sheet.top() + 3.5 + 2 * line;
        p.drawLine(QPointF(sheet.left() + 2, y), QPointF(sheet.right() - 2, y));
    }
}

QPixmap draw_cursor(DragCursor which) {
    QPixmap pixmap(cursor_size, cursor_size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF corner = tip + QPointF(8, 6);
    switch (which) {
    case DragCursor::One:
        draw_page(p, corner);
        break;
    case DragCursor::Several:
        // A stack: three sheets, each a little lower and to the right.
        for (int i = 0; i < 3; ++i) draw_page(p, corner + QPointF(2.5 * i, 2.5 * i));
        break;
    case DragCursor::NoDrop: {
        // A red ring crossed out.
        const QRectF ring(corner, QSizeF(13, 13));
        p.setPen(QPen(QColor(255, 0, 0), 2.2));
        p.setBrush(Qt::white);
        p.drawEllipse(ring);
        const double inset = 2.0;
        p.drawLine(ring.topLeft() + QPointF(inset, inset), ring.bottomRight() - QPointF(inset, inset));
        break;
    }
    }
    draw_arrow(p);
    return pixmap;
}

std::string local_path_of(const QUrl& url) {
    return QFile::encodeName(url.toLocalFile()).toStdString();
}

// The local files a drop names; other URLs (web addresses) are left out.
std::vector<std::string> dropped_paths(const QMimeData& data) {
    std::vector<std::string> paths;
    for (const QUrl& url : data.urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) paths.push_back(local_path_of(url));
    }
    return paths;
}

bool is_folder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

const QPixmap& drag_cursor(DragCursor which) {
    // Made once, so that the drag shows the same pixmap while it stays over one kind of target.
    static const std::array<QPixmap, 3> cursors = {draw_cursor(DragCursor::One), draw_cursor(DragCursor::Several),
                                                   draw_cursor(DragCursor::NoDrop)};
    return cursors[static_cast<std::size_t>(which)];
}

ListDragDrop::ListDragDrop(MainWindow& window, DropHooks hooks)
    : QObject(&window), window_(window), hooks_(std::move(hooks)) {
    for (int index : {ctl::local_files, ctl::remote_files}) {
        PaneList* list = window_.list(index);
        list->setDragDropMode(QAbstractItemView::DragDrop);
        list->setDefaultDropAction(Qt::CopyAction);
        list->viewport()->setAcceptDrops(true);
        list->on_start_drag = [this, index] { start_drag(index); };
        // Drops reach the list (the viewport does not take them itself), presses the viewport.
        // Installed after the window's own filter, so seen first.
        list->installEventFilter(this);
        list->viewport()->installEventFilter(this);
    }
}

int ListDragDrop::list_of(const QObject* object) const {
    for (int index : {ctl::local_files, ctl::remote_files}) {
        const PaneList* list = window_.list(index);
        if (object == list || object == list->viewport()) return index;
    }
    return -1;
}

std::unique_ptr<QMimeData> ListDragDrop::drag_data(int list_index) const {
    BatchContext& ctx = window_.context();
    const PaneList* list = window_.list(list_index);
    const std::vector<int> selected = list->selected_indices();
    if (selected.empty()) return nullptr;
    auto data = std::make_unique<QMimeData>();
    if (list_index == ctl::local_files) {
        QList<QUrl> urls;
        for (int index : selected) {
            const std::string name = get_local_file_name(ctx, index);
            if (name.empty()) continue;
            urls.push_back(QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(local_file_path(ctx, name)))));
        }
        if (urls.isEmpty()) return nullptr;
        data->setUrls(urls);
    } else {
        QByteArray names;
        for (int index : selected) {
            const std::string name = get_remote_file_name(ctx, index);
            if (name.empty()) continue;
            names += QByteArray::fromStdString(name);
            names += '\n';
        }
        if (names.isEmpty()) return nullptr;
        data->setData(QString::fromLatin1(remote_entries_format), names);
    }
    return data;
}

void ListDragDrop::start_drag(int list_index) {
    if (window_.context().settings.drag_and_drop == 0) return;
    std::unique_ptr<QMimeData> data = drag_data(list_index);
    if (!data) return;
    const bool several = window_.list(list_index)->selected_indices().size() > 1;
    auto* drag = new QDrag(window_.list(list_index));
    drag->setMimeData(data.release());
    const QPixmap& over_target = drag_cursor(several ? DragCursor::Several : DragCursor::One);
    for (Qt::DropAction action : {Qt::CopyAction, Qt::MoveAction, Qt::LinkAction}) {
        drag->setDragCursor(over_target, action);
    }
    drag->setDragCursor(drag_cursor(DragCursor::NoDrop), Qt::IgnoreAction);
    // Copy only: a file manager must never move the local file away.
    (void)drag->exec(Qt::CopyAction, Qt::CopyAction);
}

bool ListDragDrop::accepts(int target, const QMimeData& data, const QObject* source) const {
    const int from = list_of(source);
    if (target != ctl::local_files && target != ctl::remote_files) return false;
    if (from == ctl::local_files) return target == ctl::remote_files;
    if (from == ctl::remote_files) return target == ctl::local_files;
    // From another program (or another window of ours): local files only.
    return !dropped_paths(data).empty();
}

const char* ListDragDrop::refusal(bool remote_target) const {
    const BatchContext& ctx = window_.context();
    if (remote_target && !ctx.connected.load()) return "NOT CONNECTED!! File(s) ignored.";
    if (ctx.busy_count.load() != 0 || (hooks_.transfer_running && hooks_.transfer_running())) {
        return "Busy!! File(s) ignored.";
    }
    return nullptr;
}

bool ListDragDrop::drop(int target, const QMimeData& data, const QObject* source) {
    if (!accepts(target, data, source)) return false;
    BatchContext& ctx = window_.context();
    // The stop flag is left alone: a refused drop must not undo a Cancel of the running
    // transfer; the transfer a drop starts clears it itself.
    const bool remote_target = target == ctl::remote_files;
    if (const char* why = refusal(remote_target)) {
        ctx.messages.print_message("%s", why);
        return true;
    }
    // Carried out after the drop event: the dragging side (this window's own drag loop, or
    // another program) is told at once that the drop was taken.
    const int from = list_of(source);
    if (from >= 0) {
        const int command = remote_target ? 939 : 940;
        QMetaObject::invokeMethod(
            this, [this, command] { window_.dispatch({command, Notify::Clicked, {}}); }, Qt::QueuedConnection);
        return true;
    }
    std::vector<std::string> paths = dropped_paths(data);
    QMetaObject::invokeMethod(
        this,
        [this, remote_target, paths = std::move(paths)] {
            if (remote_target) {
                upload_dropped(paths);
            } else {
                copy_dropped(paths);
            }
        },
        Qt::QueuedConnection);
    return true;
}

void ListDragDrop::upload_dropped(const std::vector<std::string>& paths) {
    BatchContext& ctx = window_.context();
    if (const char* why = refusal(true)) {  // the state may have changed since the drop
        ctx.messages.print_message("%s", why);
        return;
    }
    std::vector<std::string> files;
    std::vector<std::string> folders;
    for (const std::string& path : paths) (is_folder(path) ? folders : files).push_back(path);
    // The folders first: their walk runs here and is over before the files' worker starts.
    if (!folders.empty() && (!hooks_.upload_folders || !hooks_.upload_folders(folders))) return;
    if (files.empty()) return;
    if (!hooks_.upload_files || !hooks_.upload_files(std::move(files))) {
        ctx.messages.print_message("Busy!! File(s) ignored.");
    }
}

void ListDragDrop::copy_dropped(const std::vector<std::string>& paths) {
    BatchContext& ctx = window_.context();
    if (const char* why = refusal(false)) {
        ctx.messages.print_message("%s", why);
        return;
    }
    // On the worker: a large file must not hold the window up.
    if (!hooks_.copy_files || !hooks_.copy_files(paths)) ctx.messages.print_message("Busy!! File(s) ignored.");
}

bool ListDragDrop::eventFilter(QObject* watched, QEvent* event) {
    const int target = list_of(watched);
    if (target < 0) return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        // PRODRAG decides whether a press may become a drag; receiving drops does not depend on it.
        window_.list(target)->setDragEnabled(window_.context().settings.drag_and_drop != 0);
        return false;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* move = static_cast<QDragMoveEvent*>(event);
        if (move->mimeData() && accepts(target, *move->mimeData(), move->source())) {
            move->setDropAction(Qt::CopyAction);
            move->accept();
        } else {
            move->ignore();
        }
        return true;
    }
    case QEvent::DragLeave:
        return true;
    case QEvent::Drop: {
        auto* dropped = static_cast<QDropEvent*>(event);
        if (dropped->mimeData() && drop(target, *dropped->mimeData(), dropped->source())) {
            dropped->setDropAction(Qt::CopyAction);
            dropped->accept();
        } else {
            dropped->ignore();
        }
        return true;
    }
    default:
        return false;
    }
}

}  // namespace varnix::ui
