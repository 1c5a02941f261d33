// The main window: controls, layout, painting, splitters and the common control behaviour.
#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>
#include <qdrawutil.h>

#include "listing/local_listing.h"
#include "net/control_connection.h"
#include "net/logon.h"
#include "ui/dialog_units.h"
#include "ui/help/help_contexts.h"
#include "ui/main_window_lists.h"
#include "ui/message_area.h"

namespace varnix::ui {

namespace {

// What a screen reader says for each control, in table order.
constexpr std::array<const char*, control_count> accessible_names = {
    "Local folder path", "Remote folder path", "Previous message", "Newest message",
    "Local transfer status", "Remote transfer status", "Message history",
    "Local folders", "Local files", "Remote folders", "Remote files",
    "Transfer local to remote", "Transfer remote to local",
    "Local: change folder", "Local: make folder", "Local: remove folder", "Local file mask",
    "Local: view file", "Local: open file", "Local: rename", "Local: delete", "Local: refresh",
    "Local: folder information",
    "Remote: change folder", "Remote: make folder", "Remote: remove folder", "Remote file mask",
    "Remote: view file", "Remote: open file", "Remote: rename", "Remote: delete",
    "Remote: refresh", "Remote: folder information",
    "ASCII mode", "Binary mode", "Automatic mode by extension",
    "Connect", "Cancel", "Message log window", "Help", "Options", "About", "Exit"};

constexpr std::size_t local_mask_chars = 12;
constexpr std::size_t remote_mask_chars = 19;

std::size_t at(int index) { return static_cast<std::size_t>(index); }

QRect to_qrect(const Rect& r) { return {r.x, r.y, r.w, r.h}; }

bool is_list(int index) {
    return index == ctl::local_dirs || index == ctl::local_files || index == ctl::remote_dirs ||
           index == ctl::remote_files;
}

}  // namespace

namespace {

BaseUnits base_units(const QFont& font) {
    const DialogUnits units(font);
    return {units.base_width(), units.base_height()};
}

}  // namespace

int control_help_section(int index) {
    if (index < 0 || index >= control_count) return help::contents;
    const int context = ControlTable[at(index)].help;
    // The buttons whose number is the contents' get the section on the command row.
    return context > help::contents ? context : help::command_buttons;
}

void center_dialog(QWidget* dialog, const QWidget* main_window, int extra_y) {
    if (!dialog) return;
    QRect over;
    if (main_window && main_window->isVisible() && !main_window->isMinimized()) {
        over = QRect(main_window->mapToGlobal(QPoint(0, 0)), main_window->size());
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        over = screen->availableGeometry();
    }
    const QSize size = dialog->isVisible() ? dialog->frameGeometry().size() : dialog->sizeHint().expandedTo(dialog->size());
    const int x = std::max(over.x() + (over.width() - size.width()) / 2, 0);
    const int y = std::max(over.y() + (over.height() - size.height()) / 2 + extra_y, 0);
    dialog->move(x, y);
}

MainWindow::MainWindow(BatchContext& ctx, int split_x, int split_y, QWidget* parent)
    : QWidget(parent), ctx_(ctx), split_x_(split_x), split_y_(split_y) {
    setObjectName("main_window");
    setWindowTitle(QString::fromLatin1(program_title));
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setMouseTracking(true);
    units_ = base_units(font());
    create_controls();
    create_shortcuts();
    drag_bar_ = new QWidget(this);
    drag_bar_->setObjectName("splitter_bar");
    drag_bar_->setAutoFillBackground(true);
    QPalette bar = drag_bar_->palette();
    bar.setColor(QPalette::Window, palette().color(QPalette::WindowText));
    drag_bar_->setPalette(bar);
    drag_bar_->hide();
    // The first layout comes with the first size the window gets.
}

MainWindow::~MainWindow() {
    // The engine must not reach widgets that are going away.
    ctx_.panes = ctx_.pane_memory.controls();
    Services services = ctx_.services;
    services.view = nullptr;
    ctx_.set_services(services);
}

QWidget* MainWindow::control(int index) const {
    if (index < 0 || index >= control_count) return nullptr;
    return controls_[at(index)];
}

PaneList* MainWindow::list(int index) const {
    return is_list(index) ? static_cast<PaneList*>(controls_[at(index)]) : nullptr;
}

PathBox* MainWindow::path_box(int index) const {
    if (index != ctl::local_path && index != ctl::remote_path) return nullptr;
    return static_cast<PathBox*>(controls_[at(index)]);
}

QLineEdit* MainWindow::mask_edit(bool remote) const {
    return static_cast<QLineEdit*>(controls_[at((remote ? ctl::remote_column : ctl::local_column) + ctl::mask)]);
}

QLabel* MainWindow::status_field(bool remote) const {
    return static_cast<QLabel*>(controls_[at(remote ? ctl::status_remote : ctl::status_local)]);
}

void MainWindow::create_controls() {
    for (int i = 0; i < control_count; ++i) {
        const ControlDef& def = ControlTable[at(i)];
        const QString text = QString::fromLatin1(def.text.data(), static_cast<qsizetype>(def.text.size()));
        QWidget* w = nullptr;
        switch (def.kind) {
        case ControlKind::PathBox:
            w = new PathBox(this);
            break;
        case ControlKind::MessageLine:
        case ControlKind::StatusField: {
            auto* label = new QLabel(this);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(def.kind == ControlKind::StatusField ? (Qt::AlignRight | Qt::AlignVCenter)
                                                                    : (Qt::AlignLeft | Qt::AlignVCenter));
            w = label;
            break;
        }
        case ControlKind::ScrollBar:
            w = new QScrollBar(Qt::Vertical, this);
            break;
        case ControlKind::DirList:
            w = new PaneList(true, false, this);
            break;
        case ControlKind::FileList:
            w = new PaneList(false, true, this);
            break;
        case ControlKind::Button:
            w = new QPushButton(text, this);
            break;
        case ControlKind::MaskEdit: {
            auto* edit = new QLineEdit(text, this);
            edit->setMaxLength(static_cast<int>(i < ctl::remote_column ? local_mask_chars : remote_mask_chars));
            w = edit;
            break;
        }
        case ControlKind::Radio:
            w = new QRadioButton(text, this);
            break;
        case ControlKind::Check:
            w = new QCheckBox(text, this);
            break;
        }
        w->setObjectName(QString::fromLatin1(def.name.data(), static_cast<qsizetype>(def.name.size())));
        w->setAccessibleName(QString::fromLatin1(accessible_names[at(i)]));
        w->setFocusPolicy(def.tab_stop ? Qt::StrongFocus
                                       : (def.kind == ControlKind::PathBox || def.kind == ControlKind::Radio ||
                                          def.kind == ControlKind::Check)
                                             ? Qt::ClickFocus
                                             : Qt::NoFocus);
        w->setContextMenuPolicy(Qt::NoContextMenu);
        w->installEventFilter(this);
        if (auto* view = qobject_cast<QAbstractScrollArea*>(w)) view->viewport()->installEventFilter(this);
        controls_[at(i)] = w;
        connect_control(i);
    }
    // Tab order is the table order (the window moves the focus itself, see move_focus).
    QWidget* previous = nullptr;
    for (QWidget* w : controls_) {
        if (w->focusPolicy() != Qt::StrongFocus) continue;
        if (previous) setTabOrder(previous, w);
        previous = w;
    }

    message_area_ = std::make_unique<MessageArea>(static_cast<QLabel*>(controls_[ctl::message_upper]),
                                                  static_cast<QLabel*>(controls_[ctl::message_lower]));
    connect(message_area_.get(), &MessageArea::lines_shown, this, &MainWindow::sync_scroll_bar,
            Qt::QueuedConnection);
    auto* bar = static_cast<QScrollBar*>(controls_[ctl::message_scroll]);
    bar->setRange(0, 0);
    connect(bar, &QScrollBar::actionTriggered, this, [this, bar](int action) {
        int delta = 0;
        switch (action) {
        case QAbstractSlider::SliderSingleStepAdd: delta = 1; break;
        case QAbstractSlider::SliderSingleStepSub: delta = -1; break;
        case QAbstractSlider::SliderPageStepAdd: delta = 2; break;
        case QAbstractSlider::SliderPageStepSub: delta = -2; break;
        case QAbstractSlider::SliderMove: delta = bar->sliderPosition() - ctx_.messages.view_index(); break;
        default: break;
        }
        if (delta != 0) ctx_.messages.scroll_messages(delta);
        sync_scroll_bar();
    });

    // The engine's pane controls are now the window's.
    ctx_.panes = PaneControls{list(ctl::local_dirs), list(ctl::local_files), list(ctl::remote_dirs),
                              list(ctl::remote_files), path_box(ctl::local_path),
                              path_box(ctl::remote_path)};
    for (int i : {ctl::local_dirs, ctl::local_files, ctl::remote_dirs, ctl::remote_files}) {
        list(i)->set_dialog_char_width(units_.bx);
    }
    for (int i : {ctl::remote_dirs, ctl::remote_files}) list(i)->set_name_charset(&ctx_.session.charset);
    mask_edit(false)->setText(QString::fromStdString(ctx_.local_mask.empty() ? "*.*" : ctx_.local_mask));
    mask_edit(true)->setText(display_text(ctx_.remote.remote_mask));
    if (ctx_.settings.alternate_layout == 1) {
        static_cast<QPushButton*>(controls_[ctl::to_remote])->setText("Transfer");
        static_cast<QPushButton*>(controls_[ctl::to_local])->setText("Transfer");
    }
}

void MainWindow::connect_control(int index) {
    QWidget* w = controls_[at(index)];
    const int id = ControlTable[at(index)].id;
    if (auto* list_widget = qobject_cast<PaneList*>(w)) {
        connect(list_widget->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this, id] { dispatch({id, Notify::SelectionChanged, {}}); });
        connect(list_widget, &PaneList::double_clicked_item, this,
                [this, id] { dispatch({id, Notify::DoubleClicked, {}}); });
    } else if (auto* box = qobject_cast<PathBox*>(w)) {
        connect(box, &QComboBox::activated, this, [this, id] { dispatch({id, Notify::Clicked, {}}); });
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        const bool remote = index >= ctl::remote_column;
        connect(edit, &QLineEdit::returnPressed, this, [this, remote] { read_mask(remote, true); });
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        connect(button, &QAbstractButton::clicked, this, [this, id] { dispatch({id, Notify::Clicked, {}}); });
    }
}

