// A private temporary folder for a test fixture: created fresh (mode 0700), removed with
// everything in it when the owner goes away.
#pragma once

#include <filesystem>

namespace varnix::test {

class TempDir {
public:
    // Creates base/prefixXXXXXX; path() is empty when that failed.
    explicit TempDir(const std::filesystem::path& base = std::filesystem::temp_directory_path(),
                     const char* prefix = "varnix-test-");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::filesystem::path& path() const { return path_; }
    [[nodiscard]] bool valid() const { return !path_.empty(); }

private:
    std::filesystem::path path_;
};

}  // namespace varnix::test
