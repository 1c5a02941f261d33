// The "Verify Deletion" dialog.
#include "ui/delete_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "transfer/file_operations.h"
#include "ui/help/help_contexts.h"
#include "ui/help/help_window.h"
#include "ui/main_window.h"

namespace varnix::ui {

DeleteDialog::DeleteDialog(const std::string& question, int remaining, QWidget* parent)
    : QDialog(parent) {
    setObjectName("DLG_DELETE");
    setWindowTitle("Verify Deletion");
    install_help_keys(this, help::verify_deletion);
    auto* text = new QLabel(QString::fromUtf8(question.data(), static_cast<int>(question.size())), this);
    text->setObjectName("question");
    text->setWordWrap(true);
    text->setTextFormat(Qt::PlainText);
    auto* yes = new QPushButton("&Yes", this);
    auto* no = new QPushButton("&No", this);
    auto* all = new QPushButton("Delete &All", this);
    auto* cancel = new QPushButton("Cancel", this);
    yes->setObjectName("yes");
    no->setObjectName("no");
    all->setObjectName("delete_all");
    cancel->setObjectName("cancel");
    all->setVisible(remaining >= 2);
    yes->setDefault(true);
    yes->setFocus();
    connect(yes, &QPushButton::clicked, this, [this] { finish(delete_answer::yes); });
    connect(no, &QPushButton::clicked, this, [this] { finish(delete_answer::no); });
    connect(all, &QPushButton::clicked, this, [this] { finish(delete_answer::all); });
    connect(cancel, &QPushButton::clicked, this, [this] { finish(delete_answer::cancel); });
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {yes, no, all, cancel}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(buttons);
}

void DeleteDialog::finish(int answer) {
    answer_ = answer;
    accept();
}

int DeleteDialog::ask(QWidget* parent, const std::string& question, int remaining) {
    DeleteDialog dialog(question, remaining, parent);
    dialog.adjustSize();
    center_dialog(&dialog, parent);
    (void)dialog.exec();
    return dialog.answer();
}

}  // namespace varnix::ui
