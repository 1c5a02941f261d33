// The "Transfer Status" dialog and the Qt progress display.
#include "ui/transfer_status_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "ui/dialog_units.h"
#include "ui/help/help_contexts.h"
#include "ui/help/help_window.h"
#include "ui/input_dialogs.h"
#include "ui/message_area.h"

namespace varnix::ui {

namespace {

constexpr std::size_t caption_chars = 510;

}  // namespace

void PercentBar::clear() {
    shown_ = false;
    percent_ = 0;
    text_.clear();
    update();
}

void PercentBar::set_percent(int percent, const QString& text) {
    shown_ = true;
    percent_ = percent;
    text_ = text;
    // At once, so the bar moves while the GUI thread is inside a blocking wait.
    repaint();
}

int PercentBar::bar_width() const { return width() / 100 * 100; }

int PercentBar::filled_width() const {
    const int width = bar_width();
    if (percent_ <= 0) return 0;
    if (percent_ < 100) return width / 100 * percent_;
    return width;
}

void PercentBar::paintEvent(QPaintEvent*) {
    if (!shown_) return;
    QPainter painter(this);
    const int width = bar_width();
    const int filled = filled_width();
    const int h = height();
    // Fixed light grey and white, as the percentage is read against them in any theme.
    if (filled > 0) {
        painter.setPen(Qt::black);
        painter.setBrush(QColor(192, 192, 192));
        painter.drawRect(QRect(0, 0, filled - 1, h - 1));
    }
    if (filled < width) painter.fillRect(QRect(filled, 0, width - filled, h), Qt::white);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, width, h), Qt::AlignCenter, text_);
}

TransferStatusDialog::TransferStatusDialog(QWidget* owner)
    : QDialog(owner),
      caption_(new PromptLabel(tr("Transfering information"), this)),
      bar_(new PercentBar(this)),
      status_(new QLabel(this)),
      cancel_(new QPushButton(tr("Cancel"), this)) {
    setWindowTitle(tr("Transfer Status"));
    install_help_keys(this, help::transfer_status);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(false);
    caption_->setObjectName(QString::number(transfer_status_ids::caption));
    bar_->setObjectName(QString::number(transfer_status_ids::bar));
    bar_->setAccessibleName(tr("Percentage transferred"));
    status_->setObjectName(QString::number(transfer_status_ids::status));
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(false);
    status_->setAccessibleName(tr("Transfer status"));
    cancel_->setObjectName(QString::number(transfer_status_ids::cancel));
    cancel_->setDefault(true);
    connect(cancel_, &QPushButton::clicked, this, &TransferStatusDialog::cancel_pressed);

    const DialogUnits du(font());
    // A busy line (bytes, rate, elapsed and remaining time) must fit whole: where the font
    // is wider than the layout assumed, the window grows wider, not the line shorter.
    const int status_needs = status_->fontMetrics().horizontalAdvance(
        QStringLiteral("99999999999 : 9999.99 Kbps : 999:59 : 999:59"));
    QRect button = du.rect(147, 42, 40, 14);
    button.setHeight(std::max(button.height(), cancel_->minimumSizeHint().height()));
    button.setWidth(std::max(button.width(), cancel_->minimumSizeHint().width()));
    QRect status = du.rect(4, 44, 139, 8);
    status.setHeight(std::max(status.height(), status_->fontMetrics().height()));
    const int wider = std::max(0, status_needs - status.width());
    status.setWidth(status.width() + wider);
    button.translate(wider, 0);
    status.setRight(std::min(status.right(), button.left() - du.x(2)));
    caption_->setGeometry(du.rect(4, 4, 183, 23).adjusted(0, 0, wider, 0));
    bar_->setGeometry(du.rect(4, 28, 182, 10).adjusted(0, 0, wider, 0));
    cancel_->setGeometry(button);
    status_->setGeometry(status);
    const QSize size = du.size(190, 57);
    setFixedSize(std::max(size.width() + wider, button.right() + du.x(3)),
                 std::max(size.height(), button.bottom() + du.y(3)));
}

void TransferStatusDialog::reset(const QString& caption) {
    caption_->setText(caption);
    caption_->setToolTip(caption);
    status_->clear();
    status_->setToolTip(QString());
    bar_->clear();
}

void TransferStatusDialog::set_status(const QString& text) {
    status_->setText(text);
    status_->setToolTip(text);
    status_->repaint();
}

void TransferStatusDialog::set_bar(int percent, const QString& text) { bar_->set_percent(percent, text); }

QString TransferStatusDialog::caption() const { return caption_->text(); }

QString TransferStatusDialog::status() const { return status_->text(); }

void TransferStatusDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    emit dismissed();
}

void TransferStatusDialog::reject() { emit cancel_pressed(); }

QtProgressDisplay::QtProgressDisplay(QWidget* owner, CancelHook cancel,
                                     StatusFieldHook status_field, QObject* parent)
    : QObject(parent),
      owner_(owner),
      cancel_(std::move(cancel)),
      status_field_(std::move(status_field)) {}

QtProgressDisplay::~QtProgressDisplay() { delete window_.data(); }

void QtProgressDisplay::set_status(std::string_view text) {
    const QString line = display_text(text);
    if (dialog_open_ && window_) {
        window_->set_status(line);
    } else if (field_open_ && status_field_) {
        status_field_(mode_, line);
    }
}

void QtProgressDisplay::set_bar(int percent, std::string_view text) {
    if (dialog_open_ && window_) window_->set_bar(percent, display_text(text));
}

void QtProgressDisplay::close() { close_here(); }

void QtProgressDisplay::open(ProgressMode mode, bool dialog, std::string_view text) {
    const QString caption = display_text(text.substr(0, caption_chars));
    close_here();
    mode_ = mode;
    if (!dialog) {
        field_open_ = true;
        return;
    }
    QWidget* active = QApplication::activeWindow();
    // One window, hidden between transfers: a tree of thousands of files inside one
    // blocking call must not leave a window behind per file.
    if (!window_) {
        window_ = new TransferStatusDialog(owner_);
        connect(window_, &TransferStatusDialog::cancel_pressed, this, &QtProgressDisplay::cancel_here);
        connect(window_, &TransferStatusDialog::dismissed, this, &QtProgressDisplay::close_here);
    }
    window_->reset(caption);
    if (last_geometry_) {
        window_->move(last_geometry_->topLeft());
    } else {
        centre_over_owner(window_, owner_);
    }
    // Typing in another window (the log, a viewer) is not interrupted by a new transfer.
    window_->setAttribute(Qt::WA_ShowWithoutActivating, active && active != owner_);
    dialog_open_ = true;
    window_->show();
}

void QtProgressDisplay::close_here() {
    field_open_ = false;
    if (!dialog_open_) return;
    dialog_open_ = false;
    if (!window_) return;
    last_geometry_ = window_->frameGeometry();
    window_->hide();
    if (owner_) owner_->update();
}

void QtProgressDisplay::cancel_here() {
    close_here();
    if (cancel_) cancel_();
}

}  // namespace varnix::ui
