// A private temporary folder for a test fixture: created fresh (mode 0700), removed with
// everything in it when the owner goes away.
#include "support/temp_dir.h"

#include <cstdlib>
#include <string>
#include <system_error>

namespace varnix::test {

TempDir::TempDir(const std::filesystem::path& base, const char* prefix) {
    std::string pattern = (base / prefix).string() + "XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) {
        path_ = pattern;
    }
}

TempDir::~TempDir() {
    if (!path_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
}

}  // namespace varnix::test
