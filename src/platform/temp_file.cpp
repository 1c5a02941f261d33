// mkstemp in the temporary folder.
#include "platform/temp_file.h"

#include <cstdlib>
#include <unistd.h>

namespace varnix {

std::string make_temp_file(std::string_view prefix) {
    const char* dir = std::getenv("TMPDIR");
    std::string path = (dir && *dir) ? dir : "/tmp";
    if (path.back() != '/') path += '/';
    path += prefix;
    path += "XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd < 0) return {};
    ::close(fd);
    return path;
}

}  // namespace varnix
