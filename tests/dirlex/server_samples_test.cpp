// Lines as particular servers send them (vsftpd, ProFTPD, Pure-FTPd, AIX, Mac, Windows,
// NetWare, VMS variants, z/OS spool files, z/VM layouts), each read in automatic mode.
#include "listing_rows.h"

namespace varnix::dirlex::testing {
namespace {

constexpr auto F = EntryKind::File;
constexpr auto D = EntryKind::Directory;
constexpr auto L = EntryKind::Link;
constexpr std::uint16_t U = host::unix_generic;

const Row unix_server_rows[] = {
    // vsftpd pads the day with a zero; Pure-FTPd widens the owner columns.
    {"-rw-r--r--    1 ftp      ftp          1234 Jun 05 14:30 file.txt", F, "file.txt", 1234, "2024-06-05 14:30", U},
    {"drwxr-xr-x    3 1001       1001             4096 Nov 30  2021 wp-content", D, "wp-content", 4096, "2021-11-30 00:00", U},
    // AIX leaves an old year in the five-column time field: two blanks before the name.
    {"-rw-r--r--   1 root     system      1234 Apr 08 2003  aix-name", F, "aix-name", 1234, "2003-04-08 00:00", U},
    {"-rw-r--r--   1 root     system      1234 Apr  8  2003  gnu-name", F, " gnu-name", 1234, "2003-04-08 00:00", U},
    // Windows servers imitating ls: owner and group may hold blanks.
    {"-rw-r--r--   1 John Smith Domain Users 1024 Jun 10 10:00 blanks-owner.txt", F, "blanks-owner.txt", 1024, "2024-06-10 10:00", U},
    {"drwxrwxrwx   1 user     group           0 Dec 24  2020 Christmas 2020", D, "Christmas 2020", 0, "2020-12-24 00:00", U},
    // A Mac folder's count is items, not bytes.
    {"drwxr-xr-x               folder        7 Jun 10 10:00 Empty Folder", D, "Empty Folder", 0, "2024-06-10 10:00", U},
    {"-rw-r--r--   1 user     group        1024 Jun 10  2020 Jun 10 10:00 trick", F, "Jun 10 10:00 trick", 1024, "2020-06-10 00:00", U},
    {"brw-rw----   1 root     disk       8,   0 Jun 10 10:00 sda", F, "sda", 0, "2024-06-10 10:00", U},
    {"lrwxrwxrwx 1 root root 7 Jun 10 10:00 a -> b -> c", L, "a", 7, "2024-06-10 10:00", U},
    {"-rw-r--r-- 1 user group 1234 6\xe6\x9c\x88 10 10:00 cn.txt", F, "cn.txt", 1234, "2024-06-10 10:00", U},
    {"-rw-r--r-- 1 user group 1234  6\xe6\x9c\x88 10\xe6\x97\xa5 10:00 jp.txt", F, "jp.txt", 1234, "2024-06-10 10:00", U},
    {"-rw-r--r-- 1 user group 1234 \xd0\xb8\xd1\x8e\xd0\xbd 10 10:00 ru.txt", F, "ru.txt", 1234, "2024-06-10 10:00", U},
    {"d[RWCEMFA] admin                 512       Feb 22 07:41    shared", D, "shared", 512, "2024-02-22 07:41", host::netware},
};

const Row windows_server_rows[] = {
    {"05-03-13  22:01       <DIR>          APPS", D, "APPS", 0, "2013-05-03 22:01", host::windows_nt},
    {"12-01-23  12:05AM                 2048 midnight.txt", F, "midnight.txt", 2048, "2023-12-01 00:05", host::windows_nt},
    {"11/05/2023  02:22 PM             1,024 notes.txt", F, "notes.txt", 1024, "2023-11-05 14:22", host::windows_nt},
    {"05.11.2023  14:22             1.024 datei.txt", F, "datei.txt", 1024, "2023-11-05 14:22", host::windows_nt},
    {"06-14-24  10:00a                 100 pcnfs.txt", F, "pcnfs.txt", 100, "2024-06-14 10:00", host::windows_nt},
};

const Row facts_server_rows[] = {
    // A fact value may hold a blank; the name starts after the "; " that ends the facts.
    {"type=file;size=5;modify=20240101000000;UNIX.ownername=John Doe;UNIX.mode=0644; owner-blank", F, "owner-blank",
     5, "2024-01-01 00:00", host::mlsd},
    {"modify=20240612083000;perm=adfr;size=1024;type=file;unique=FD00U2A4B;UNIX.group=1000;UNIX.mode=0644; pro.txt",
     F, "pro.txt", 1024, "2024-06-12 08:30", host::mlsd},
    {"type=file;size=1;modify=20240614100000; a; b", F, "a; b", 1, "2024-06-14 10:00", host::mlsd},
    {"type=dir;perm=el; pub", D, "pub", 0, "0000-00-00 00:00", host::mlsd},
};

const Row vms_server_rows[] = {
    // CMU/IP puts the directory in front of the name.
    {"[PUBLIC.TOOLS]UTILS.DIR;1 2/3 17-OCT-1995 11:42", D, "UTILS", 1024, "1995-10-17 11:42", host::vms},
    {"[PUBLIC.TOOLS]NOTES.TXT;4 7/9 17-OCT-1995 11:42", F, "NOTES.TXT;4", 3584, "1995-10-17 11:42", host::vms},
    {"RUN.COM;7 3 21-AUG-1997 22:10:59.87", F, "RUN.COM;7", 1536, "1997-08-21 22:10", host::vms},
    {"SYS$LOGIN.DIR;1             1   4-NOV-1994 04:09 [ANONYMOUS] (RWE,RWE,,)", D, "SYS$LOGIN", 512, "1994-11-04 04:09", host::vms},
};

const Row zvm_server_rows[] = {
    {"PUBLIC            DIR        -          -          -  3/14/98 07:05:41 -", D, "PUBLIC", 0, "1998-03-14 07:05", host::zvm},
    {"BUDGET24 NOTES    V         72         30          1  4/09/03  8:07:52 -", F, "BUDGET24.NOTES", 2160, "2003-04-09 08:07", host::zvm},
    {"TOOLS              B1 DIR    -      -      -       2/11/01   17:45:09", D, "TOOLS", 0, "2001-02-11 17:45", host::zvm},
    {"OLDDATE  MEMO      A1 V      9      2      1       7/22/101  06:30:00", F, "OLDDATE.MEMO", 18, "2001-07-22 06:30", host::zvm},
    {"11/02/2004 09:12:55 F 1 4242 'orders.csv'", F, "orders.csv", 4242, "2004-11-02 09:12", host::zvm},
    {"11/02/2004 09:13:10 D - - 'Archive'", D, "Archive", 0, "2004-11-02 09:13", host::zvm},
};

TEST(ServerSamples, UnixAndImitations)
{
    for (const Row& row : unix_server_rows) {
        expect_row(row);
    }
}

TEST(ServerSamples, WindowsFactsVmsAndZvm)
{
    for (const auto& table : {std::span<const Row>(windows_server_rows), std::span<const Row>(facts_server_rows),
                              std::span<const Row>(vms_server_rows), std::span<const Row>(zvm_server_rows)}) {
        for (const Row& row : table) {
            expect_row(row);
        }
    }
}

TEST(ServerSamples, JesSpoolFilesAreNamedByDdName)
{
    ListingState state;
    expect_skip("JOBNAME  JOBID    OWNER    STATUS CLASS", host::automatic, &state);
    expect_row({"IBMUSERA JOB00123 IBMUSER  OUTPUT A        RC=0000", F, "JOB00123", 0, "0000-00-00 00:00", host::mvs_jes},
               host::automatic, &state);
    expect_skip("--------", host::automatic, &state);
    expect_skip("         ID  STEPNAME PROCSTEP C DDNAME   BYTE-COUNT", host::automatic, &state);
    expect_row({"         001 JES2              A JESMSGLG       1200", F, "JESMSGLG", 1200, "0000-00-00 00:00", host::mvs_jes},
               host::automatic, &state);
    expect_row({"         004 STEP1    COMPILE  A SYSPRINT       2345", F, "SYSPRINT", 2345, "0000-00-00 00:00", host::mvs_jes},
               host::automatic, &state);
    expect_skip("4 spool files", host::automatic, &state);
    // Not spool files: a lower-case DD name, a byte count that is not a number.
    expect_skip("         005 STEP1             A sysout         12");
    expect_skip("         006 STEP1             A SYSOUT         1x");
}

TEST(ServerSamples, MemberListEndsWhereAnotherDialectBegins)
{
    ListingState state;
    expect_skip(" Name     VV.MM   Created       Changed      Size  Init   Mod   Id", host::automatic, &state);
    expect_row({"NOSTATS", F, "NOSTATS", 0, "0000-00-00 00:00", host::mvs}, host::automatic, &state);
    expect_row({"-rw-r--r--    1 ftp      ftp          1234 Jun 05 14:30 file.txt", F, "file.txt", 1234,
                "2024-06-05 14:30", U},
               host::automatic, &state);
    expect_skip("README", host::automatic, &state);
}

TEST(ServerSamples, ServerChatterIsSkipped)
{
    for (std::string_view line : {"226 Transfer complete.", "insgesamt 48", "/pub/incoming:", "Listing of /home/user",
                                  "                 0 File(s)              0 bytes",
                                  "-rw-r--r--   1 user group 99 Jun 99 10:00 bad-day",
                                  "06-05-02  33:19PM                 1419 bad-time.htm",
                                  "drwxr-xr-x   2 user group 4096 Jun 10 10:00",
                                  "Filename FileType  Fm Format Lrecl  Records Blocks Date      Time"}) {
        expect_skip(line);
    }
}

}  // namespace
}  // namespace varnix::dirlex::testing
