// The help window and the show_help hook.
#include "ui/help/help_window.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <functional>

#include "ui/help/help_contents.h"
#include "ui/help/help_contexts.h"

namespace varnix::ui {
namespace {

QPointer<HelpWindow> the_window;

QString to_qstring(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QUrl page_url(std::string_view page) { return QUrl("qrc:/manual/" + to_qstring(page)); }

// A modal dialog blocks input to every window outside it, so help opened from one must
// belong to it; otherwise it belongs to the caller's window.
QWidget* owner_for(QWidget* parent) {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return parent ? parent->window() : nullptr;
}

}  // namespace

QUrl help_url(int context) {
    const help::HelpTopic& topic = help::help_topic(context);
    QUrl url = page_url(topic.page);
    if (!topic.anchor.empty()) url.setFragment(to_qstring(topic.anchor));
    return url;
}

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window),
      browser_(new QTextBrowser(this)),
      tree_(new QTreeWidget(this)),
      back_(new QPushButton(tr("&Back"), this)),
      forward_(new QPushButton(tr("&Forward"), this)),
      find_field_(new QLineEdit(this)),
      find_result_(new QLabel(this)) {
    setObjectName("HelpWindow");
    setWindowTitle(tr("VARNIX Help"));
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(900, 620);

    auto* contents = new QPushButton(tr("&Contents"), this);
    auto* find_next = new QPushButton(tr("&Next"), this);
    auto* find_previous = new QPushButton(tr("&Previous"), this);
    auto* find_label = new QLabel(tr("F&ind:"), this);
    find_label->setBuddy(find_field_);
    contents->setObjectName("HelpContents");
    back_->setObjectName("HelpBack");
    forward_->setObjectName("HelpForward");
    find_field_->setObjectName("HelpFind");
    find_field_->setClearButtonEnabled(true);
    browser_->setObjectName("HelpBrowser");
    browser_->setOpenExternalLinks(false);
    tree_->setObjectName("HelpTopics");
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(true);
    fill_contents_tree();

    auto* bar = new QHBoxLayout;
    bar->addWidget(contents);
    bar->addWidget(back_);
    bar->addWidget(forward_);
    bar->addSpacing(16);
    bar->addWidget(find_label);
    bar->addWidget(find_field_, 1);
    bar->addWidget(find_next);
    bar->addWidget(find_previous);
    bar->addWidget(find_result_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(bar);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(tree_);
    split->addWidget(browser_);
    split->setStretchFactor(1, 1);
    split->setSizes({230, 670});
    layout->addWidget(split, 1);

    connect(contents, &QPushButton::clicked, this, [this] { open(help_url(help::contents)); });
    connect(back_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::historyChanged, this, &HelpWindow::update_buttons);
    connect(browser_, &QTextBrowser::sourceChanged, this, &HelpWindow::follow_in_tree);
    connect(tree_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        open(item->data(0, Qt::UserRole).toUrl());
    });
    connect(tree_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        open(item->data(0, Qt::UserRole).toUrl());
    });
    connect(find_field_, &QLineEdit::returnPressed, this, [this] { find_from_field(false); });
    connect(find_field_, &QLineEdit::textEdited, this, [this] { find_result_->clear(); });
    connect(find_next, &QPushButton::clicked, this, [this] { find_from_field(false); });
    connect(find_previous, &QPushButton::clicked, this, [this] { find_from_field(true); });

    auto* focus_find = new QShortcut(QKeySequence::Find, this);
    connect(focus_find, &QShortcut::activated, this, [this] {
        find_field_->setFocus();
        find_field_->selectAll();
    });
    auto* next = new QShortcut(QKeySequence::FindNext, this);
    connect(next, &QShortcut::activated, this, [this] { find_from_field(false); });
    auto* previous = new QShortcut(QKeySequence::FindPrevious, this);
    connect(previous, &QShortcut::activated, this, [this] { find_from_field(true); });
    auto* back_key = new QShortcut(QKeySequence::Back, this);
    connect(back_key, &QShortcut::activated, browser_, &QTextBrowser::backward);
    auto* forward_key = new QShortcut(QKeySequence::Forward, this);
    connect(forward_key, &QShortcut::activated, browser_, &QTextBrowser::forward);
    auto* close_key = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close_key, &QShortcut::activated, this, &QWidget::close);

    update_buttons();
}

void HelpWindow::open(const QUrl& url) {
    // The same page with another anchor only scrolls; setSource handles both.
    browser_->setSource(url);
    if (url.hasFragment()) browser_->scrollToAnchor(url.fragment());
    follow_in_tree(url);
    find_result_->clear();
}

QUrl HelpWindow::current_url() const { return browser_->source(); }

