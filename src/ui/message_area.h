// The two-line message area of the main window: the newest pair of history lines, repainted
// at once for every line so progress shows while the GUI thread waits on the network.
#pragma once

#include <QLabel>
#include <QObject>
#include <memory>

#include "platform/services.h"

namespace varnix::ui {

class MessageArea : public QObject, public MessageView {
    Q_OBJECT
public:
    // Shows the lines in the window's two line controls.
    MessageArea(QLabel* upper, QLabel* lower, QObject* parent = nullptr);
    // With two labels of its own (not shown): for tests and windowless use.
    MessageArea();
    ~MessageArea() override;

    // Safe from any thread; the labels change on the GUI thread.
    void show_message_lines(std::string_view upper, std::string_view lower) override;
    void log_window_append(std::string_view text) override;

    [[nodiscard]] QString upper_text() const { return upper_->text(); }
    [[nodiscard]] QString lower_text() const { return lower_->text(); }

signals:
    // Every line appended to the history, for the "Message Log" window.
    void line_appended(const QString& text);
    // The pair shown changed (the scroll bar follows).
    void lines_shown();

private:
    void set_lines(const QString& upper, const QString& lower);
    std::unique_ptr<QLabel> own_upper_, own_lower_;
    QLabel* upper_;
    QLabel* lower_;
};

// Names are bytes: shown as UTF-8 when they are valid UTF-8, else as Latin-1.
[[nodiscard]] QString display_text(std::string_view bytes);

}  // namespace varnix::ui