void MainWindow::create_shortcuts() {
    struct Accel {
        QKeySequence keys;
        int id;
    };
    // The accelerators the buttons' own mnemonics do not already give.
    const std::array<Accel, 4> accels = {{{QKeySequence(Qt::Key_Less), 940},
                                          {QKeySequence(Qt::Key_Greater), 939},
                                          {QKeySequence(Qt::ALT | Qt::Key_R), 940},
                                          {QKeySequence(Qt::ALT | Qt::Key_S), 939}}};
    for (const Accel& a : accels) {
        auto* shortcut = new QShortcut(a.keys, this);
        const int id = a.id;
        connect(shortcut, &QShortcut::activated, this, [this, id] { dispatch({id, Notify::Clicked, {}}); });
    }
    auto help = [this](int context) {
        if (on_help) on_help(context);
    };
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this, [help] { help(0); });
    connect(new QShortcut(QKeySequence(Qt::Key_F2), this), &QShortcut::activated, this, [help] { help(140); });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F1), this), &QShortcut::activated, this,
            [this, help] {
                const int index = index_of(QApplication::focusWidget());
                help(index >= 0 ? control_help_section(index) : 0);
            });
}

int MainWindow::index_of(QObject* object) const {
    for (QObject* o = object; o != nullptr && o != this; o = o->parent()) {
        for (int i = 0; i < control_count; ++i) {
            if (controls_[at(i)] == o) return i;
        }
    }
    return -1;
}

