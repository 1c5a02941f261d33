// The "Message Log" window.
#include "ui/message_log_window.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

#include "ui/help/help_contexts.h"
#include "ui/help/help_window.h"
#include "ui/message_area.h"

namespace varnix::ui {

namespace {

QAction* add_command(QMenu* menu, const QString& text, int id) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::number(id));
    return action;
}

}  // namespace

MessageLogWindow::MessageLogWindow(const MessageOutput& messages, Hooks hooks, QWidget* parent)
    : QMainWindow(parent), messages_(messages), hooks_(std::move(hooks)), edit_(new QPlainTextEdit(this)) {
    setWindowTitle(tr("Message Log"));
    install_help_keys(this, help::message_log);
    setAttribute(Qt::WA_DeleteOnClose);
    edit_->setObjectName(QString::number(log_ids::edit));
    edit_->setReadOnly(true);
    edit_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit_->setAccessibleName(tr("Message history"));
    edit_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    edit_->viewport()->installEventFilter(this);
    edit_->viewport()->setMouseTracking(true);
    if (hooks_.popup) edit_->setContextMenuPolicy(Qt::NoContextMenu);
    setCentralWidget(edit_);
    build_menu();
    fill_from_history();
}

void MessageLogWindow::build_menu() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    connect(add_command(file, tr("&Save as..."), log_ids::save_as), &QAction::triggered, this,
            &MessageLogWindow::save_log_as);
    file->addSeparator();
    connect(add_command(file, tr("E&xit"), log_ids::exit), &QAction::triggered, this,
            &QWidget::close);
    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    QAction* copy_action = add_command(edit, tr("&Copy"), log_ids::copy);
    copy_action->setShortcut(QKeySequence::Copy);
    connect(copy_action, &QAction::triggered, this, &MessageLogWindow::copy);
    QAction* all = add_command(edit, tr("Select &All"), log_ids::select_all);
    all->setShortcut(QKeySequence::SelectAll);
    connect(all, &QAction::triggered, this, &MessageLogWindow::select_all);
}

void MessageLogWindow::fill_from_history() {
    QString text;
    for (const std::string& line : messages_.history()) {
        text += display_text(line);
        text += QLatin1Char('\n');
    }
    edit_->setPlainText(text);
    edit_->selectAll();
}

QString MessageLogWindow::text() const { return edit_->toPlainText(); }

void MessageLogWindow::append_line(const QString& line) {
    QTextCursor cursor = edit_->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(line + QLatin1Char('\n'));
    edit_->setTextCursor(cursor);
    edit_->ensureCursorVisible();
}

void MessageLogWindow::copy() {
    edit_->copy();
    edit_->selectAll();
}

void MessageLogWindow::select_all() { edit_->selectAll(); }

void MessageLogWindow::save_log_as() {
    QFileDialog dialog(this, tr("Save Message Log"));
    dialog.setObjectName("save_log_dialog");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({tr("Text files (*.txt *.log)"), tr("All files (*)")});
    // Qt's own dialog, so it looks and behaves the same on every desktop and in tests.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const QString start = last_save_path_.isEmpty() ? QDir::current().filePath("message-log.txt")
                                                    : last_save_path_;
    dialog.setDirectory(QFileInfo(start).absolutePath());
    // The name goes straight into the entry: selectFile() would apply it again once the
    // folder has been read, over whatever the user typed meanwhile.
    if (auto* name = dialog.findChild<QLineEdit*>("fileNameEdit")) name->setText(QFileInfo(start).fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    last_save_path_ = dialog.selectedFiles().constFirst();
    (void)save_history_to(last_save_path_);
}

bool MessageLogWindow::save_history_to(const QString& path) const {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    bool ok = true;
    for (const std::string& line : messages_.history()) {
        ok = file.write(line.data(), static_cast<qint64>(line.size())) ==
                 static_cast<qint64>(line.size()) &&
             file.putChar('\n') && ok;
    }
    return file.flush() && ok;
}

bool MessageLogWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != edit_->viewport()) return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::Enter:
        case QEvent::MouseMove:
            update_cursor();
            break;
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const bool opens = event->type() == QEvent::MouseButtonDblClick
                                   ? mouse->button() == Qt::LeftButton
                                   : mouse->button() == Qt::RightButton;
            if (opens && hooks_.popup) {
                hooks_.popup(edit_, mouse->globalPosition().toPoint());
                return true;
            }
            break;
        }
        default:
            break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MessageLogWindow::update_cursor() {
    const bool busy = hooks_.busy && hooks_.busy();
    edit_->viewport()->setCursor(busy ? Qt::BusyCursor : Qt::IBeamCursor);
}

MessageLogWindow* show_log_window(QPointer<MessageLogWindow>& window, const MessageOutput& messages,
                                  const QWidget* main_window, const MessageLogWindow::Hooks& hooks) {
    if (window) {
        window->showNormal();
        window->raise();
        window->activateWindow();
        window->edit()->setFocus(Qt::OtherFocusReason);
        return window;
    }
    window = new MessageLogWindow(messages, hooks);
    if (main_window) {
        const QRect frame = main_window->frameGeometry();
        window->resize(main_window->width(), std::max(main_window->height() / 2, 100));
        window->move(frame.left(), frame.top() + 40);
    } else {
        window->resize(640, 300);
    }
    window->show();
    return window;
}

}  // namespace varnix::ui
