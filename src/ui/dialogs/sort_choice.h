// The sort order buttons of one pane ("No Sort " .. "Sort on Size" and "Reverse Sort "),
// shared by the Sort Options dialog and the Pro Options dialog.
#pragma once

#include <QGroupBox>

class QButtonGroup;
class QCheckBox;

namespace varnix::ui {

// Sort codes: bits 0-2 the key (0 none, 1 name, 2 extension, 3 date, 4 size), 0x10 reverse.
inline constexpr int sort_reverse_bit = 0x10;

class SortChoice : public QGroupBox {
    Q_OBJECT
public:
    // Radio buttons first_id .. first_id + 4 and the check box reverse_id.
    SortChoice(const QString& title, int first_id, int reverse_id, QWidget* parent);
    void set_code(int code);
    [[nodiscard]] int code() const;
    [[nodiscard]] QList<QWidget*> tab_chain() const;

private:
    QButtonGroup* keys_ = nullptr;
    QCheckBox* reverse_ = nullptr;
};

}  // namespace varnix::ui
