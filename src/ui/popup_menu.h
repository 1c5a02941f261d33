// The right-click menus of the main window and the message log window: one menu, emptied and
// built anew for the control it opens over, every item carrying the command it sends.
#pragma once

#include <QMenu>
#include <QObject>
#include <QPoint>
#include <cstddef>
#include <functional>

namespace varnix::ui {

class MainWindow;

// Which menu a control gets.
enum class PopupKind { LocalDirs, RemoteDirs, LocalFiles, RemoteFiles, General };

[[nodiscard]] PopupKind popup_kind(int control_index);  // -1: the window's own surface

struct PopupState {
    PopupKind kind = PopupKind::General;
    std::size_t selected = 0;       // selected entries of the file list the menu opens over
    bool transfer_running = false;  // items the window refuses during a transfer are greyed
};

// Empties `menu` (with the submenus of its last build) and fills it for `state`.
void build_popup_menu(QMenu& menu, const PopupState& state);

// The command an item sends; 0 for separators, titles and submenus.
[[nodiscard]] int popup_command(const QAction* action);

// The window's popup menu. A chosen item goes to the window's command dispatch once the menu
// has closed.
class PopupMenus : public QObject {
    Q_OBJECT
public:
    PopupMenus(MainWindow& window, std::function<bool()> transfer_running);

    // Builds the menu for control `control_index` (-1: the window or the log window) and shows
    // it with its top edge at `global_pos`, centred on it horizontally.
    void show(int control_index, QPoint global_pos);
    // Builds the menu without showing it.
    void prepare(int control_index);
    [[nodiscard]] QMenu& menu() { return *menu_; }

protected:
    // F1 in the open menu or one of its submenus: the manual's section on the menus.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MainWindow& window_;
    std::function<bool()> transfer_running_;
    QMenu* menu_;  // owned by the window
};

}  // namespace varnix::ui
