// Hostile input: every sample line cut at every length and with CR, LF, TAB and NUL
// written into it, plus huge and binary lines. Nothing may crash or read out of bounds
// (run under the sanitizers), and a name that comes out never carries NUL, CR or LF.
#include "dirlex/dirlex.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace varnix::dirlex {
namespace {

std::vector<std::string> sample_lines()
{
    std::vector<std::string> lines;
    std::ifstream in(DIRLEX_SAMPLE_LISTING, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line);
    }
    return lines;
}

constexpr int host_types_to_try[] = {6000, 6010, 6012, 6020, 6024, 6029, 6030, 6044, 6045, 6100};

void parse_everywhere(const std::string& line, ListingState& state)
{
    ListEntry e;
    const ParseContext ctx{CivilDate{2024, 6, 15}, &state};
    for (int type : host_types_to_try) {
        if (parse_list_line(e, line, type, "'USER.'", "user", ctx)) {
            ASSERT_FALSE(e.name.empty());
            ASSERT_EQ(e.name.find_first_of(std::string("\0\r\n", 3)), std::string::npos) << line;
            ASSERT_LE(e.month, 12);
            ASSERT_LE(e.day, 31);
            ASSERT_LE(e.hour, 23);
            ASSERT_LE(e.minute, 59);
        }
    }
}

TEST(Mangling, SampleListingIsNotEmpty)
{
    EXPECT_GT(sample_lines().size(), 60u);
}

TEST(Mangling, TruncationAtEveryLength)
{
    ListingState state;
    for (const std::string& line : sample_lines()) {
        for (std::size_t n = 0; n <= line.size(); ++n) {
            parse_everywhere(line.substr(0, n), state);
        }
    }
}

TEST(Mangling, ControlBytesAtEveryPosition)
{
    ListingState state;
    for (const std::string& line : sample_lines()) {
        for (char bad : {'\r', '\n', '\t', '\0'}) {
            for (std::size_t i = 0; i < line.size(); ++i) {
                std::string replaced = line;
                replaced[i] = bad;
                parse_everywhere(replaced, state);
                std::string inserted = line;
                inserted.insert(i, 1, bad);
                parse_everywhere(inserted, state);
            }
        }
    }
}

TEST(Mangling, HugeAndBinaryLines)
{
    ListingState state;
    parse_everywhere(std::string(65536, 'A'), state);
    parse_everywhere(std::string(65536, ' '), state);
    parse_everywhere("-rw-r--r-- 1 u g 1 Jan  1  2020 " + std::string(65536, 'x'), state);
    parse_everywhere(std::string(5000, '9') + " Jan  1  2020 x", state);
    std::string binary;
    for (int i = 0; i < 4096; ++i) {
        binary += static_cast<char>((i * 131 + 7) & 0xff);
    }
    parse_everywhere(binary, state);
    std::string tokens;
    for (int i = 0; i < 5000; ++i) {
        tokens += "1 ";
    }
    parse_everywhere(tokens, state);
}

}  // namespace
}  // namespace varnix::dirlex