std::vector<QWidget*> MainWindow::list_font_controls() const {
    std::vector<QWidget*> controls;
    for (int i : {ctl::local_dirs, ctl::local_files, ctl::remote_dirs, ctl::remote_files, ctl::local_path,
                  ctl::remote_path}) {
        controls.push_back(controls_[at(i)]);
    }
    controls.push_back(mask_edit(false));
    controls.push_back(mask_edit(true));
    return controls;
}

// --- layout

void MainWindow::relayout() {
    if (relayout_running_) return;
    relayout_running_ = true;
    place_controls();
    update();
    relayout_running_ = false;
}

void MainWindow::place_controls() {
    LayoutInput in;
    in.width = width();
    in.height = height();
    in.bx = units_.bx;
    in.by = units_.by;
    in.split_x = split_x_;
    in.split_y = split_y_;
    in.layout = ctx_.settings.alternate_layout;
    in.bontop = ctx_.settings.buttons_on_top != 0;
    layout_ = compute_layout(in);
    split_x_ = layout_.split_x;
    split_y_ = layout_.split_y;
    for (int i = 0; i < control_count; ++i) {
        QRect r = to_qrect(layout_.controls[at(i)]);
        if (i == ctl::local_path || i == ctl::remote_path) {
            // The box's closed height is what its font needs; the layout gives the room.
            const int needed = controls_[at(i)]->sizeHint().height();
            r.setHeight(std::max(r.height(), std::min(needed, du_y(16, layout_.by))));
        }
        controls_[at(i)]->setGeometry(r.normalized().isValid() ? r : QRect(r.x(), r.y(), 0, 0));
    }
    if (layout_.transfer_captions) {
        // Stacked panes: the path boxes start after the captions beside them, whatever the font.
        const QFontMetrics fm(font());
        const int caption_w = std::max(fm.horizontalAdvance(QStringLiteral("Local System")),
                                       fm.horizontalAdvance(QStringLiteral("Remote System")));
        const int min_x = layout_.local_caption.x + caption_w + 6 + layout_.bx;
        for (int i : {ctl::local_path, ctl::remote_path}) {
            QRect r = controls_[at(i)]->geometry();
            if (r.x() < min_x) {
                r.setLeft(min_x);
                controls_[at(i)]->setGeometry(r);
            }
        }
    }
    auto* to_remote = static_cast<QPushButton*>(controls_[ctl::to_remote]);
    auto* to_local = static_cast<QPushButton*>(controls_[ctl::to_local]);
    to_remote->setText(layout_.transfer_captions ? "Transfer" : "-->");
    to_local->setText(layout_.transfer_captions ? "Transfer" : "<--");
    fit_button_fonts();
}

