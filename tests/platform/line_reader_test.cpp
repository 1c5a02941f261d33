// Bounded line reading: long lines are cut and their rest skipped, line ends of both kinds.
#include <gmock/gmock.h>

#include <sstream>

#include "platform/line_reader.h"

namespace varnix {
namespace {

std::vector<std::string> all_lines(const std::string& text, std::size_t limit) {
    std::istringstream in(text);
    std::vector<std::string> lines;
    std::string line;
    while (read_line(in, line, limit)) lines.push_back(line);
    return lines;
}

TEST(ReadLine, CutsLongLinesAndKeepsTheNextOnes) {
    using ::testing::ElementsAre;
    EXPECT_THAT(all_lines("abc\r\n\nxyz", 5), ElementsAre("abc", "", "xyz"));
    EXPECT_THAT(all_lines("12345\n123456789\nend\n", 5), ElementsAre("12345", "12345", "end"));
    EXPECT_THAT(all_lines(std::string(100000, 'z') + "\nok", 8), ElementsAre("zzzzzzzz", "ok"));
    EXPECT_THAT(all_lines(std::string(1000, 'q'), 3), ElementsAre("qqq"));
    EXPECT_TRUE(all_lines("", 3).empty());
}

}  // namespace
}  // namespace varnix
