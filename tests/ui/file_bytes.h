// The whole content of a file as bytes, for the window tests' comparisons.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace varnix::test {

inline std::string slurp(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

}  // namespace varnix::test
