// The sort order buttons of one pane ("No Sort " .. "Sort on Size" and "Reverse Sort "),
// shared by the Sort Options dialog and the Pro Options dialog.
#include "ui/dialogs/sort_choice.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QRadioButton>
#include <QVBoxLayout>
#include <array>

#include "ui/dialogs/dialog_support.h"

namespace varnix::ui {

namespace {
constexpr int key_mask = 0x07;
}  // namespace

SortChoice::SortChoice(const QString& title, int first_id, int reverse_id, QWidget* parent)
    : QGroupBox(title, parent) {
    auto* layout = new QVBoxLayout(this);
    keys_ = make_radio_group(this, layout, first_id,
                             {"No Sort ", "Sort on Name", "Sort on Extension", "Sort on Date ",
                              "Sort on Size"});
    reverse_ = make_check(this, reverse_id, QStringLiteral("Reverse Sort "));
    layout->addWidget(reverse_);
}

void SortChoice::set_code(int code) {
    if (QAbstractButton* key = keys_->button(code & key_mask)) key->setChecked(true);
    reverse_->setChecked((code & sort_reverse_bit) != 0);
}

int SortChoice::code() const {
    const int key = keys_->checkedId() < 0 ? 0 : keys_->checkedId();
    return key | (reverse_->isChecked() ? sort_reverse_bit : 0);
}

QList<QWidget*> SortChoice::tab_chain() const {
    QList<QWidget*> chain;
    for (QAbstractButton* b : keys_->buttons()) chain << b;
    chain << reverse_;
    return chain;
}

}  // namespace varnix::ui
