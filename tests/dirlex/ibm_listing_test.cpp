// IBM systems: MVS/z/OS data sets, members and JES jobs, OS/400, z/VM and OS/2.
#include "listing_rows.h"

namespace varnix::dirlex::testing {
namespace {

constexpr auto F = EntryKind::File;
constexpr auto D = EntryKind::Directory;

const Row data_set_rows[] = {
    {"PRD001 3390   2023/11/02  1    5  FB      80 27920  PS  JCL.BACKUP", F, "JCL.BACKUP", 0, "2023-11-02 00:00", host::mvs},
    {"PRD002 3390   2024/01/15  3   45  FB      80 27920  PO  SOURCE.COBOL", D, "SOURCE.COBOL", 0, "2024-01-15 00:00", host::mvs},
    {"PRD002 3390   2024/01/15  1   12  U        0 32760  PO-E  LOAD.LIB", D, "LOAD.LIB", 0, "2024-01-15 00:00", host::mvs},
    {"PRD003 3390   **NONE**    1    1  VB     255 27998  PS  NEVER.READ", F, "NEVER.READ", 0, "0000-00-00 00:00", host::mvs},
    {"PRD004 3390   2022/02/28 1234567  FB  80 27920  PS  WIDE.EXTENTS", F, "WIDE.EXTENTS", 0, "2022-02-28 00:00", host::mvs},
    {"Migrated                                                OLD.ARCHIVE", F, "OLD.ARCHIVE", 0, "0000-00-00 00:00", host::mvs},
    {"PRD005 3390   VSAM CUSTOMER.KSDS", F, "CUSTOMER.KSDS", 0, "0000-00-00 00:00", host::mvs},
    {"Pseudo Directory                                        TEST", D, "TEST", 0, "0000-00-00 00:00", host::mvs},
    {"ARCIVE Not Direct Access Device                         TAPE.COPY", F, "TAPE.COPY", 0, "0000-00-00 00:00", host::mvs},
};

TEST(IbmListing, MvsDataSets)
{
    expect_skip("Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname");
    for (const Row& row : data_set_rows) {
        expect_row(row);
        expect_row(row, host::mvs);
    }
}

TEST(IbmListing, MvsMembersAfterTheirHeader)
{
    ListingState state;
    expect_skip(" Name     VV.MM   Created       Changed      Size  Init   Mod   Id", host::automatic, &state);
    expect_row({"PAYROLL   01.12 2019/03/04 2023/10/09 17:45    2201  1800     3 PGMR01", F, "PAYROLL", 2201,
                "2023-10-09 17:45", host::mvs},
               host::automatic, &state);
    expect_row({"$$INDEX", F, "$$INDEX", 0, "0000-00-00 00:00", host::mvs}, host::automatic, &state);
    // Without a member header a lone word is not an entry.
    expect_skip("$$INDEX");
}

TEST(IbmListing, MvsLoadModules)
{
    ListingState state;
    expect_skip(" Name      Size     TTR   Alias-of AC --------- Attributes --------- Amode Rmode", host::mvs, &state);
    expect_row({"MAINPGM   01A2F0   00000F          01 FO             RN RU            31    ANY", F, "MAINPGM",
                0x01A2F0, "0000-00-00 00:00", host::mvs},
               host::mvs, &state);
}

TEST(IbmListing, JesJobs)
{
    expect_skip("JOBNAME  JOBID    OWNER    STATUS CLASS");
    expect_row({"PAYRUN   JOB04711 PGMR01   OUTPUT A        RC=0000 4 spool files", F, "JOB04711", 0,
                "0000-00-00 00:00", host::mvs_jes});
    expect_row({"PGMR01A  TSU00042 PGMR01   ACTIVE TSU", F, "TSU00042", 0, "0000-00-00 00:00", host::mvs_jes});
    expect_row({"NIGHTLY   J0123456  OUTPUT    3 Spool Files", F, "J0123456", 0, "0000-00-00 00:00", host::mvs_jes});
}

const Row os400_rows[] = {
    {"QSYS           77824 02/23/00 15:09:55 *DIR       QSYS/", D, "QSYS", 77824, "2000-02-23 15:09", host::os400},
    {"PGMR          8192 11/30/21 08:15:00 *STMF      readme file.txt", F, "readme file.txt", 8192, "2021-11-30 08:15", host::os400},
    {"PGMR          36864 30.11.21 08:15:00 *FILE      QCLSRC.FILE/", D, "QCLSRC.FILE", 36864, "2021-11-30 08:15", host::os400},
    {"PGMR                                 *MEM       QCLSRC.FILE/START.MBR", F, "QCLSRC.FILE/START.MBR", 0, "0000-00-00 00:00", host::os400},
    {"PGMR          528384 2021/11/30 08:15:00 *LIB       PGMRLIB.LIB", D, "PGMRLIB.LIB", 528384, "2021-11-30 08:15", host::os400},
};

TEST(IbmListing, Os400)
{
    for (const Row& row : os400_rows) {
        expect_row(row);
        expect_row(row, host::os400);
    }
}

const Row zvm_rows[] = {
    {"PROFILE  EXEC     V         71         26          1 2023-04-02 12:33:20 TCP291", F, "PROFILE.EXEC", 1846, "2023-04-02 12:33", host::zvm},
    {"DATA     FILE     F         80        100          2 2023-04-02 12:33:20 -", F, "DATA.FILE", 8000, "2023-04-02 12:33", host::zvm},
    {"ARCHIVE  DIR      -          -          -          - 2021-11-08 14:00:34 -", D, "ARCHIVE", 0, "2021-11-08 14:00", host::zvm},
    {"README   ANONYMOU V         71         26          1 4/02/97 12:33:20", F, "README.ANONYMOU", 1846, "1997-04-02 12:33", host::zvm},
};

TEST(IbmListing, ZvmFiles)
{
    for (const Row& row : zvm_rows) {
        expect_row(row);
        expect_row(row, host::vm_minidisk);
    }
}

const Row os2_rows[] = {
    {"         0           DIR   05-12-97   16:44  PSFONTS", D, "PSFONTS", 0, "1997-05-12 16:44", host::os2},
    {"     73098      A          04-06-97   15:22  ZIP.EXE", F, "ZIP.EXE", 73098, "1997-04-06 15:22", host::os2},
    {"       345                 01-01-02   00:00  READ ME.TXT", F, "READ ME.TXT", 345, "2002-01-01 00:00", host::os2},
    {"     36611      A    04-23-103   10:57  tm-year.file", F, "tm-year.file", 36611, "2003-04-23 10:57", host::os2},
};

TEST(IbmListing, Os2)
{
    for (const Row& row : os2_rows) {
        expect_row(row);
        expect_row(row, host::os2);
    }
}

}  // namespace
}  // namespace varnix::dirlex::testing
