// Helpers every dialect parser uses to start an entry and store a name.
#include "dirlex/dialect.h"

#include "dirlex/text_scan.h"

namespace varnix::dirlex {

void begin_entry(ListEntry& e)
{
    e.name.clear();
    e.year = 0;
    e.month = 0;
    e.day = 0;
    e.hour = 0;
    e.minute = 0;
    e.size = 0;
    e.kind = EntryKind::File;
    e.host_type = 0;
}

bool set_name(ListEntry& e, std::string_view name)
{
    if (name.empty() || text::has_control_breaks(name)) {
        return false;
    }
    e.name.assign(name.data(), name.size());
    return true;
}

}  // namespace varnix::dirlex
