// Path boxes and host-type boxes.
#include "listing/path_box.h"

#include "dirlex/dirlex.h"

namespace varnix {

namespace {

class ComboHostTypeSink : public dirlex::HostTypeListSink {
public:
    explicit ComboHostTypeSink(ComboBox& box) : box_(box) {}
    void add_item(std::string_view text, std::uint16_t code) override { box_.add_item(text, code); }

private:
    ComboBox& box_;
};

}  // namespace

void show_path_in_box(ComboBox* box, std::string_view directory) {
    if (box == nullptr) return;
    int index = box->find_exact(directory);
    if (index < 0) index = box->add_item(directory);
    if (index < 0 || !box->select(index)) box->set_edit_text(directory);
}

void fill_host_type_combo(ComboBox& box) {
    ComboHostTypeSink sink(box);
    dirlex::fill_host_type_list(sink);
}

bool select_host_type(ComboBox& box, int host_type) {
    for (int i = 0; i < box.count(); ++i) {
        if (box.item_data(i) == host_type) return box.select(i);
    }
    (void)box.select(-1);
    return false;
}

}  // namespace varnix
