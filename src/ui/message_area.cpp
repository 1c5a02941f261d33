// The message area: two labels that follow the message history.
#include "ui/message_area.h"

#include <QCoreApplication>
#include <QStringDecoder>
#include <QThread>

namespace varnix::ui {

QString display_text(std::string_view bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

MessageArea::MessageArea(QLabel* upper, QLabel* lower, QObject* parent)
    : QObject(parent), upper_(upper), lower_(lower) {
    for (QLabel* label : {upper_, lower_}) {
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(false);
    }
}

MessageArea::MessageArea()
    : own_upper_(std::make_unique<QLabel>()), own_lower_(std::make_unique<QLabel>()),
      upper_(own_upper_.get()), lower_(own_lower_.get()) {
    upper_->setObjectName("message_upper");
    lower_->setObjectName("message_lower");
    upper_->setTextFormat(Qt::PlainText);
    lower_->setTextFormat(Qt::PlainText);
}

MessageArea::~MessageArea() = default;

void MessageArea::show_message_lines(std::string_view upper, std::string_view lower) {
    const QString up = display_text(upper);
    const QString low = display_text(lower);
    if (QThread::currentThread() == thread()) {
        set_lines(up, low);
    } else {
        QMetaObject::invokeMethod(this, [this, up, low] { set_lines(up, low); }, Qt::QueuedConnection);
    }
}

void MessageArea::set_lines(const QString& upper, const QString& lower) {
    upper_->setText(upper);
    lower_->setText(lower);
    // Painted at once: the GUI thread may be inside a blocking call that pumps events only
    // between its waits.
    if (upper_->isVisible()) upper_->repaint();
    if (lower_->isVisible()) lower_->repaint();
    emit lines_shown();
}

void MessageArea::log_window_append(std::string_view text) {
    const QString line = display_text(text);
    if (QThread::currentThread() == thread()) {
        emit line_appended(line);
    } else {
        QMetaObject::invokeMethod(this, [this, line] { emit line_appended(line); }, Qt::QueuedConnection);
    }
}

}  // namespace varnix::ui
