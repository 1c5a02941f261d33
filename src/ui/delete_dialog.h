// The "Verify Deletion" question: Yes, No, "Delete &All" (only with two or more names left)
// and Cancel, centred over the main window.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QPushButton;

namespace varnix::ui {

class DeleteDialog : public QDialog {
    Q_OBJECT
public:
    // `remaining`: the names still to be asked about, this one included.
    DeleteDialog(const std::string& question, int remaining, QWidget* parent = nullptr);
    // The answer: 6 Yes, 7 No, 4 Delete All, 2 Cancel (also the close box).
    [[nodiscard]] int answer() const { return answer_; }

    // Shows the dialog modally over `parent` and returns the answer.
    static int ask(QWidget* parent, const std::string& question, int remaining);

private:
    void finish(int answer);
    int answer_ = 2;
};

}  // namespace varnix::ui