void MainWindow::fit_button_fonts() {
    // The button font (scaled with SCALE below the design size); smaller still where a
    // button's text would spill over its edges, the buttons of one group sharing one size.
    const QFont base = button_font_.font(layout_.by, units_.by, ctx_.settings.scale_fonts != 0, logicalDpiY());
    const bool points = base.pointSizeF() > 0;
    const int scaled = points ? base.pointSize() : base.pixelSize();
    auto sized = [&](int size) {
        QFont f = base;
        if (points) {
            f.setPointSize(size);
        } else {
            f.setPixelSize(size);
        }
        return f;
    };
    struct Group {
        int first, last;
    };
    constexpr std::array<Group, 3> groups = {{{ctl::to_remote, ctl::remote_column + ctl::column_size - 1},
                                              {ctl::ascii, ctl::automatic},
                                              {ctl::command_row, ctl::exit}}};
    for (const Group& g : groups) {
        int size = scaled;
        auto fits = [&](const QFont& f) {
            const QFontMetrics fm(f);
            for (int i = g.first; i <= g.last; ++i) {
                auto* button = qobject_cast<QAbstractButton*>(controls_[at(i)]);
                if (!button) continue;  // the mask edits in the columns
                const bool push = ControlTable[at(i)].kind == ControlKind::Button;
                const int room = button->width() - (push ? 6 : 22);
                if (fm.horizontalAdvance(button->text().remove(QLatin1Char('&'))) > room) return false;
            }
            return true;
        };
        while (size > 6 && !fits(sized(size))) --size;
        const QFont f = sized(size);
        for (int i = g.first; i <= g.last; ++i) {
            if (auto* button = qobject_cast<QAbstractButton*>(controls_[at(i)]); button && button->font() != f) {
                button->setFont(f);
            }
        }
    }
}

