// The long tail of real server listings: regional and East Asian dates, sizes with units,
// columns run together, unusual permission strings, dateless and numeric lines, mailbox
// batches, VMS and MVS variants, router and Windows SSH server forms. Every row also goes
// through a mangling pass (cut at every length, control bytes written in).
#include "listing_rows.h"

#include <string>

namespace varnix::dirlex::testing {
namespace {

constexpr auto F = EntryKind::File;
constexpr auto D = EntryKind::Directory;
constexpr auto L = EntryKind::Link;
constexpr auto U = host::unix_generic;

const Row unix_dates[] = {
    // Month and day as numbers; regional orders of numeric dates.
    {"-rw-r--r--   1 ftp      ftp          2048 3 29 03:26 numeric month day", F, "numeric month day", 2048, "2024-03-29 03:26", U},
    {"-rw-r--r--   1 ftp      ftp          2048 11 29  2019 numeric with year", F, "numeric with year", 2048, "2019-11-29 00:00", U},
    {"-rw-r--r--   1 ftp      ftp           512 09-26 2000 month-day year", F, "month-day year", 512, "2000-09-26 00:00", U},
    {"-rw-r--r--   1 ftp      ftp           512 1999/10/12 17:12 slashed", F, "slashed", 512, "1999-10-12 17:12", U},
    {"-rw-r--r--   1 ftp      ftp           512 24-04-2003 17:12 day first", F, "day first", 512, "2003-04-24 17:12", U},
    {"-rw-r--r--   1 ftp      ftp           512 10/24/2003 08:00 us order", F, "us order", 512, "2003-10-24 08:00", U},
    {"-r-xr-xr-x   2 root  root  96 2004.07.15   dotted year first", F, "dotted year first", 96, "2004-07-15 00:00", U},
    {"-rw-r--r-- 1 owner group 4512 2019-Jan-05 year-mon-day", F, "year-mon-day", 4512, "2019-01-05 00:00", U},
    {"-r-xr-xr-x 2 owner group 4512 01-jun-99 day-mon-yy", F, "day-mon-yy", 4512, "1999-06-01 00:00", U},
    // A comma after the day and the time after the year (Windows SSH servers).
    {"-rwxr-xr-x    1 user group        9 Oct 08, 2002 09:47 comma date", F, "comma date", 9, "2002-10-08 09:47", U},
    // German abbreviations with dots, and the day before the month.
    {"drwxr-xr-x 6 user sys 1024 30. Jan., 12:40 dotted month", D, "dotted month", 1024, "2024-01-30 12:40", U},
    {"dr-xr-xr-x 2 root other 2235 26. Juli, 20:10 full month", D, "full month", 2235, "2023-07-26 20:10", U},
    {"-r-xr-xr-x 2 root other 2235 2.   Okt.  2003 padded", F, "padded", 2235, "2003-10-02 00:00", U},
    {"drwxr-xr-x 3 user group 512 01 oct 2004 swapped", D, "swapped", 512, "2004-10-01 00:00", U},
    {"drwxrwxrwx   1 0        0               0 29 Jul 02:27 2014 Invoices", D, "2014 Invoices", 0, "2023-07-29 02:27", U},
    // East Asian marks: Shift-JIS, UTF-8 Korean year first, EUC-KR, GBK, UTF-8 run together.
    {"-rw-r--r--   1 root  sys   8473  4\x8c\x8e 18\x93\xfa 2003\x94\x4e shift-jis", F, "shift-jis", 8473, "2003-04-18 00:00", U},
    {"drwxr-xr-x   5 root  sys    512 2005\xeb\x85\x84  1\xec\x9b\x94  6\xec\x9d\xbc korean", D, "korean", 512, "2005-01-06 00:00", U},
    {"-rwxrwxrwx   1 root  staff    0 2003   3\xbf\xf9 20 euc-kr", F, "euc-kr", 0, "2003-03-20 00:00", U},
    {"-rw-r--r--   1 u     g      100  5\xd4\xc2 17 08:52 gbk", F, "gbk", 100, "2024-05-17 08:52", U},
    {"-rw-r--r--   1 u     g      100 2019\xe5\xb9\xb4" "1\xe6\x9c\x88" "5\xe6\x97\xa5 one token", F, "one token", 100, "2019-01-05 00:00", U},
    {"-rw-r--r--   1 u     g      100 8\xed 17 08:52 unknown mark", F, "unknown mark", 100, "2023-08-17 08:52", U},
    // The end of a day, and a one-digit minute.
    {"-rw-------      1  99999999 0              3 Apr   4 24:00 midnight", F, "midnight", 3, "2024-04-05 00:00", U},
    {"-rw-r--r-- 1 u g 100 Jun  3 9:5 short minute", F, "short minute", 100, "2024-06-03 09:05", U},
};

const Row unix_columns[] = {
    // Sizes with units (1024-based, cut to a byte), negative and missing sizes.
    {"-rw-r--r--   1 root     other  33.5k Oct 5 21:22 kilo", F, "kilo", 34304, "2023-10-05 21:22", U},
    {"-rw-r--r-- 1 u g 9.0M Jan  2  2020 mega", F, "mega", 9437184, "2020-01-02 00:00", U},
    {"-rw-r--r-- 1 u g 1.2G Jan  2  2020 giga", F, "giga", 1288490188, "2020-01-02 00:00", U},
    {"-rw-r--r-- 1 u g -1 Jan  2  2020 negative", F, "negative", 0, "2020-01-02 00:00", U},
    {"-rw-r--r-- 1 owner group Jan  2  2020 no size", F, "no size", 0, "2020-01-02 00:00", U},
    // Columns run together.
    {"-r-xr-xr-x longowner longgroup123456 Feb 12 17:20 glued size", F, "glued size", 123456, "2024-02-12 17:20", U},
    {"-rw-r--r--+12 owner group 77 Jan  2  2020 glued links", F, "glued links", 77, "2020-01-02 00:00", U},
    {"-rw-r--r-- 1 averyveryverylongownername 4096 Jan  2  2020 long owner", F, "long owner", 4096, "2020-01-02 00:00", U},
    {"-r--r--r-- 0125039 12 Nov 11 2005 no owner", F, "no owner", 12, "2005-11-11 00:00", U},
    // Short and unusual permission strings.
    {"-rwx 1 u g 10 Jan  2  2020 short mode", F, "short mode", 10, "2020-01-02 00:00", U},
    {"--rw-r--r-- M 8 glenda glenda 1024 Jan  2  2020 plan9", F, "plan9", 1024, "2020-01-02 00:00", U},
    {"a-rw-rw-rw- M 8 glenda glenda 64 Jan  2  2020 append only", F, "append only", 64, "2020-01-02 00:00", U},
    {"d-r-xr-xr-x M 8 glenda glenda 0 Jan  2  2020 plan9 dir", D, "plan9 dir", 0, "2020-01-02 00:00", U},
    {"Drw-r--r-- 1 root root 0 Jan  2  2020 door", F, "door", 0, "2020-01-02 00:00", U},
    {"   3  -rwx     5584  Apr 8 2008 10:46:04 +00:00  vlan.dat", F, "vlan.dat", 5584, "2008-04-08 10:46", U},
    // No date at all, and the numeric form (octal mode, uid, gid, size, seconds).
    {"drwxr-xr-x 3 build devlab 512 no date here", D, "no date here", 512, "0000-00-00 00:00", U},
    {"0100644   500  101   12345    123456789       numeric file", F, "numeric file", 12345, "1973-11-29 21:33", U},
    {"040755 0 0 4096 1718400000 numeric dir", D, "numeric dir", 4096, "2024-06-14 21:20", U},
    {"0120777 0 0 7 1718400000 numeric link", L, "numeric link", 7, "2024-06-14 21:20", U},
    // Connect:Enterprise mailbox batches: flags and protocol, batch status, id, number.
    {"-C--E-----FTP B PAYROLL      4711  1294495 Jan 13 07:42 payroll batch", F, "payroll batch", 1294495, "2024-01-13 07:42", U},
    {"-AR--M----TCP A DEPT01         12      880 Mar 29 08:56 ORDERS.DAT", F, "ORDERS.DAT", 880, "2024-03-29 08:56", U},
    // A link to a directory marked 'd'.
    {"drwxr-xr-x 1 u g 12 Jan  2  2020 docs -> /srv/docs", L, "docs", 12, "2020-01-02 00:00", U},
    // A Windows shortcut shown as a file with its target.
    {"-rwxrwxrwx 1 owner group 1450 Jan  2  2020 Report.lnk -> C:\\Users\\Public\\Report.docx", L, "Report.lnk", 1450, "2020-01-02 00:00", U},
    // Windows SSH servers: size first, no permissions, '/' marks a directory.
    {"206876  Apr 04, 2000 21:06 report final.doc", F, "report final.doc", 206876, "2000-04-04 21:06", U},
    {"0  Dec 12, 2002 02:13 projects/", D, "projects", 0, "2002-12-12 02:13", U},
};

const Row other_families[] = {
    // VMS: overflowed and unit sizes, no time, localised months, owner without brackets.
    {"HUGE.DAT;1   ******  2-JUL-2003 10:30:13.64", F, "HUGE.DAT;1", 0, "2003-07-02 10:30", host::vms},
    {"UNIT.LOG;1 2KB 23-SEP-2005 14:57:07.27", F, "UNIT.LOG;1", 2048, "2005-09-23 14:57", host::vms},
    {"NOTIME.TXT;1    2/8    7-JAN-2000    [IV2_XXX]   (RWED,RWED,RE,)", F, "NOTIME.TXT;1", 1024, "2000-01-07 00:00", host::vms},
    {"RAPPORT.TXT;1    6/8    15-JUI-2002    DUPONT   (RWED,RWED,RE,)", F, "RAPPORT.TXT;1", 3072, "2002-07-15 00:00", host::vms},
    {"BERICHT.TXT;2    4   3-MAI-2001 10:00", F, "BERICHT.TXT;2", 2048, "2001-05-03 10:00", host::vms},
    {"SUMMARY.TXT;1   [SUMMARY]    1/3     2-AUG-2006 13:05  (RWE,RWE,RE,)", F, "SUMMARY.TXT;1", 512, "2006-08-02 13:05", host::vms},
    {"ORDER.TXT;1       17-JUN-1994 17:25:37     6308/13     (RWED,RWED,R,)", F, "ORDER.TXT;1", 3229696, "1994-06-17 17:25", host::vms},
    {"NOSIZE.TXT;1  14-MAR-2003 09:41  [STAFF,JONES]  (RWED,RWED,RE,)", F, "NOSIZE.TXT;1", 0, "2003-03-14 09:41", host::vms},
    {"PRIX.TXT;1  3  5-AO\xc3\x9b-2004 10:00", F, "PRIX.TXT;1", 1536, "2004-08-05 10:00", host::vms},
    // A wrapped VMS entry handed over whole.
    {"A_RATHER_LONG_FILE_NAME.TXT;1\r\n170774/170775     24-APR-2003 08:16:15  [FTP,SCOT]  (RWED,RWED,RE,)", F,
     "A_RATHER_LONG_FILE_NAME.TXT;1", 87436288, "2003-04-24 08:16", host::vms},
    // MVS: placeholders in the used column, PO-E libraries, tape volumes.
    {"WYOSPT 3420   2003/05/21  1 ????  FB      80  8053  PS  USER.UNKNOWN.USED", F, "USER.UNKNOWN.USED", 0, "2003-05-21 00:00", host::mvs},
    {"GISBWI 3390   2011/08/25  2 ++++  FB     904 18080  PS  USER.MANY.TRACKS", F, "USER.MANY.TRACKS", 0, "2011-08-25 00:00", host::mvs},
    {"WYOSPT 3420   2003/05/21  1 3 U 6447    6447  PO-E USER.LOADLIB", D, "USER.LOADLIB", 0, "2003-05-21 00:00", host::mvs},
    {"V43525 Tape                                             USER.BACKUP.TAPE", F, "USER.BACKUP.TAPE", 0, "0000-00-00 00:00", host::mvs},
    {"SY1RES 3390   Error determining attributes    'SYS1.CHECKPT'", F, "'SYS1.CHECKPT'", 0, "0000-00-00 00:00", host::mvs},
    {"Error determining attributes                            USER.LOCKED", F, "USER.LOCKED", 0, "0000-00-00 00:00", host::mvs},
    {"MIGRAT 3390   Not Mounted          USER.OFFLINE", F, "USER.OFFLINE", 0, "0000-00-00 00:00", host::mvs},
    {"LONGMEMBERNAME 01.01 2004/06/22 2004/06/22 16:32   128   128    0 BOBY12", F, "LONGMEMBERNAME", 128, "2004-06-22 16:32", host::mvs},
    {"PROG01  01.03 19/01/05 20/02/06 13:14   120   100     0 USER01", F, "PROG01", 120, "2020-02-06 13:14", host::mvs},
    {"NOVERS   2004/06/22 2004/06/23 16:32   128   128    0 BOBY12", F, "NOVERS", 128, "2004-06-23 16:32", host::mvs},
    {"LOADMOD1 00B308 000411  00 FO                31    ANY", F, "LOADMOD1", 45832, "0000-00-00 00:00", host::mvs},
    // Routers, DOS after midnight on a 12-hour clock, MLSD with an empty fact list.
    {"wfboot.exe       1014196  06/03/04  Thur.   10:20:03", F, "wfboot.exe", 1014196, "2004-06-03 10:20", host::router},
    {"04-27-00  00:09AM       <DIR>          after midnight", D, "after midnight", 0, "2000-04-27 00:09", host::windows_nt},
    {"04-27-00  00:15PM                  100 noon", F, "noon", 100, "2000-04-27 12:15", host::windows_nt},
    {"; empty facts.txt", F, "empty facts.txt", 0, "0000-00-00 00:00", host::mlsd},
    {"size=1365;type=file;modify=20090722092510;\tTAB before name", F, "TAB before name", 1365, "2009-07-22 09:25", host::mlsd},
    // z/VM lines with a time of day, with and without the FILELIST mode column.
    {"PROFILE  EXEC     A1 V         72         15          1 12/10/01 14:35:07", F, "PROFILE.EXEC", 1080, "2001-12-10 14:35", host::zvm},
    {"ZVMFILE  TRACE   V        65      107        2 2005-10-04 15:28:42 060191", F, "ZVMFILE.TRACE", 6955, "2005-10-04 15:28", host::zvm},
};

TEST(LongTailListing, UnixDates)
{
    for (const Row& row : unix_dates) {
        expect_row(row);
    }
}

TEST(LongTailListing, UnixColumns)
{
    for (const Row& row : unix_columns) {
        expect_row(row);
    }
}

TEST(LongTailListing, OtherFamilies)
{
    for (const Row& row : other_families) {
        expect_row(row);
    }
}

TEST(LongTailListing, WellFormedDatesThatAreNotRealStillRejectTheForm)
{
    expect_skip("-rw-r--r-- 1 u g 12 13 29 03:26 month-13");
    expect_skip("-rw-r--r-- 1 u g 12 Jan  5 24:01 past-midnight");
    expect_skip("-rw-r--r-- 1 u g 12 Jan 32 10:00 day-32");
    expect_skip("-rw-r--r-- 1 u g 12 Jan  5 99:00 hour-99");
}

TEST(LongTailListing, BareLinesNeedTheirDialectKnown)
{
    // A member name alone and an MLSD line without facts say nothing by themselves.
    expect_skip("MEMBER01");
    expect_skip(" bare.txt");
    expect_skip("Listing of Tape volumes");
    expect_row({"MEMBER01", F, "MEMBER01", 0, "0000-00-00 00:00", host::mvs}, host::mvs);
    expect_row({" bare.txt", F, "bare.txt", 0, "0000-00-00 00:00", host::mlsd}, host::mlsd);
    // A line another dialect reads is not taken for a bare name.
    expect_row({" 1123 DIR  A    10-05-100  23:38  os2 dir", D, "os2 dir", 1123, "2000-10-05 23:38", host::os2}, host::mlsd);
    // An MLST line with facts is not taken for a bare name.
    expect_row({" type=file;size=3; facts.txt", F, "facts.txt", 3, "0000-00-00 00:00", host::mlsd}, host::mlsd);
}

TEST(LongTailListing, WrappedVmsEntryGivenLineByLine)
{
    ListingState state;
    expect_skip("A_RATHER_LONG_FILE_NAME.TXT;1", host::automatic, &state);
    expect_row({"170774/170775     24-APR-2003 08:16:15  [FTP,SCOT]  (RWED,RWED,RE,)", F,
                "A_RATHER_LONG_FILE_NAME.TXT;1", 87436288, "2003-04-24 08:16", host::vms},
               host::automatic, &state);
}

TEST(LongTailListing, FirstLinesDecideTheDialect)
{
    // "12-25-19 10:00AM 100 x" reads as DOS on its own; in a UNIX listing it would too, but
    // the listing's dialect stays UNIX for the lines after it.
    ListingState state;
    const ParseContext ctx{table_today, &state};
    ListEntry e;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(parse_list_line(e, "-rw-r--r-- 1 u g 5 Jan  2  2020 f", host::automatic, {}, {}, ctx));
    }
    EXPECT_TRUE(state.settled);
    EXPECT_EQ(state.dialect, host::unix_generic);
    ASSERT_TRUE(parse_list_line(e, "12-25-19  10:00AM  100 dos.txt", host::automatic, {}, {}, ctx));
    EXPECT_EQ(e.host_type, host::windows_nt);
    EXPECT_EQ(state.dialect, host::unix_generic);
    state.reset();
    EXPECT_FALSE(state.settled);
    EXPECT_EQ(state.dialect, 0);
}

TEST(LongTailListing, MajorityOfTheFirstLinesWins)
{
    ListingState state;
    const ParseContext ctx{table_today, &state};
    ListEntry e;
    ASSERT_TRUE(parse_list_line(e, "12-25-19  10:00AM  100 a.txt", host::automatic, {}, {}, ctx));
    EXPECT_EQ(state.dialect, host::windows_nt);
    ASSERT_TRUE(parse_list_line(e, "-rw-r--r-- 1 u g 5 Jan  2  2020 b", host::automatic, {}, {}, ctx));
    ASSERT_TRUE(parse_list_line(e, "-rw-r--r-- 1 u g 5 Jan  2  2020 c", host::automatic, {}, {}, ctx));
    EXPECT_EQ(state.dialect, host::unix_generic);
}

TEST(LongTailListing, ExplainNamesEveryDialectAndWhy)
{
    const ParseContext ctx{table_today, nullptr};
    const auto trials = explain_list_line("04-27-00  12:09PM  589 a.txt", host::automatic, {}, ctx);
    ASSERT_EQ(trials.size(), 15u);  // every dialect once
    std::size_t read = 0;
    for (const DialectTrial& t : trials) {
        if (t.read) {
            ++read;
            EXPECT_EQ(t.code, host::windows_nt);
        } else {
            EXPECT_FALSE(t.reason.empty()) << t.code;
        }
        if (t.code == host::unix_generic) {
            EXPECT_NE(t.reason.find("permission"), std::string_view::npos);
        }
    }
    EXPECT_EQ(read, 1u);
}

// Every row cut at every length and with a control byte written over each position: no
// crash, and a name never carries NUL, CR or LF.
TEST(LongTailListing, ManglingPass)
{
    ListingState state;
    const ParseContext ctx{table_today, &state};
    ListEntry e;
    const auto check = [&](const std::string& line) {
        for (int type : {6000, 6010, 6012, 6024, 6100}) {
            if (parse_list_line(e, line, type, {}, {}, ctx)) {
                ASSERT_FALSE(e.name.empty());
                ASSERT_EQ(e.name.find_first_of(std::string("\0\r\n", 3)), std::string::npos) << line;
                ASSERT_LE(e.hour, 23);
                ASSERT_LE(e.minute, 59);
            }
        }
    };
    for (const auto& table : {std::span<const Row>(unix_dates), std::span<const Row>(unix_columns),
                              std::span<const Row>(other_families)}) {
        for (const Row& row : table) {
            const std::string line(row.line);
            for (std::size_t n = 0; n <= line.size(); ++n) {
                check(line.substr(0, n));
            }
            for (char bad : {'\r', '\n', '\t', '\0'}) {
                for (std::size_t i = 0; i < line.size(); ++i) {
                    std::string mangled = line;
                    mangled[i] = bad;
                    check(mangled);
                }
            }
        }
    }
}

}  // namespace
}  // namespace varnix::dirlex::testing
