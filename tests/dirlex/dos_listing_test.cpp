// Windows and DOS style lines: IIS, the Windows `dir` command and PC servers.
#include "listing_rows.h"

namespace varnix::dirlex::testing {
namespace {

constexpr auto F = EntryKind::File;
constexpr auto D = EntryKind::Directory;
constexpr auto L = EntryKind::Link;
constexpr auto W = host::windows_nt;

const Row dos_rows[] = {
    {"01-16-02  11:14AM       <DIR>          epsgroup", D, "epsgroup", 0, "2002-01-16 11:14", W},
    {"06-05-02  03:19PM                 1419 index.htm", F, "index.htm", 1419, "2002-06-05 15:19", W},
    {"12-31-99  12:00AM                   10 midnight.txt", F, "midnight.txt", 10, "1999-12-31 00:00", W},
    {"12-31-69  12:30PM                   10 noon.txt", F, "noon.txt", 10, "2069-12-31 12:30", W},
    {"06-05-2002  15:19                 1419 four-digit.htm", F, "four-digit.htm", 1419, "2002-06-05 15:19", W},
    {"2019-01-05  14:30    <DIR>          iso dir", D, "iso dir", 0, "2019-01-05 14:30", W},
    {"05/01/2019  10:30 PM         1,419,000 with separators.zip", F, "with separators.zip", 1419000, "2019-05-01 22:30", W},
    {"25/12/2019  08:00             1.234 day first.txt", F, "day first.txt", 1234, "2019-12-25 08:00", W},
    {"24.12.2019  18:00    <DIR>          Weihnachten", D, "Weihnachten", 0, "2019-12-24 18:00", W},
    {"10-10-23  09:00AM          6442450944 dvd.iso", F, "dvd.iso", 6442450944ULL, "2023-10-10 09:00", W},
    {"03/04/2021  10:00 AM    <JUNCTION>     Documents [C:\\Users\\me\\Documents]", L, "Documents", 0, "2021-03-04 10:00", W},
    {"03/04/2021  10:00 AM    <SYMLINK>      cfg.ini [..\\etc\\cfg.ini]", L, "cfg.ini", 0, "2021-03-04 10:00", W},
};

TEST(DosListing, TableRows)
{
    for (const Row& row : dos_rows) {
        expect_row(row);
        expect_row(row, host::windows_nt);
    }
}

TEST(DosListing, HeadersAndTotalsAreSkipped)
{
    expect_skip(" Volume in drive C has no label.");
    expect_skip(" Directory of C:\\inetpub\\ftproot");
    expect_skip("               2 File(s)          1,419 bytes");
    expect_skip("               3 Dir(s)  12,345,678,912 bytes free");
}

TEST(DosListing, RejectsBrokenColumns)
{
    expect_skip("13-45-02  11:14AM       <DIR>          bad-date");
    expect_skip("01-16-02  13:14PM       <DIR>          pm-13");
    expect_skip("01-16-02  11:14AM            1,23,4 bad-grouping");
    expect_skip("01-16-02  11:14AM                 12");
}

}  // namespace
}  // namespace varnix::dirlex::testing
