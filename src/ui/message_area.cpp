// The message area: two labels that follow the message history.
#include "ui/message_area.h"

#include <QCoreApplication>
#include <QStringDecoder>
#include <QThread>
#include <QVBoxLayout>

namespace varnix::ui {

QString display_text(std::string_view bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

MessageArea::MessageArea(QWidget* parent)
    : QWidget(parent), upper_(new QLabel(this)), lower_(new QLabel(this)) {
    upper_->setObjectName("message_upper");
    lower_->setObjectName("message_lower");
    upper_->setTextFormat(Qt::PlainText);
    lower_->setTextFormat(Qt::PlainText);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(0);
    layout->addWidget(upper_);
    layout->addWidget(lower_);
}

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
    // Redrawn at once so progress shows while the GUI thread waits on the network.
    upper_->repaint();
    lower_->repaint();
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
