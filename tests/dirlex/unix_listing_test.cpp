// UNIX `ls -l` style lines and their imitations (Mac servers, Windows servers in UNIX
// mode, NetWare) as the servers send them.
#include "listing_rows.h"

namespace varnix::dirlex::testing {
namespace {

constexpr auto F = EntryKind::File;
constexpr auto D = EntryKind::Directory;
constexpr auto L = EntryKind::Link;
constexpr auto U = host::unix_generic;

const Row unix_rows[] = {
    // Recent files show the time, older ones the year; the year of a recent date is the
    // latest one not in the future (today is 2024-06-15, one day of slack).
    {"-rw-r--r--   1 ftp      ftp          4711 Mar  3 09:15 notes.txt", F, "notes.txt", 4711, "2024-03-03 09:15", U},
    {"-rw-r--r--   1 ftp      ftp          4711 Jun 16 09:15 tomorrow", F, "tomorrow", 4711, "2024-06-16 09:15", U},
    {"-rw-r--r--   1 ftp      ftp          4711 Jun 17 09:15 last-year", F, "last-year", 4711, "2023-06-17 09:15", U},
    {"drwxr-xr-x   7 root     wheel         512 Oct 11  1999 pub", D, "pub", 512, "1999-10-11 00:00", U},
    {"lrwxrwxrwx   1 root     root           11 Feb  2  2021 latest -> release-4.2", L, "latest", 11, "2021-02-02 00:00", U},
    {"total 48", F, "", 0, "", 0},
    // Block count and inode in front, no group, numeric owner and group.
    {"   8 -rw-------   1 alice  staff   6150 Apr 30 18:01 .profile", F, ".profile", 6150, "2024-04-30 18:01", U},
    {"1049612    4 drwx------ 3 alice staff 4096 Jan  9  2020 mail", D, "mail", 4096, "2020-01-09 00:00", U},
    {"-rw-r--r--   1 alice      221 May  5 08:00 no-group", F, "no-group", 221, "2024-05-05 08:00", U},
    {"-rw-r--r--   1 1001     1001    88 Nov 30  2015 numeric", F, "numeric", 88, "2015-11-30 00:00", U},
    {"-rw-r--r--  alice  staff   99 Nov 30  2015 no-link-count", F, "no-link-count", 99, "2015-11-30 00:00", U},
    // ACL, extended attribute and SELinux markers after the mode.
    {"-rw-rw-r--+  1 bob devs 1024 Dec 24  2022 acl.txt", F, "acl.txt", 1024, "2022-12-24 00:00", U},
    {"drwxr-xr-x@ 12 bob staff  384 Aug  1 12:00 Library", D, "Library", 384, "2023-08-01 12:00", U},
    {"-rw-r--r--. 1 root root 1523 Jan  1 00:00 selinux.conf", F, "selinux.conf", 1523, "2024-01-01 00:00", U},
    // Sizes keep their full 64-bit value.
    {"-rw-r--r-- 1 u g 5368709120 Feb 10  2023 disk.img", F, "disk.img", 5368709120ULL, "2023-02-10 00:00", U},
    {"-rw-r--r-- 1 u g 18446744073709551615 Feb 10  2023 max", F, "max", 18446744073709551615ULL, "2023-02-10 00:00", U},
    // Devices show major and minor numbers instead of a size.
    {"crw-rw-rw-   1 root     root       1,   3 Jun  1 12:00 null", F, "null", 0, "2024-06-01 12:00", U},
    {"brw-rw----   1 root     disk     259,1048576 Jun  1 12:00 nvme0n1", F, "nvme0n1", 0, "2024-06-01 12:00", U},
    {"prw-r--r--   1 root     root         0 Jun  1 12:00 fifo", F, "fifo", 0, "2024-06-01 12:00", U},
    // Names with leading, inner and trailing blanks, and a non-link arrow.
    {"-rw-r--r-- 1 u g 5 Jan  2  2020  two  spaces ", F, " two  spaces ", 5, "2020-01-02 00:00", U},
    {"-rw-r--r-- 1 u g 5 Jan  2 10:00 a -> b", F, "a -> b", 5, "2024-01-02 10:00", U},
    {"lrwxrwxrwx 1 u g 5 Jan  2 10:00 my link -> ../some target", L, "my link", 5, "2024-01-02 10:00", U},
    {"-rw-r--r-- 1 u g 5 Jan  2 10:00 Jan  3 2020 report", F, "Jan  3 2020 report", 5, "2024-01-02 10:00", U},
    // ISO date styles of GNU ls.
    {"-rw-r--r-- 1 u g 12 2019-01-05 14:30 long-iso", F, "long-iso", 12, "2019-01-05 14:30", U},
    {"-rw-r--r-- 1 u g 12 2019-01-05 14:30:12.123456789 +0100 full-iso", F, "full-iso", 12, "2019-01-05 14:30", U},
    {"-rw-r--r-- 1 u g 12 2019-01-05 iso-old", F, "iso-old", 12, "2019-01-05 00:00", U},
    {"-rw-r--r-- 1 u g 12 03-04 10:20 iso-recent", F, "iso-recent", 12, "2024-03-04 10:20", U},
    {"-rw-r--r-- 1 u g 12 Sat Jan  5 14:30:12 2019 full-time", F, "full-time", 12, "2019-01-05 14:30", U},
    // Month names of other locales, and day-first orders.
    {"-rw-r--r-- 1 u g 7 Okt 3 2019 de", F, "de", 7, "2019-10-03 00:00", U},
    {"-rw-r--r-- 1 u g 7 M\xc3\xa4r 3 2019 de-umlaut", F, "de-umlaut", 7, "2019-03-03 00:00", U},
    {"-rw-r--r-- 1 u g 7  3. Dez 10:00 de-dot", F, "de-dot", 7, "2023-12-03 10:00", U},
    {"-rw-r--r-- 1 u g 7 f\xc3\xa9vr. 14 2018 fr", F, "fr", 7, "2018-02-14 00:00", U},
    {"-rw-r--r-- 1 u g 7 ago 14 2018 es", F, "es", 7, "2018-08-14 00:00", U},
    {"-rw-r--r-- 1 u g 7 12 mag 2018 it", F, "it", 7, "2018-05-12 00:00", U},
    {"-rw-r--r-- 1 u g 7 \xd0\xbe\xd0\xba\xd1\x82  9 2017 ru", F, "ru", 7, "2017-10-09 00:00", U},
    {"-rw-r--r-- 1 u g 7  1\xe6\x9c\x88  5 14:30 zh", F, "zh", 7, "2024-01-05 14:30", U},
    {"-rw-r--r-- 1 u g 7 12\xec\x9b\x94 25  2020 ko", F, "ko", 7, "2020-12-25 00:00", U},
    // Mac servers: NetPresenz lists fork sizes, folders an item count.
    {"-------r--         326  1391972  1392298 Nov 22  1995 MegaPhone.sit", F, "MegaPhone.sit", 1392298, "1995-11-22 00:00", U},
    {"drwxrwxr-x               folder        2 May 10  1996 network", D, "network", 0, "1996-05-10 00:00", U},
    // Windows servers imitating UNIX.
    {"----------   1 owner    group         1803128 Jul 10 10:18 ls-lR.Z", F, "ls-lR.Z", 1803128, "2023-07-10 10:18", U},
    {"d---------   1 owner    group               0 May  9 19:45 Softlib", D, "Softlib", 0, "2024-05-09 19:45", U},
    {"-rw-r--r-- 1 ftp ftp 100 Jan 01 2001 name with ;semicolon", F, "name with ;semicolon", 100, "2001-01-01 00:00", U},
    // `ls -F` marks directories with '/'.
    {"drwxr-xr-x 2 u g 4096 Jan  2  2020 marked/", D, "marked", 4096, "2020-01-02 00:00", U},
};

const Row netware_rows[] = {
    {"d [R----F--] supervisor            512       Jan 16 18:53    login", D, "login", 512, "2024-01-16 18:53", host::netware},
    {"- [RWCEAFMS] rhesus             214059       Oct 20 15:27    cx.exe", F, "cx.exe", 214059, "2023-10-20 15:27", host::netware},
    {"d [RWCEAFMS] Supervisor                 512 Jan 01  1998 PUBLIC", D, "PUBLIC", 512, "1998-01-01 00:00", host::netware},
};

TEST(UnixListing, TableRows)
{
    for (const Row& row : unix_rows) {
        if (row.code == 0) {
            expect_skip(row.line);
        } else {
            expect_row(row);
        }
    }
}

TEST(UnixListing, NetWareRows)
{
    for (const Row& row : netware_rows) {
        expect_row(row);
    }
}

TEST(UnixListing, UnixTypeReadsTheSameRows)
{
    for (const Row& row : unix_rows) {
        if (row.code != 0) {
            expect_row(row, host::unix_generic);
        }
    }
}

TEST(UnixListing, RejectsImpossibleColumns)
{
    expect_skip("-rw-r--r-- 1 u g 12 Jan 32 10:00 day-32");
    expect_skip("-rw-r--r-- 1 u g 12 Jan  5 99:00 hour-99");
    expect_skip("-rw-r--r-- 1 u g 12 Jan  5 10:60 minute-60");
    expect_skip("-rw-r--r-- 1 u g 18446744073709551616 Jan  5 10:00 too-big");
    expect_skip("-rw-r--r-- 1 u g 12 Jan  5 10:00");
    expect_skip("-rw-r--r-- 1 u g 12 Jan  5 10:00 ");
    expect_skip("-rwxrwxrwz 1 u g 12 Jan  5 10:00 bad-mode");
}

TEST(UnixListing, CalendarImpossibleDateKeepsEntryWithZeroDate)
{
    ListEntry e;
    const ParseContext ctx{table_today, nullptr};
    ASSERT_TRUE(parse_list_line(e, "-rw-r--r-- 1 u g 12 Feb 31 2019 feb31", host::automatic, {}, {}, ctx));
    EXPECT_EQ(e.name, "feb31");
    EXPECT_EQ(format_date(e), "0000-00-00 00:00");
}

TEST(UnixListing, LineEndsAreStripped)
{
    ListEntry e;
    const ParseContext ctx{table_today, nullptr};
    ASSERT_TRUE(parse_list_line(e, "-rw-r--r-- 1 u g 12 Jan  5  2020 crlf\r\n", host::automatic, {}, {}, ctx));
    EXPECT_EQ(e.name, "crlf");
    ASSERT_TRUE(parse_list_line(e, "-rw-r--r-- 1 u g 12 Jan  5  2020 lf\n", host::automatic, {}, {}, ctx));
    EXPECT_EQ(e.name, "lf");
}

TEST(UnixListing, LongNamesAndBytesAreKept)
{
    std::string line = "-rw-r--r-- 1 u g 12 Jan  5  2020 ";
    const std::string name = std::string(300, 'n') + "\xff\xfe-latin1-\xe9";
    line += name;
    ListEntry e;
    const ParseContext ctx{table_today, nullptr};
    ASSERT_TRUE(parse_list_line(e, line, host::automatic, {}, {}, ctx));
    EXPECT_EQ(e.name, name);
}

TEST(UnixListing, Feb29WithoutYearGoesToALeapYear)
{
    ListEntry e;
    const ParseContext ctx{CivilDate{2023, 6, 1}, nullptr};
    ASSERT_TRUE(parse_list_line(e, "-rw-r--r-- 1 u g 1 Feb 29 10:00 leap", host::automatic, {}, {}, ctx));
    EXPECT_EQ(format_date(e), "2020-02-29 10:00");
}

TEST(UnixListing, YearBoundaryUsesOneDayOfSlack)
{
    ListEntry e;
    const ParseContext ctx{CivilDate{2024, 12, 31}, nullptr};
    ASSERT_TRUE(parse_list_line(e, "-rw-r--r-- 1 u g 1 Jan  1 00:10 new-year", host::automatic, {}, {}, ctx));
    EXPECT_EQ(format_date(e), "2025-01-01 00:10");
    const ParseContext jan{CivilDate{2025, 1, 1}, nullptr};
    ASSERT_TRUE(parse_list_line(e, "-rw-r--r-- 1 u g 1 Dec 31 23:50 old-year", host::automatic, {}, {}, jan));
    EXPECT_EQ(format_date(e), "2024-12-31 23:50");
}

}  // namespace
}  // namespace varnix::dirlex::testing
