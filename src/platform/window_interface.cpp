// The helpers that carry engine calls onto the GUI thread.
#include "platform/window_interface.h"

namespace varnix {

void post_window_event(UiInvoker* invoker, const std::function<void()>& event) {
    if (event) post_to_gui_thread(invoker, event);
}

std::optional<ListSnapshot> take_snapshot(UiInvoker* invoker, const ListBox& list) {
    ListSnapshot snap;
    if (!run_on_gui_thread(invoker, [&] { snap = list.snapshot(); })) return std::nullopt;
    return snap;
}

int show_message_box(const Services& services, std::string_view text, std::string_view caption,
                     int style) {
    if (!services.boxes) return mb::id_cancel;
    int answer = mb::id_cancel;
    MessageBoxes* boxes = services.boxes;
    const bool ran = run_on_gui_thread(services.invoker, [&] { answer = boxes->show(text, caption, style); });
    return ran ? answer : mb::id_cancel;
}

}  // namespace varnix
