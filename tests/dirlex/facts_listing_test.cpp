// Machine-readable listings: MLSD/MLST fact lines (RFC 3659) and EPLF.
#include "listing_rows.h"

namespace varnix::dirlex::testing {
namespace {

constexpr auto F = EntryKind::File;
constexpr auto D = EntryKind::Directory;
constexpr auto L = EntryKind::Link;

const Row mlsd_rows[] = {
    {"type=file;size=4096;modify=20230710101800;perm=adfrw; archive.tar", F, "archive.tar", 4096, "2023-07-10 10:18", host::mlsd},
    {"modify=20230710101800.5;perm=el;type=dir;unique=801U1D; my docs", D, "my docs", 0, "2023-07-10 10:18", host::mlsd},
    {"type=OS.unix=symlink;size=9;modify=20230710101800; cur", L, "cur", 9, "2023-07-10 10:18", host::mlsd},
    {"type=OS.unix=slink:/srv/data;modify=20230710101800; data", L, "data", 0, "2023-07-10 10:18", host::mlsd},
    {"Type=File;Size=6442450944;Modify=20221231235959; big;name with=signs", F, "big;name with=signs", 6442450944ULL, "2022-12-31 23:59", host::mlsd},
    {"type=dir;sizd=4096;modify=20200229120000; leap", D, "leap", 4096, "2020-02-29 12:00", host::mlsd},
    {"type=file;size=1;modify=garbage; bad-date", F, "bad-date", 1, "0000-00-00 00:00", host::mlsd},
    {" type=file;size=10;modify=20240101000000; /home/user/mlst.txt", F, "/home/user/mlst.txt", 10, "2024-01-01 00:00", host::mlsd},
    {"type=file;size=3;modify=20240101000000;  leading blank", F, " leading blank", 3, "2024-01-01 00:00", host::mlsd},
};

const Row eplf_rows[] = {
    {"+i8388621.48594,m825718503,r,s280,\tdjb.html", F, "djb.html", 280, "1996-03-01 22:15", host::eplf},
    {"+i8388621.50690,m824255907,/,\t514", D, "514", 0, "1996-02-13 23:58", host::eplf},
    {"+m1700000000,r,s5000000000,up644,\tlarge file.bin", F, "large file.bin", 5000000000ULL, "2023-11-14 22:13", host::eplf},
};

TEST(FactsListing, MlsdRows)
{
    for (const Row& row : mlsd_rows) {
        expect_row(row);
        expect_row(row, host::mlsd);
    }
}

TEST(FactsListing, MlsdSkipsCurrentAndParentAndMalformedFacts)
{
    expect_skip("type=cdir;modify=20230710101800;perm=el; /pub");
    expect_skip("type=pdir;modify=20230710101800;perm=el; ..");
    expect_skip("type=file;=broken; name");
    expect_skip("type=file;size=1;");
}

TEST(FactsListing, EplfRows)
{
    for (const Row& row : eplf_rows) {
        expect_row(row);
    }
    expect_skip("+i8388621.48594,m825718503,r,s280,");
    expect_skip("+\t");
}

}  // namespace
}  // namespace varnix::dirlex::testing