bool HelpWindow::find(const QString& text, bool backwards) {
    if (text.isEmpty()) return false;
    const QTextDocument::FindFlags flags =
        backwards ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (browser_->find(text, flags)) return true;
    // Wrap around: start again from the other end of the page.
    QTextCursor cursor = browser_->textCursor();
    cursor.movePosition(backwards ? QTextCursor::End : QTextCursor::Start);
    browser_->setTextCursor(cursor);
    return browser_->find(text, flags);
}

void HelpWindow::find_from_field(bool backwards) {
    const bool found = find(find_field_->text(), backwards);
    find_result_->setText(found || find_field_->text().isEmpty() ? QString() : tr("Not found"));
}

void HelpWindow::fill_contents_tree() {
    QTreeWidgetItem* parents[4] = {};
    for (const ContentsEntry& entry : manual_contents()) {
        QTreeWidgetItem* parent = entry.level > 1 ? parents[entry.level - 1] : nullptr;
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
        item->setText(0, entry.title);
        item->setToolTip(0, entry.title);
        item->setData(0, Qt::UserRole, entry.url);
        parents[entry.level] = item;
        for (int deeper = entry.level + 1; deeper < 4; ++deeper) parents[deeper] = nullptr;
    }
}

// Marks the contents entry of the page and section shown, opening its branch.
void HelpWindow::follow_in_tree(const QUrl& url) {
    QTreeWidgetItem* page_item = nullptr;
    QTreeWidgetItem* match = nullptr;
    for (QTreeWidgetItemIterator it(tree_); *it && !match; ++it) {
        const QUrl item_url = (*it)->data(0, Qt::UserRole).toUrl();
        if (item_url == url) match = *it;
        if (!page_item && item_url.path() == url.path() && !item_url.hasFragment()) {
            page_item = *it;
        }
    }
    if (!match) match = page_item;
    if (!match) return;
    const QSignalBlocker quiet(tree_);
    tree_->setCurrentItem(match);
    tree_->scrollToItem(match);
}

void HelpWindow::update_buttons() {
    back_->setEnabled(browser_->isBackwardAvailable());
    forward_->setEnabled(browser_->isForwardAvailable());
}

void HelpWindow::set_owner(QWidget* owner) {
    if (modal_owner_) modal_owner_->removeEventFilter(this);
    modal_owner_ = owner && owner->isModal() ? owner : nullptr;
    if (modal_owner_) modal_owner_->installEventFilter(this);
    if (parentWidget() == owner) return;
    const QRect where = geometry();
    const bool open = isVisible();
    setParent(owner, Qt::Window);
    setGeometry(where);
    if (open) show();
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event) {
    // The modal dialog closes: the manual stays open on its own unless the user closed it.
    if (watched == modal_owner_ && event->type() == QEvent::Hide) {
        const bool keep_open = !isHidden();
        set_owner(nullptr);
        if (keep_open) show();
    }
    return QWidget::eventFilter(watched, event);
}

HelpWindow* help_window() { return the_window.data(); }

void show_help(QWidget* parent, int context) {
    QWidget* owner = owner_for(parent);
    if (!the_window) {
        the_window = new HelpWindow(owner);
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, the_window.data(),
                         &QObject::deleteLater);
    }
    the_window->set_owner(owner);
    the_window->open(help_url(context));
    the_window->show();
    the_window->raise();
    the_window->activateWindow();
}

void install_help_keys(QWidget* widget, int context) {
    for (const QKeySequence& key : {QKeySequence(Qt::Key_F1), QKeySequence(Qt::Key_F2),
                                   QKeySequence(Qt::CTRL | Qt::Key_F1)}) {
        auto* shortcut = new QShortcut(key, widget);
        QObject::connect(shortcut, &QShortcut::activated, widget,
                         [widget, context] { show_help(widget, context); });
    }
}

namespace {
constexpr const char* help_property = "varnixHelpContext";

void add_key(QWidget* window, const QKeySequence& key, std::function<int()> context) {
    auto* shortcut = new QShortcut(key, window);
    QObject::connect(shortcut, &QShortcut::activated, window,
                     [window, context = std::move(context)] { show_help(window, context()); });
}
}  // namespace

void set_control_help(QWidget* control, int context) { control->setProperty(help_property, context); }

int control_help(const QWidget* widget) {
    for (; widget; widget = widget->parentWidget()) {
        const QVariant value = widget->property(help_property);
        if (value.isValid()) return value.toInt();
    }
    return 0;
}

void install_main_window_help_keys(QWidget* window) {
    add_key(window, QKeySequence(Qt::Key_F1), [] { return help::contents; });
    add_key(window, QKeySequence(Qt::Key_F2), [] { return help::main_window; });
    add_key(window, QKeySequence(Qt::CTRL | Qt::Key_F1),
            [] { return control_help(QApplication::focusWidget()); });
}

}  // namespace varnix::ui
