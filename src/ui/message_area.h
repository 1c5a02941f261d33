// The two-line message area of the main window: the newest pair of history lines.
#pragma once

#include <QLabel>
#include <QWidget>

#include "platform/services.h"

namespace varnix::ui {

class MessageArea : public QWidget, public MessageView {
    Q_OBJECT
public:
    explicit MessageArea(QWidget* parent = nullptr);
    // Safe from any thread; the labels change on the GUI thread.
    void show_message_lines(std::string_view upper, std::string_view lower) override;
    void log_window_append(std::string_view text) override;

    [[nodiscard]] QString upper_text() const { return upper_->text(); }
    [[nodiscard]] QString lower_text() const { return lower_->text(); }

signals:
    // Every line appended to the history, for the "Message Log" window.
    void line_appended(const QString& text);

private:
    void set_lines(const QString& upper, const QString& lower);
    QLabel* upper_;
    QLabel* lower_;
};

// Names are bytes: shown as UTF-8 when they are valid UTF-8, else as Latin-1.
[[nodiscard]] QString display_text(std::string_view bytes);

}  // namespace varnix::ui
