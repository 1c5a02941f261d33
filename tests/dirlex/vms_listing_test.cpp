// VMS listings: versions, block sizes, directories, wrapped entries and protection errors.
#include "listing_rows.h"

namespace varnix::dirlex::testing {
namespace {

constexpr auto F = EntryKind::File;
constexpr auto D = EntryKind::Directory;
constexpr auto V = host::vms;

const Row vms_rows[] = {
    {"LOGIN.COM;12        3/6      14-MAR-2003 09:41:07  [STAFF,JONES]  (RWED,RWED,RE,)", F, "LOGIN.COM;12", 1536, "2003-03-14 09:41", V},
    {"NOTES.TXT;1         17  2-JUL-1998 23:05 [SYSTEM] (RWED,RWED,RE,RE)", F, "NOTES.TXT;1", 8704, "1998-07-02 23:05", V},
    {"SOURCES.DIR;1        1  9-NOV-2010 08:00:00.12 [STAFF,JONES] (RWE,RWE,RE,E)", D, "SOURCES", 512, "2010-11-09 08:00", V},
    {"old.log;3            4  1-jan-99 12:00", F, "old.log;3", 2048, "1999-01-01 12:00", V},
    {"DATA.BIN;1  [STAFF,JONES]  20  1-JAN-2020 00:00:00", F, "DATA.BIN;1", 10240, "2020-01-01 00:00", V},
    {"PRIVATE.DAT;2       %RMS-E-PRV, insufficient privilege or file protection violation", F, "PRIVATE.DAT;2", 0, "0000-00-00 00:00", V},
};

TEST(VmsListing, TableRows)
{
    for (const Row& row : vms_rows) {
        expect_row(row);
        expect_row(row, host::vms);
    }
}

TEST(VmsListing, HeadersAndTotalsAreSkipped)
{
    expect_skip("Directory USERS$DISK:[JONES]");
    expect_skip("Total of 42 files, 1234/1300 blocks.");
    expect_skip("Grand total of 2 directories, 44 files, 1300 blocks.");
}

TEST(VmsListing, WrappedEntryIsReadFromTwoLines)
{
    ListingState state;
    expect_skip("THIS_NAME_IS_TOO_LONG_FOR_ITS_COLUMN.DATA;7", host::automatic, &state);
    expect_row({"                    25  5-MAY-2005 05:05:05 [STAFF,JONES] (RWED,RWED,,)", F,
                "THIS_NAME_IS_TOO_LONG_FOR_ITS_COLUMN.DATA;7", 12800, "2005-05-05 05:05", V},
               host::automatic, &state);
    // The kept name is used once only.
    expect_skip("                    25  5-MAY-2005 05:05:05 [STAFF,JONES] (RWED,RWED,,)", host::automatic, &state);
}

TEST(VmsListing, WrappedNameWithoutDetailsIsDropped)
{
    ListingState state;
    expect_skip("LONELY_NAME.TXT;1", host::vms, &state);
    expect_row({"NEXT.TXT;1  2  3-MAR-2003 03:03", F, "NEXT.TXT;1", 1024, "2003-03-03 03:03", V}, host::vms, &state);
    EXPECT_TRUE(state.pending_name.empty());
}

TEST(VmsListing, RejectsBrokenDetails)
{
    expect_skip("FILE.TXT;1  3  31-FOO-2003 09:41:07");
    expect_skip("FILE.TXT;1  3  14-MAR-2003 25:41:07");
    expect_skip("FILE.TXT;1  3  14-MAR-2003 09:41 trailing words");
    expect_skip("FILE.TXT;1  99999999999999999999  14-MAR-2003 09:41");
}

}  // namespace
}  // namespace varnix::dirlex::testing
