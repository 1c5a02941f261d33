// Drag and drop on the file lists: entries dragged from one pane's file list to the other
// start the arrows' transfer, local files go out to other programs as file URLs, and files
// dropped from elsewhere are uploaded, folders with their trees (remote list), or copied into the local folder (local list).
#pragma once

#include <QObject>
#include <QPixmap>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QMimeData;

namespace varnix::ui {

class MainWindow;

// The three drag cursors, drawn here; the hot spot is the pixmap's centre (the arrow's tip).
enum class DragCursor { One, Several, NoDrop };
[[nodiscard]] const QPixmap& drag_cursor(DragCursor which);

// The format of remote entries dragged out of the remote file list: their names, one per line.
// Only this program's local file list takes it.
inline constexpr char remote_entries_format[] = "application/x-varnix-remote-entries";

struct DropHooks {
    // Whether a pane transfer runs (worker or recursive walk): drops wait like the buttons.
    std::function<bool()> transfer_running;
    // Starts the worker's upload of files named by absolute path; false when it is busy.
    std::function<bool(std::vector<std::string> paths)> upload_files;
    // Copies folders named by absolute path into the remote directory, on this thread, once
    // the user agreed; returns when done: true when the files dropped with them may follow.
    std::function<bool(const std::vector<std::string>& folders)> upload_folders;
    // Starts the worker's copy of files named by absolute path into the local folder; false
    // when it is busy.
    std::function<bool(std::vector<std::string> paths)> copy_files;
};

class ListDragDrop : public QObject {
    Q_OBJECT
public:
    // Takes over dragging out of and dropping onto the window's two file lists.
    ListDragDrop(MainWindow& window, DropHooks hooks);

    // What a drag of the selected entries of file list `list_index` carries; null when
    // nothing is selected.
    [[nodiscard]] std::unique_ptr<QMimeData> drag_data(int list_index) const;
    // Whether file list `target` takes `data` dragged from `source` (one of the window's
    // lists, or null for another program).
    [[nodiscard]] bool accepts(int target, const QMimeData& data, const QObject* source) const;
    // Carries a drop out (the transfer or copy runs once the drop event has returned); false
    // when the drop is not taken.
    bool drop(int target, const QMimeData& data, const QObject* source);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void start_drag(int list_index);
    [[nodiscard]] int list_of(const QObject* object) const;
    [[nodiscard]] const char* refusal(bool remote_target) const;
    void upload_dropped(const std::vector<std::string>& paths);
    void copy_dropped(const std::vector<std::string>& paths);

    MainWindow& window_;
    DropHooks hooks_;
};

}  // namespace varnix::ui
