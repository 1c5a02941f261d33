// Embedded and fault-tolerant systems: VxWorks and HP NonStop (Tandem).
#include "listing_rows.h"

namespace varnix::dirlex::testing {
namespace {

constexpr auto F = EntryKind::File;
constexpr auto D = EntryKind::Directory;

TEST(EmbeddedListing, VxWorks)
{
    expect_skip("  size          date       time       name");
    expect_skip("--------       ------     ------    --------");
    expect_row({"    131072     Mar-02-2011  09:15:00   vxWorks.st", F, "vxWorks.st", 131072, "2011-03-02 09:15", host::vxworks});
    expect_row({"      2048     Mar-02-2011  09:15:00   logs          <DIR>", D, "logs", 2048, "2011-03-02 09:15", host::vxworks});
    expect_row({"        17     Jan-01-1980  00:00:00   boot line.txt", F, "boot line.txt", 17, "1980-01-01 00:00", host::vxworks});
}

TEST(EmbeddedListing, Tandem)
{
    expect_skip("File         Code             EOF  Last Modification    Owner  RWEP");
    expect_row({"TACLCSTM      101             672  3-Feb-19 14:02:33 255,255 \"nuun\"", F, "TACLCSTM", 672, "2019-02-03 14:02", host::tandem});
    expect_row({"ZZSA0001        0          262144 28-Dec-98 23:59:59 100,12  \"gggg\"", F, "ZZSA0001", 262144, "1998-12-28 23:59", host::tandem});
    expect_row({"OBJFILE      100O          40960 11-Sep-23 07:00:00 255,1   \"ncnc\"", F, "OBJFILE", 40960, "2023-09-11 07:00", host::tandem}, host::tandem);
}

}  // namespace
}  // namespace varnix::dirlex::testing

namespace varnix::dirlex::testing {
namespace {

TEST(EmbeddedListing, Os9)
{
    expect_skip("Owner    Last modified    Attributes Sector Bytecount Name");
    expect_row({"  0.0    22/03/08 1042    d-ewrewr      4A8      2240 CMDS", EntryKind::Directory, "CMDS", 2240,
                "2022-03-08 10:42", host::os9});
    expect_row({"  1.78   99/12/31 2359    --e--e-r    12F3B     18234 start up", EntryKind::File, "start up", 18234,
                "1999-12-31 23:59", host::os9});
}

TEST(EmbeddedListing, ZvmWithFileMode)
{
    expect_row({"PROFILE  EXEC     A1 V         80         10          1 2020-01-02 03:04:05 VMUSER", EntryKind::File,
                "PROFILE.EXEC", 800, "2020-01-02 03:04", host::zvm});
}

}  // namespace
}  // namespace varnix::dirlex::testing
