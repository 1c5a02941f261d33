// Local names of downloads: long and 8.3 names, host types 6029 and 6044, Receive Unique,
// and remote names that try to leave the download folder.
#include "transfer/local_names.h"

#include <fcntl.h>

#include "dirlex/dirlex.h"
#include "transfer/naming_fixture.h"

namespace varnix::testing {
namespace {

class LocalNameTest : public NamingTest {
protected:
    LocalVolume short_volume() const { return {downloads, 12}; }
    LocalVolume long_volume() const { return {downloads, 255}; }
    void touch(const std::string& name) {
        const int fd = ::open((downloads + "/" + name).c_str(), O_CREAT | O_WRONLY, 0600);
        ASSERT_GE(fd, 0) << name;
        ::close(fd);
    }
};

struct NameRow {
    const char* remote;
    const char* local;
};

TEST_F(LocalNameTest, ShortNamesOnAnEightThreeVolume) {
    const NameRow rows[] = {
        {"Annual Report.doc", "Annual.doc"},
        {"verylongname", "verylong.nam"},
        {"VOL:DATA.TXT;3", "VOL_DATA.TXT"},
        {".login", "login"},
        {"/pub/dir/archive.tar.gz", "archive.tar"},
        {"DKA0:[USER]FILE.DAT;12", "DKA0_[US.DAT"},  // VMS brackets are no separator
        {"a b c", "a.b"},
        {"README", "README"},
        {"", "aaremote"},
        {"....", "aaremote"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(make_local_name(ctx, row.remote, short_volume()), row.local) << row.remote;
}

TEST_F(LocalNameTest, LongNamesKeepTheLastComponent) {
    const NameRow rows[] = {
        {"Annual Report.doc", "Annual Report.doc"},
        {"/pub/dir/archive.tar.gz", "archive.tar.gz"},
        {"VOL:DATA.TXT;3", "VOL:DATA.TXT;3"},  // version kept while CONVEXT is off
        {".login", ".login"},
        {"", "aaremote"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(make_local_name(ctx, row.remote, long_volume()), row.local) << row.remote;
}

TEST_F(LocalNameTest, ConversionTableAppliesToLongNamesAndShortExtensions) {
    write_table("html=htm\nREADME=README.TXT\ntext=document\n");
    ctx.options.convert_extensions = 1;
    EXPECT_EQ(make_local_name(ctx, "docs/index.html;2", long_volume()), "index.htm");
    EXPECT_EQ(make_local_name(ctx, "data.txt;7", long_volume()), "data.txt");
    EXPECT_EQ(make_local_name(ctx, "README", long_volume()), "README.TXT");
    // On 8.3 rules the table sees the extension alone, and its result is not cut to 3.
    EXPECT_EQ(make_local_name(ctx, "index.html", short_volume()), "index.htm");
    EXPECT_EQ(make_local_name(ctx, "notes.text", {downloads, -1}), "notes.document");
    // ... unless the volume cannot hold the result.
    EXPECT_EQ(make_local_name(ctx, "notes.text", short_volume()), "notes.docume");
}

TEST_F(LocalNameTest, LongRemoteNamesFallBackToShortNames) {
    const std::string just_fits(254, 'x');
    EXPECT_EQ(make_local_name(ctx, std::string(200, 'x'), long_volume()), std::string(200, 'x'));
    EXPECT_EQ(make_local_name(ctx, just_fits, long_volume()), just_fits);
    EXPECT_EQ(make_local_name(ctx, std::string(255, 'x'), long_volume()), "xxxxxxxx.xxx");
    // The whole remote text counts, path included, and must be shorter than the maximum.
    EXPECT_EQ(make_local_name(ctx, "directory/name.txt", {downloads, 18}), "name.txt");
    EXPECT_EQ(make_local_name(ctx, "directory/name.text", {downloads, 18}), "name.tex");
}

TEST_F(LocalNameTest, ZvmNamesAreSqueezedBeforeShortening) {
    EXPECT_EQ(squeeze_spaces("  MY   FILE  DATA \t\r\n"), "MY FILE DATA");
    EXPECT_EQ(make_local_name(ctx, "  MY   FILE  DATA \r\n", short_volume()), ".MY");
    ctx.session.host_type = dirlex::host::zvm;
    EXPECT_EQ(make_local_name(ctx, "  MY   FILE  DATA \r\n", short_volume()), "MY.FIL");
}

TEST_F(LocalNameTest, Os400PathsAreFlattenedIntoOneName) {
    ctx.session.host_type = dirlex::host::os400;
    EXPECT_EQ(make_local_name(ctx, "/QSYS.LIB/MYLIB.LIB/SRC.FILE", {downloads, -1}),
              ".QSYS.LIB.MYLIB.LIB.SRC.FILE");
    EXPECT_EQ(make_local_name(ctx, "QGPL\\FILE.MBR", long_volume()), "QGPL.FILE.MBR");
    EXPECT_EQ(make_local_name(ctx, "../", long_volume()), "aaremote");
}

TEST_F(LocalNameTest, ReceiveUniqueNumbersTakenNames) {
    ctx.options.receive_unique = 1;
    touch("notes.txt");
    EXPECT_EQ(make_local_name(ctx, "notes.txt", short_volume()), "notes000.txt");
    touch("notes000.txt");
    EXPECT_EQ(make_local_name(ctx, "notes.txt", short_volume()), "notes001.txt");
    touch("report.txt");
    EXPECT_EQ(make_local_name(ctx, "report.txt", short_volume()), "repor000.txt");
    EXPECT_EQ(make_local_name(ctx, "report.txt", long_volume()), "report.txt.000");
    touch("README");
    EXPECT_EQ(make_local_name(ctx, "README", short_volume()), "README.000");
    EXPECT_EQ(make_local_name(ctx, "fresh.txt", short_volume()), "fresh.txt");
    // A directory of that name is taken too.
    ASSERT_EQ(::mkdir((downloads + "/subdir").c_str(), 0700), 0);
    EXPECT_EQ(make_local_name(ctx, "subdir", long_volume()), "subdir.000");

    ctx.options.receive_unique = 0;
    EXPECT_EQ(make_local_name(ctx, "notes.txt", short_volume()), "notes.txt");
}

TEST_F(LocalNameTest, ReceiveUniqueGivesUpAfterNinetyNineTries) {
    ctx.options.receive_unique = 1;
    touch("x");
    for (int i = 0; i < 100; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "x.%03d", i);
        touch(name);
    }
    EXPECT_EQ(make_local_name(ctx, "x", long_volume()), "x.098");
}

TEST_F(LocalNameTest, NumberedNamesStayWithinTheVolumeLimit) {
    ctx.options.receive_unique = 1;
    const std::string name(25, 'n');
    touch(name);
    const std::string local = make_local_name(ctx, name, {downloads, 28});
    EXPECT_EQ(local, std::string(24, 'n') + ".000");
}

TEST_F(LocalNameTest, HostileNamesNeverLeaveTheFolder) {
    const std::string hostile[] = {
        "../../etc/passwd", "..", ".", "/", "dir/", "a\\..", "..\\..\\x", "a\\b/../..",
        "x\r\nDELE y", std::string("a\0/..", 5), std::string("nul\0name", 8), "\x1b[31mred",
        "tab\there", std::string(300, '.'), "../" + std::string(140, 'a'),
    };
    const int host_types[] = {host_type_automatic, dirlex::host::zvm, dirlex::host::os400};
    const LocalVolume volumes[] = {short_volume(), long_volume(), {downloads, -1}};
    write_table("xx=../../escape\nhere=a/b\\c\n");
    for (int convext : {0, 1})
        for (int host_type : host_types)
            for (const auto& volume : volumes)
                for (const auto& remote : hostile) {
                    ctx.options.convert_extensions = convext;
                    ctx.session.host_type = host_type;
                    const std::string local = make_local_name(ctx, remote, volume);
                    SCOPED_TRACE(::testing::Message() << "remote [" << remote << "] type "
                                                      << host_type << " local [" << local << "]");
                    ASSERT_FALSE(local.empty());
                    EXPECT_LE(local.size(), local_name_max);
                    EXPECT_NE(local.find_first_not_of('.'), std::string::npos);
                    EXPECT_EQ(local.find_first_of(std::string("/\\\0", 3)), std::string::npos);
                    for (char c : local) EXPECT_GE(static_cast<unsigned char>(c), 0x20);
                }
    ctx.options.convert_extensions = 0;
    ctx.session.host_type = host_type_automatic;
    EXPECT_EQ(make_local_name(ctx, "../../etc/passwd", long_volume()), "passwd");
    EXPECT_EQ(make_local_name(ctx, "a\\b/../..", long_volume()), "aaremote");
    EXPECT_EQ(make_local_name(ctx, "x\r\nDELE y", long_volume()), "x__DELE y");
    ctx.options.convert_extensions = 1;
    EXPECT_EQ(make_local_name(ctx, "index.xx", long_volume()), "index..._.._escape");
}

TEST_F(LocalNameTest, ThisFileSystemAllowsLongNames) {
    const LocalVolume volume = probe_local_volume(downloads);
    EXPECT_GT(volume.name_max, 12);
    EXPECT_EQ(make_local_name(ctx, "/pub/Annual Report.doc", volume), "Annual Report.doc");
    EXPECT_EQ(probe_local_volume(dir + "/no-such-folder").name_max, -1);
}

}  // namespace
}  // namespace varnix::testing
