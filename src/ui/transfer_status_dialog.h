// The "Transfer Status" window shown while a file moves with HASH on (caption, percentage
// bar, status line, Cancel), and the progress display that opens and feeds it.
//
// Wiring (main window): one QtProgressDisplay for the program's run, made the engine's
// progress display; Cancel goes through the engine's cancel path:
//     QtProgressDisplay progress(this,
//         [&ctx] { cancel_progress(ctx); },                         // data socket shut, loop ends
//         [this](ProgressMode m, const QString& t) { ... });        // HASH off: the status field
//     ctx.transfer.progress = &progress;                             //   (local: Sending)
// The engine calls the display on the GUI thread (a worker's calls are posted there), also
// from inside the blocking hook. The window forwards its own Cancel command to the same
// engine call.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

#include "platform/progress_display.h"

class QLabel;
class QPushButton;

namespace varnix::ui {

class PromptLabel;

namespace transfer_status_ids {
inline constexpr int caption = 831;
inline constexpr int bar = 116;
inline constexpr int status = 104;
inline constexpr int cancel = 2;
}  // namespace transfer_status_ids

// The percentage bar: a light grey part for the percentage of a width rounded down to a
// multiple of 100 pixels, white up to that width, the text centred on top. Blank until the
// first percentage arrives (an unknown size shows no bar).
class PercentBar : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    void set_percent(int percent, const QString& text);
    void clear();
    [[nodiscard]] bool shown() const { return shown_; }
    [[nodiscard]] int percent() const { return percent_; }
    [[nodiscard]] QString text() const { return text_; }
    // The rounded width and the grey part of it, as painted.
    [[nodiscard]] int bar_width() const;
    [[nodiscard]] int filled_width() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool shown_ = false;
    int percent_ = 0;
    QString text_;
};

class TransferStatusDialog : public QDialog {
    Q_OBJECT
public:
    explicit TransferStatusDialog(QWidget* owner);
    // A new transfer: the caption, an empty status line, no bar.
    void reset(const QString& caption);
    void set_status(const QString& text);
    void set_bar(int percent, const QString& text);
    [[nodiscard]] PercentBar* bar() const { return bar_; }
    [[nodiscard]] QString caption() const;
    [[nodiscard]] QString status() const;

signals:
    void cancel_pressed();
    // The close box: the window goes, the transfer goes on.
    void dismissed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Escape is the Cancel button

private:
    PromptLabel* caption_;
    PercentBar* bar_;
    QLabel* status_;
    QPushButton* cancel_;
};

// Opens the dialog for each transfer loop (HASH on), or routes the byte count to the main
// window's status field (HASH off).
class QtProgressDisplay : public QObject, public ProgressDisplay {
    Q_OBJECT
public:
    using CancelHook = std::function<void()>;
    using StatusFieldHook = std::function<void(ProgressMode mode, const QString& text)>;

    QtProgressDisplay(QWidget* owner, CancelHook cancel, StatusFieldHook status_field,
                      QObject* parent = nullptr);
    ~QtProgressDisplay() override;

    void open(ProgressMode mode, bool dialog, std::string_view caption) override;
    void set_status(std::string_view text) override;
    void set_bar(int percent, std::string_view text) override;
    void close() override;

    // The open dialog (GUI thread), or none.
    [[nodiscard]] TransferStatusDialog* dialog() const { return dialog_open_ ? window_.data() : nullptr; }
    // Where the last dialog was when it closed (for the program's run only).
    [[nodiscard]] std::optional<QRect> last_geometry() const { return last_geometry_; }

private:
    void close_here();
    void cancel_here();

    QPointer<QWidget> owner_;
    CancelHook cancel_;
    StatusFieldHook status_field_;
    QPointer<TransferStatusDialog> window_;
    bool dialog_open_ = false;
    bool field_open_ = false;
    ProgressMode mode_ = ProgressMode::Receiving;
    std::optional<QRect> last_geometry_;
};

}  // namespace varnix::ui