void MainWindow::apply_layout_settings() {
    resize_.last_width = 10;
    resize_.last_height = 10;
    relayout();
}

void MainWindow::set_splits(int split_x, int split_y) {
    split_x_ = split_x;
    split_y_ = split_y;
    relayout();
}

void MainWindow::remember_startup_size() {
    resize_.startup_width = width();
    resize_.startup_height = height();
    resize_.startup_split_x = split_x_;
    resize_.startup_split_y = split_y_;
    resize_.last_width = width();
    resize_.last_height = height();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (isMinimized() || relayout_running_) return;
    if (!apply_resize(resize_, width(), height(), split_x_, split_y_)) {
        // Same size as last handled: the layout still measures the current client area.
        if (layout_.controls[ctl::exit].w == 0) relayout();
        return;
    }
    relayout();
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        units_ = base_units(font());
        for (int i : {ctl::local_dirs, ctl::local_files, ctl::remote_dirs, ctl::remote_files}) {
            list(i)->set_dialog_char_width(units_.bx);
        }
        relayout();
    }
}

// --- painting

void MainWindow::paintEvent(QPaintEvent*) {
    if (relayout_running_) return;
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Window));
    if (layout_.splitters) {
        for (const Rect& frame : layout_.pane_frames) {
            qDrawShadeRect(&p, to_qrect(frame), pal, false, 1);
        }
    }
    // Captions over the frames' top edges.
    const QFontMetrics fm(font());
    auto caption = [&](const Point& at_point, const QString& text) {
        const QRect box(at_point.x, at_point.y, fm.horizontalAdvance(text) + 6, fm.height());
        p.fillRect(box, pal.color(QPalette::Window));
        p.setPen(pal.color(QPalette::WindowText));
        p.drawText(box.adjusted(3, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
    };
    caption(layout_.local_caption, QStringLiteral("Local System"));
    caption(layout_.remote_caption, QStringLiteral("Remote System"));
    // A sunken edge one pixel outside each path box and list.
    for (int i : {ctl::local_path, ctl::remote_path, ctl::local_dirs, ctl::local_files, ctl::remote_dirs,
                  ctl::remote_files}) {
        const QRect r = controls_[at(i)]->geometry().adjusted(-1, -1, 0, 0);
        if (r.width() > 1 && r.height() > 1) qDrawShadeRect(&p, r, pal, true, 1);
    }
    qDrawShadeRect(&p, to_qrect(layout_.message_frame), pal, true, 1);
}

// --- splitters

void MainWindow::update_busy() {
    // Busy only while the GUI thread's own command runs; a worker's transfer leaves the
    // window usable.
    const bool busy = ctx_.busy_count.load() != 0 && !is_transfer_thread_busy(ctx_);
    if (busy == busy_cursor_) return;
    busy_cursor_ = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void MainWindow::update_cursor(QPoint pos) {
    if (drag_ != SplitterHit::None) return;
    if (!rect().contains(pos) || childAt(pos) != nullptr) return;
    switch (splitter_at(layout_, pos.x(), pos.y())) {
    case SplitterHit::Pane: setCursor(Qt::SplitHCursor); break;
    case SplitterHit::List: setCursor(Qt::SplitVCursor); break;
    case SplitterHit::None: unsetCursor(); break;
    }
}

void MainWindow::show_drag_bar(QPoint pos) {
    if (drag_ == SplitterHit::Pane) {
        drag_bar_->setGeometry(pos.x() - 1, 0, 3, height());
    } else {
        drag_bar_->setGeometry(0, pos.y() - 1, width(), 3);
    }
    drag_bar_->show();
    drag_bar_->raise();
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint pos = event->position().toPoint();
        drag_ = splitter_at(layout_, pos.x(), pos.y());
        if (drag_ != SplitterHit::None) {
            show_drag_bar(pos);
            event->accept();
            return;
        }
    }
    QWidget::mousePressEvent(event);
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (drag_ != SplitterHit::None) {
        show_drag_bar(pos);
        return;
    }
    update_cursor(pos);
    QWidget::mouseMoveEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && drag_ != SplitterHit::None) {
        if (drag_ == SplitterHit::Pane) {
            const SplitRange range = pane_split_range(layout_, width());
            split_x_ = std::clamp(pos.x(), range.low, range.high);
        } else {
            split_y_ = std::clamp(pos.y(), layout_.min_split_y, layout_.max_split_y);
        }
        drag_ = SplitterHit::None;
        drag_bar_->hide();
        relayout();
        return;
    }
    if (event->button() == Qt::RightButton) {
        QApplication::restoreOverrideCursor();
        if (on_popup) on_popup(-1, event->globalPosition().toPoint());
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    if (to_qrect(layout_.message_frame).contains(event->position().toPoint())) {
        if (on_show_log) on_show_log();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

// --- common control behaviour

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const int index = index_of(watched);
    if (index >= 0 && handle_control_event(index, event)) return true;
    return QWidget::eventFilter(watched, event);
}

bool MainWindow::handle_control_event(int index, QEvent* event) {
    const ControlDef& def = ControlTable[at(index)];
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            move_focus(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
        const bool menu_key = key->key() == Qt::Key_Menu ||
                              (key->key() == Qt::Key_F10 && (key->modifiers() & Qt::ShiftModifier));
        if (menu_key) {
            if (on_popup) on_popup(index, popup_anchor(index));
            return true;
        }
        return false;
    }
    case QEvent::ContextMenu:
        // The menu key and the right button are handled above and below; the platform's own
        // context-menu event for them would open the menu a second time.
        return true;
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        return key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    }
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (def.kind == ControlKind::FileList && mouse->button() == Qt::LeftButton &&
            !(mouse->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) && ctx_.settings.drag_and_drop &&
            on_drag_start && on_drag_start(index)) {
            controls_[at(index)]->setFocus(Qt::MouseFocusReason);
            return true;
        }
        return false;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::RightButton) return false;
        unsetCursor();
        if (on_popup) on_popup(index, mouse->globalPosition().toPoint());
        return true;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        if (def.kind == ControlKind::MaskEdit && event->type() == QEvent::FocusOut) {
            read_mask(index >= ctl::remote_column, false);
        }
        if (def.kind == ControlKind::DirList && def.id == 924) {
            dispatch({def.id, event->type() == QEvent::FocusIn ? Notify::FocusIn : Notify::FocusOut, {}});
        }
        return false;
    default:
        return false;
    }
}

