// The path boxes and host-type boxes: showing the current directory in a pane's path box, and
// filling a combo box with the host types.
#pragma once

#include <string_view>

#include "platform/list_box.h"

namespace varnix {

// Adds `directory` to the box's list unless it is there (exact match), selects it, and when it
// cannot be selected shows it as the box's text. Does nothing without a box.
void show_path_in_box(ComboBox* box, std::string_view directory);

// One item per host type: its name, with its code as the item data.
void fill_host_type_combo(ComboBox& box);

// Selects the item whose data is `host_type`; false (and no selection) when there is none.
bool select_host_type(ComboBox& box, int host_type);

}  // namespace varnix
