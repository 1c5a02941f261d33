// The netrc reader: entries by machine and default, quoted tokens, macro bodies, and the
// refusal of a file that others can read.
#include "config/netrc.h"

#include <sys/stat.h>

#include "config_fixture.h"

namespace varnix {
namespace {

using testing::ConfigTest;

constexpr std::string_view sample =
    "# a comment line is just words nobody asks for\n"
    "machine ftp.example.org login alice password \"two words\\\"q\" account acct1\n"
    "macdef init\n"
    "machine evil.example login mallory password stolen\n"
    "\n"
    "machine FILES.example.org\n"
    "    login bob\n"
    "    password b0b\n"
    "default login anonymous password guest@example.org\n";

TEST(Netrc, MachineEntriesThenTheDefault) {
    auto found = find_netrc_login(sample, "ftp.example.org");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->login, "alice");
    EXPECT_EQ(found->password, "two words\"q");
    EXPECT_EQ(found->account, "acct1");

    found = find_netrc_login(sample, "files.example.org");  // host names ignore case
    ASSERT_TRUE(found);
    EXPECT_EQ(found->login, "bob");
    EXPECT_EQ(found->password, "b0b");

    // Lines inside a macro body are no entries.
    found = find_netrc_login(sample, "evil.example");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->login, "anonymous");

    EXPECT_FALSE(find_netrc_login("machine a login x password y\n", "b"));
    EXPECT_FALSE(find_netrc_login("", "b"));
    // A truncated file gives what it has, never more.
    found = find_netrc_login("machine b login", "b");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->login, "");
}

TEST_F(ConfigTest, NetrcThatOthersCanReadIsRefused) {
    const std::string path = dir + "/netrc";
    write_file(path, "machine h login u password p\n");
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    NetrcLookup lookup = read_netrc_login(path, "h");
    ASSERT_TRUE(lookup.login);
    EXPECT_EQ(lookup.login->password, "p");
    EXPECT_TRUE(lookup.refused.empty());

    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    lookup = read_netrc_login(path, "h");
    EXPECT_FALSE(lookup.login);
    EXPECT_NE(lookup.refused.find("others can read"), std::string::npos) << lookup.refused;

    lookup = read_netrc_login(dir + "/none", "h");
    EXPECT_FALSE(lookup.login);
    EXPECT_TRUE(lookup.refused.empty());
}

}  // namespace
}  // namespace varnix
