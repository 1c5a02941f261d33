// The popup menus (see popup_menu.h).
#include "ui/popup_menu.h"

#include <QAction>
#include <QKeyEvent>
#include <QScreen>
#include <array>
#include <span>

#include "ui/help/help_contexts.h"
#include "ui/layout.h"
#include "ui/main_window.h"
#include "ui/main_window_lists.h"

namespace varnix::ui {

namespace {

// Items of the pane menus; the first id is the local list's, the second the remote list's.
struct PaneItem {
    const char* text;
    int local_id;
    int remote_id;
};

constexpr std::array<PaneItem, 3> directory_items = {{{"Change Directory", 933, 934},
                                                      {"Make Directory", 935, 936},
                                                      {"Delete Directory", 937, 938}}};

constexpr std::array<PaneItem, 2> list_tail_items = {{{"Refresh list", 943, 944},
                                                      {"Directory list", 949, 950}}};

struct FtpItem {
    const char* text;  // nullptr: a separator
    int id;
};

constexpr std::array<FtpItem, 12> ftp_items = {{{"CWD", 1301},
                                               {"PWD", 1309},
                                               {"HELP", 1303},
                                               {"SYST", 1304},
                                               {"SITE", 1305},
                                               {"QUOTE", 1310},
                                               {nullptr, 0},
                                               {"LIST", 1306},
                                               {"NLST", 1308},
                                               {nullptr, 0},
                                               {"RETR", 1311},
                                               {"STOR", 1314}}};

// What the window refuses while a transfer runs (remote pane work, the arrows, a local folder
// change, a new connection, single FTP commands); greyed so that the menu does not offer it.
bool waits_for_transfer(int id) {
    switch (id) {
    case 933: case 934: case 936: case 938: case 939: case 940: case 942: case 944: case 946:
    case 948: case 969: case 9046: case 1100: case 1320:
        return true;
    default:
        return id >= 1301 && id <= 1314;
    }
}

QAction* add_item(QMenu& menu, const char* text, int id, const PopupState& state) {
    QAction* action = menu.addAction(QString::fromLatin1(text));
    action->setData(id);
    action->setEnabled(!(state.transfer_running && waits_for_transfer(id)));
    return action;
}

void add_pane_items(QMenu& menu, std::span<const PaneItem> items, bool remote, const PopupState& state) {
    for (const PaneItem& item : items) add_item(menu, item.text, remote ? item.remote_id : item.local_id, state);
}

void add_file_items(QMenu& menu, bool remote, const PopupState& state) {
    const std::size_t n = state.selected;
    auto pick = [remote](int local_id, int remote_id) { return remote ? remote_id : local_id; };
    add_item(menu, "Transfer files", pick(939, 940), state);
    if (n == 1) {
        add_item(menu, "View file", pick(941, 942), state);
        add_item(menu, "Execute file", pick(9045, 9046), state);
    }
    if (n > 0) {
        add_item(menu, "Rename files", pick(947, 948), state);
        add_item(menu, "Move files", pick(968, 969), state);
        add_item(menu, "Delete files", pick(945, 946), state);
        if (remote) add_item(menu, "chmod (UNIX)", 1100, state);
    }
    menu.addSeparator();
    add_item(menu, "Sort...", pick(962, 963), state);
    add_pane_items(menu, list_tail_items, remote, state);
}

void add_general_items(QMenu& menu, const PopupState& state) {
    menu.addAction(QStringLiteral("FTP Menu"))->setEnabled(false);
    menu.addSeparator();
    QMenu* connection = menu.addMenu(QStringLiteral("&Connection"));
    add_item(*connection, "&Connect", 1320, state);
    add_item(*connection, "C&lose", 1321, state);
    connection->addSeparator();
    add_item(*connection, "E&xit", 9042, state);
    add_item(menu, "&Associate...", 1601, state);
    add_item(menu, "&Options...", 9036, state);
    add_item(menu, "&Show log...", 5557, state);
    add_item(menu, "&Help", 9041, state);
    add_item(menu, "A&bout", 1500, state);
}

}  // namespace

PopupKind popup_kind(int control_index) {
    switch (control_index) {
    case ctl::local_dirs: return PopupKind::LocalDirs;
    case ctl::remote_dirs: return PopupKind::RemoteDirs;
    case ctl::local_files: return PopupKind::LocalFiles;
    case ctl::remote_files: return PopupKind::RemoteFiles;
    default: return PopupKind::General;
    }
}

void build_popup_menu(QMenu& menu, const PopupState& state) {
    // clear() leaves the submenus alive: they go with the items they belonged to.
    menu.clear();
    for (QMenu* sub : menu.findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) delete sub;
    switch (state.kind) {
    case PopupKind::LocalDirs:
    case PopupKind::RemoteDirs: {
        const bool remote = state.kind == PopupKind::RemoteDirs;
        add_pane_items(menu, directory_items, remote, state);
        menu.addSeparator();
        add_pane_items(menu, list_tail_items, remote, state);
        break;
    }
    case PopupKind::LocalFiles:
    case PopupKind::RemoteFiles:
        add_file_items(menu, state.kind == PopupKind::RemoteFiles, state);
        break;
    case PopupKind::General:
        add_general_items(menu, state);
        break;
    }
    menu.addSeparator();
    QMenu* ftp = menu.addMenu(QStringLiteral("&FTP Commands"));
    for (const FtpItem& item : ftp_items) {
        if (item.text) {
            add_item(*ftp, item.text, item.id, state);
        } else {
            ftp->addSeparator();
        }
    }
}

int popup_command(const QAction* action) {
    if (!action || action->isSeparator() || action->menu()) return 0;
    bool ok = false;
    const int id = action->data().toInt(&ok);
    return ok ? id : 0;
}

PopupMenus::PopupMenus(MainWindow& window, std::function<bool()> transfer_running)
    : QObject(&window), window_(window), transfer_running_(std::move(transfer_running)),
      menu_(new QMenu(&window)) {
    menu_->setObjectName("popup_menu");
    menu_->installEventFilter(this);
    // Carried out once the menu has closed and its event loop has returned: the command may
    // open dialogs or this menu again, which rebuilds it.
    connect(menu_, &QMenu::triggered, this, [this](QAction* action) {
        const int id = popup_command(action);
        if (id == 0) return;
        QMetaObject::invokeMethod(
            this, [this, id] { window_.dispatch({id, Notify::Clicked, {}}); }, Qt::QueuedConnection);
    });
}

void PopupMenus::prepare(int control_index) {
    PopupState state;
    state.kind = popup_kind(control_index);
    if (state.kind == PopupKind::LocalFiles || state.kind == PopupKind::RemoteFiles) {
        state.selected = window_.list(control_index)->selected_indices().size();
    }
    state.transfer_running = transfer_running_ && transfer_running_();
    build_popup_menu(*menu_, state);
    for (QMenu* sub : menu_->findChildren<QMenu*>()) sub->installEventFilter(this);
}

bool PopupMenus::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        menu_->hide();
        if (window_.on_help) window_.on_help(help::popup_menus);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void PopupMenus::show(int control_index, QPoint global_pos) {
    if (menu_->isVisible()) return;
    prepare(control_index);
    QPoint at(global_pos.x() - menu_->sizeHint().width() / 2, global_pos.y());
    if (const QScreen* screen = window_.screen()) {
        // Centring must not push the menu off the left edge of the screen.
        at.setX(std::max(at.x(), screen->availableGeometry().left()));
    }
    menu_->popup(at);
}

}  // namespace varnix::ui
