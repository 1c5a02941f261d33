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
