// Bounded line reading.
#include "platform/line_reader.h"

#include <limits>

namespace varnix {

bool read_line(std::istream& in, std::string& line, std::size_t limit) {
    line.resize(limit + 1);
    in.getline(line.data(), static_cast<std::streamsize>(line.size()));
    const std::streamsize got = in.gcount();
    if (got == 0 && !in) return false;
    std::size_t length = static_cast<std::size_t>(got);
    if (in.fail() && !in.eof()) {
        // Longer than the limit: keep the first part, skip to the end of the line.
        in.clear();
        in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    } else if (length > 0 && !in.eof()) {
        --length;  // the LF that getline counted
    } else if (in.eof()) {
        in.clear(std::ios::eofbit);
    }
    line.resize(length);
    while (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

}  // namespace varnix
