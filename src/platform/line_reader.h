// Reading text files line by line with a limit: a line longer than the limit is cut there and
// the rest of it skipped, so a file without line ends (a listing from a hostile server, say)
// never has to fit in memory.
#pragma once

#include <cstddef>
#include <istream>
#include <string>

namespace varnix {

// The next line without its LF (and without a CR before it), at most `limit` characters.
// False at the end of the stream.
bool read_line(std::istream& in, std::string& line, std::size_t limit);

}  // namespace varnix