QPoint MainWindow::popup_anchor(int index) const {
    const QWidget* w = control(index);
    if (!w) return mapToGlobal(rect().center());
    if (const PaneList* pane = list(index)) {
        // Below the focused entry when it can be seen, else the list's centre.
        const QModelIndex caret = pane->currentIndex();
        const QRect item = caret.isValid() ? pane->visualRect(caret) : QRect();
        if (item.isValid() && pane->viewport()->rect().intersects(item)) {
            return pane->viewport()->mapToGlobal(QPoint(item.center().x(), item.bottom()));
        }
    }
    return w->mapToGlobal(w->rect().center());
}

void MainWindow::read_mask(bool remote, bool relist) {
    const std::string text = mask_edit(remote)->text().toStdString();
    if (remote) {
        ctx_.remote.remote_mask = text.substr(0, remote_mask_chars);
        if (relist && ctx_.connected) {
            list_remote_fresh(ctx_);
            update_buttons();
        }
        return;
    }
    ctx_.local_mask = text.empty() ? std::string("*.*") : text.substr(0, local_mask_chars);
    if (relist) list_local_pane();
}

void MainWindow::move_focus(bool forward) {
    const int current = index_of(QApplication::focusWidget());
    const int next = next_tab_stop(current, forward, [this](int i) {
        QWidget* w = controls_[at(i)];
        return w->isVisible() && w->isEnabled() && rect().intersects(w->geometry());
    });
    if (next >= 0 && next != current) controls_[at(next)]->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

bool MainWindow::focusNextPrevChild(bool next) {
    move_focus(next);
    return true;
}

// --- panes and buttons

void MainWindow::list_local_pane() {
    list_local(ctx_);
    update_buttons();
}

void MainWindow::empty_remote_pane() {
    // Without a connection there is nothing to ask the server (listing would only print
    // "Not connected").
    list(ctl::remote_dirs)->clear();
    list(ctl::remote_files)->clear();
    path_box(ctl::remote_path)->clear();
}

void MainWindow::update_buttons() {
    auto enable = [this](int index, bool on) { controls_[at(index)]->setEnabled(on); };
    const bool connected = ctx_.connected.load();
    const HostCapabilities& host = ctx_.host;
    // Always on here; a running transfer greys them (WindowCommands::update_buttons), and
    // they come back with the next call after it.
    enable(ctl::connect, true);
    enable(ctl::local_column + ctl::chgdir, true);
    enable(ctl::local_column + ctl::rmdir, true);
    enable(ctl::remote_column + ctl::rmdir, connected && host.can_remove_dir);
    enable(ctl::remote_column + ctl::chgdir, connected);
    enable(ctl::remote_column + ctl::mkdir, connected && host.can_make_dir);
    const auto local_n = list(ctl::local_files)->selected_indices().size();
    enable(ctl::local_column + ctl::view, local_n == 1);
    enable(ctl::local_column + ctl::exec, local_n == 1);
    enable(ctl::local_column + ctl::del, local_n > 0);
    enable(ctl::local_column + ctl::rename, local_n > 0);
    const auto remote_n = list(ctl::remote_files)->selected_indices().size();
    enable(ctl::remote_column + ctl::view, remote_n == 1);
    enable(ctl::remote_column + ctl::exec, remote_n == 1);
    enable(ctl::remote_column + ctl::del, remote_n > 0 && host.can_delete);
    enable(ctl::remote_column + ctl::rename, remote_n > 0 && host.can_rename);
    for (int i : {ctl::to_remote, ctl::to_local, ctl::remote_column + ctl::refresh,
                  ctl::remote_column + ctl::dirinfo}) {
        enable(i, connected);
    }
}

void MainWindow::update_mode_buttons() {
    const int mode = ctx_.options.mode;
    static_cast<QAbstractButton*>(controls_[ctl::ascii])->setChecked(mode == 'A');
    static_cast<QAbstractButton*>(controls_[ctl::binary])->setChecked(mode == 'I' || mode == 'L');
    static_cast<QAbstractButton*>(controls_[ctl::automatic])->setChecked(ctx_.options.auto_mode != 0);
}

void MainWindow::update_connect_button() {
    static_cast<QPushButton*>(controls_[ctl::connect])->setText(ctx_.connected ? "&Close" : "&Connect");
}

void MainWindow::sync_scroll_bar() {
    auto* bar = static_cast<QScrollBar*>(controls_[ctl::message_scroll]);
    const QSignalBlocker quiet(bar);
    const int newest = ctx_.messages.newest_index();
    bar->setRange(std::min(1, std::max(newest, 0)), std::max(newest, 0));
    bar->setPageStep(2);
    bar->setValue(ctx_.messages.view_index());
}

// --- commands

void MainWindow::dispatch(const Command& command) {
    emit command_dispatched(command.id);
    if (handler_ && handler_(command)) return;
    (void)default_command(command);
}

void MainWindow::post_command(int id, std::string text) {
    QMetaObject::invokeMethod(
        this, [this, id, text = std::move(text)] { dispatch({id, Notify::Posted, text}); },
        Qt::QueuedConnection);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (on_closing) on_closing();
    event->accept();
}

}  // namespace varnix::ui
