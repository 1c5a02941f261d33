// Tests of the INI profile store against files a user could have edited by hand.
#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace varnix {
namespace {

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/varnix-ini-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        path_ = dir_ + "/VARNIX.INI";
    }
    void TearDown() override { (void)std::system(("rm -rf '" + dir_ + "'").c_str()); }

    void write(const std::string& text, const std::string& path = {}) {
        std::ofstream(path.empty() ? path_ : path, std::ios::binary) << text;
    }
    std::string read(const std::string& path = {}) {
        std::ifstream in(path.empty() ? path_ : path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    IniFile load_text(const std::string& text) {
        write(text);
        auto loaded = IniFile::load(path_);
        EXPECT_TRUE(loaded.status.ok());
        return loaded.file;
    }
    int mode_of(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0);
        return static_cast<int>(st.st_mode & 07777);
    }
    int entries_in(const std::string& dir) {
        int n = 0;
        DIR* d = ::opendir(dir.c_str());
        while (dirent* e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") ++n;
        ::closedir(d);
        return n;
    }

    std::string dir_, path_;
};

TEST_F(IniFileTest, HandEditedFileReadsLikeTheProfileFunctions) {
    const IniFile ini = load_text(
        "stray=before any section\r\n"
        "; a comment=not a key\r\n"
        "[_Config_]\r\n"
        "  MailAddr   =   me@example.org   \r\n"
        "VERBOSE=1\r\n"
        "just some words\r\n"
        "empty=\r\n"
        "\r\n"
        "[  Work  ]\r\n"
        "HOST=ftp.one\r\n"
        "host=ftp.two\r\n"
        "DIR=\"/pub/my dir\"\r\n"
        "half=\"open\r\n"
        "=no name\r\n"
        "[work]\r\n"
        "HOST=ftp.three\r\n"
        "ONLYHERE=x\r\n");
    EXPECT_EQ(ini.find("_config_", "mailaddr"), "me@example.org");
    EXPECT_EQ(ini.get_int("_CONFIG_", "verbose", 0), 1);
    EXPECT_EQ(ini.find("_config_", "just some words"), std::nullopt);
    EXPECT_EQ(ini.find("_config_", "; a comment"), std::nullopt);
    EXPECT_EQ(ini.find("_config_", "stray"), std::nullopt);
    // An empty value is a value: the default is not used.
    EXPECT_EQ(ini.get_string("_config_", "EMPTY", "dflt", 100), "");
    EXPECT_EQ(ini.get_string("_config_", "ABSENT", "dflt", 100), "dflt");
    // First key and first section win; names are trimmed and case-blind.
    EXPECT_EQ(ini.find("WORK", "Host"), "ftp.one");
    EXPECT_EQ(ini.find("work", "ONLYHERE"), std::nullopt);
    EXPECT_EQ(ini.find("work", "DIR"), "/pub/my dir");
    EXPECT_EQ(ini.find("work", "half"), "\"open");
    EXPECT_EQ(ini.keys("Work"), (std::vector<std::string>{"HOST", "DIR", "half"}));
    EXPECT_EQ(ini.keys("nowhere"), std::vector<std::string>{});
    EXPECT_EQ(ini.sections(), (std::vector<std::string>{"_Config_", "Work"}));
}

TEST_F(IniFileTest, ValuesAreCutToTheCallersLimit) {
    const IniFile ini = load_text("[s]\nk=\"0123456789\"\n");
    EXPECT_EQ(ini.get_string("s", "k", "", 4), "0123");
    EXPECT_EQ(ini.get_string("s", "k", "", 10), "0123456789");
    EXPECT_EQ(ini.get_string("s", "none", "abcdef", 3), "abc");
    EXPECT_EQ(ini.get_string("s", "k", "", 0), "");
}

TEST(ProfileIntTest, DigitsAccumulateModulo2To32) {
    const std::pair<const char*, std::int32_t> rows[] = {
        {"4294967285", -11}, {"-11", -11},      {"+7", 7},          {"  42  ", 42},
        {"12abc", 12},       {"abc", 0},        {"-", 0},           {"4294967296", 0},
        {"2147483648", INT32_MIN},              {"-4294967285", 11}, {"99999999999", 1215752191},
        {"0x10", 0},         {"007", 7},
    };
    for (const auto& [text, value] : rows) EXPECT_EQ(parse_profile_int(text), value) << text;
}

TEST_F(IniFileTest, IntegersUseTheDefaultOnlyWhenAbsentOrEmpty) {
    const IniFile ini = load_text("[_config_]\nFHEIGHT=4294967285\nRBP=\nSBP=junk\nQ=\"5\"\n");
    EXPECT_EQ(ini.get_int("_config_", "FHEIGHT", 0), -11);
    EXPECT_EQ(ini.get_int("_config_", "RBP", 4096), 4096);
    EXPECT_EQ(ini.get_int("_config_", "SBP", 512), 0);
    EXPECT_EQ(ini.get_int("_config_", "Q", 0), 5);
    EXPECT_EQ(ini.get_int("_config_", "NOPE", 99), 99);
    EXPECT_EQ(ini.get_int("nosection", "FHEIGHT", 7), 7);
}

TEST_F(IniFileTest, DamagedFileLoadsWhatItCanAndKeepsTheRest) {
    std::string junk = "[good]\nA=1\n";
    junk += std::string("\0\xff\xfe[\x01=\x02\n", 8);
    junk += "LONG=" + std::string(10000, 'x') + "\n";
    junk += "[broken\nB=leak\n";
    junk += std::string(10000, '[') + "\n";
    junk += "[next]\nC=3";  // no line end at the end of the file
    IniFile ini = load_text(junk);
    EXPECT_EQ(ini.find("good", "A"), "1");
    EXPECT_EQ(ini.find("good", "LONG")->size(), 10000u);
    // Keys under a header without "]" belong to no section, least of all the one above.
    EXPECT_EQ(ini.find("good", "B"), std::nullopt);
    EXPECT_EQ(ini.find("broken", "B"), std::nullopt);
    EXPECT_EQ(ini.find("next", "C"), "3");
    EXPECT_EQ(ini.text(), junk);

    ASSERT_TRUE(ini.put("next", "D", "4").ok());
    ASSERT_TRUE(ini.save(path_).ok());
    EXPECT_EQ(read(), junk + "\nD=4\n");
}

TEST_F(IniFileTest, EditsTouchOnlyTheirLines) {
    const std::string original =
        "; my settings\r\n"
        "[_config_]\r\n"
        "VERBOSE = 0   \r\n"
        "\r\n"
        "[Work]\r\n"
        "host=a\r\n"
        "HOST=dup\r\n"
        "UID=me\r\n"
        "\r\n"
        "[Home]\r\n"
        "HOST=b\r\n";
    IniFile ini = load_text(original);
    ASSERT_TRUE(ini.put("_CONFIG_", "verbose", "1").ok());
    ASSERT_TRUE(ini.put("work", "PORT", "2121").ok());
    ASSERT_TRUE(ini.put("Work", "HOST", std::nullopt).ok());
    ASSERT_TRUE(ini.put("New", "K", "v").ok());
    EXPECT_EQ(ini.text(),
              "; my settings\r\n"
              "[_config_]\r\n"
              "VERBOSE=1\r\n"
              "\r\n"
              "[Work]\r\n"
              "UID=me\r\n"
              "PORT=2121\r\n"
              "\r\n"
              "[Home]\r\n"
              "HOST=b\r\n"
              "\r\n"
              "[New]\r\n"
              "K=v\r\n");
    // Deleting what is not there changes nothing.
    const std::string before = ini.text();
    ASSERT_TRUE(ini.put("Nowhere", "K", std::nullopt).ok());
    ASSERT_TRUE(ini.put("Home", "NOKEY", std::nullopt).ok());
    EXPECT_EQ(ini.text(), before);
}

TEST_F(IniFileTest, SectionDeletesReachEveryDuplicate) {
    const std::string original = "[a]\nK=1\n\n[B]\nK=2\n[b]\nK=3\n[c]\nK=4\n";
    IniFile erased = load_text(original);
    erased.erase_section("b");
    EXPECT_EQ(erased.text(), "[a]\nK=1\n\n[c]\nK=4\n");

    IniFile cleared = load_text("[a]\nK=1\n; note\n\n[b]\nK=2\n[A]\nX=9\n");
    cleared.clear_section("A");
    ASSERT_TRUE(cleared.put("a", "NEW", "n").ok());
    EXPECT_EQ(cleared.text(), "[a]\nNEW=n\n\n[b]\nK=2\n");
    EXPECT_EQ(cleared.find("a", "X"), std::nullopt);
}

TEST_F(IniFileTest, RefusesTextThatWouldBreakTheFile) {
    IniFile ini;
    EXPECT_EQ(ini.put("s", "k", "two\nlines").error, EINVAL);
    EXPECT_EQ(ini.put("s", "k", std::string_view("nul\0", 4)).error, EINVAL);
    EXPECT_EQ(ini.put("s", "k=v", "x").error, EINVAL);
    EXPECT_EQ(ini.put("s]", "k", "x").error, EINVAL);
    EXPECT_EQ(ini.put("", "k", "x").error, EINVAL);
    EXPECT_EQ(ini.put("s", "", "x").error, EINVAL);
    EXPECT_EQ(ini.put("s", "[k", "x").error, EINVAL);
    EXPECT_EQ(ini.text(), "");
}

TEST_F(IniFileTest, OneCallFormsRoundTrip) {
    ASSERT_TRUE(write_uint(path_, "_config_", "FHEIGHT", static_cast<std::uint32_t>(-11)).ok());
    ASSERT_TRUE(ini_put(path_, "Work", "DIR", "\"/pub\"").ok());
    EXPECT_EQ(read(), "[_config_]\nFHEIGHT=4294967285\n\n[Work]\nDIR=\"/pub\"\n");
    EXPECT_EQ(ini_get_int(path_, "_config_", "fheight", 0), -11);
    EXPECT_EQ(ini_get_string(path_, "work", "dir", "", 142), "/pub");
    ASSERT_TRUE(ini_erase_section(path_, "WORK").ok());
    EXPECT_EQ(read(), "[_config_]\nFHEIGHT=4294967285\n\n");
}

TEST_F(IniFileTest, NewFileAndFolderArePrivate) {
    const std::string nested = dir_ + "/a/b/VARNIX.INI";
    ASSERT_TRUE(ini_put(nested, "s", "k", "v").ok());
    EXPECT_EQ(mode_of(nested), 0600);
    EXPECT_EQ(mode_of(dir_ + "/a/b"), 0700);
    // A delete against a missing file creates nothing.
    ASSERT_TRUE(ini_put(path_, "s", "k", std::nullopt).ok());
    EXPECT_NE(::access(path_.c_str(), F_OK), 0);
}

TEST_F(IniFileTest, RewriteDropsGroupAccessAndKeepsStricterModes) {
    write("[s]\nk=1\n");
    ASSERT_EQ(::chmod(path_.c_str(), 0644), 0);
    ASSERT_TRUE(ini_put(path_, "s", "k", "2").ok());
    EXPECT_EQ(mode_of(path_), 0600);

    write("[s]\nk=1\n");
    ASSERT_EQ(::chmod(path_.c_str(), 0200), 0);
    ASSERT_TRUE(ini_put(path_, "s", "k", "2").ok());
    EXPECT_EQ(mode_of(path_), 0200);
}

TEST_F(IniFileTest, SymbolicLinkStaysALink) {
    const std::string real = dir_ + "/real.ini";
    write("[s]\nk=1\n", real);
    ASSERT_EQ(::symlink("real.ini", path_.c_str()), 0);
    ASSERT_TRUE(ini_put(path_, "s", "k", "2").ok());
    struct stat st {};
    ASSERT_EQ(::lstat(path_.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(read(real), "[s]\nk=2\n");
}

TEST_F(IniFileTest, UnreadableFileIsNeverReplaced) {
    ASSERT_EQ(::mkdir(path_.c_str(), 0700), 0);  // a folder where the file should be
    EXPECT_EQ(IniFile::load(path_).status.error, EISDIR);
    EXPECT_FALSE(ini_put(path_, "s", "k", "v").ok());
    EXPECT_EQ(ini_get_string(path_, "s", "k", "dflt", 10), "dflt");
}

TEST_F(IniFileTest, FailedWriteLeavesTheOldFileAndNoTemporary) {
    const std::string original = "[keep]\nA=1\n";
    write(original);
    IniFile ini = load_text(original);
    ASSERT_TRUE(ini.put("keep", "BIG", std::string(64 * 1024, 'x')).ok());

    // Simulate a full disk: the file size limit makes the write fail with EFBIG.
    rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const IniStatus status = ini.save(path_);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &old), 0);
    std::signal(SIGXFSZ, old_handler);

    EXPECT_EQ(status.error, EFBIG);
    EXPECT_EQ(read(), original);
    EXPECT_EQ(entries_in(dir_), 1);
}

// Whatever the file holds, a write must be readable at once and must not change what any
// other key reads as. Every prefix of a sample, and the sample with bytes replaced by the
// characters that matter to the parser.
TEST(IniFileMangleTest, WritesAreReadBackAndDisturbNothingElse) {
    const std::string sample =
        "; c\r\n[_config_]\r\nA = 1\r\n\"q\"=\"x\"\n[Work]\nHOST=h\nhost=dup\n\n[work]\nB=2\n"
        "[broken\nC=3\n[Other]\nD=\"4\"\nE\n";
    std::vector<std::string> cases;
    for (std::size_t n = 0; n <= sample.size(); ++n) cases.push_back(sample.substr(0, n));
    for (std::size_t i = 0; i < sample.size(); ++i)
        for (const char c : std::string("\r\n\0[]=\";", 8)) {
            std::string mangled = sample;
            mangled[i] = c;
            cases.push_back(mangled);
        }
    for (const std::string& text : cases) {
        IniFile ini = IniFile::from_text(text);
        ASSERT_EQ(ini.text(), text);
        std::vector<std::tuple<std::string, std::string, std::optional<std::string>>> before;
        for (const auto& section : ini.sections())
            for (const auto& key : ini.keys(section))
                if (!(section == "Work" && key == "NEW"))
                    before.emplace_back(section, key, ini.find(section, key));
        ASSERT_TRUE(ini.put("Work", "NEW", "v").ok());
        const IniFile reread = IniFile::from_text(ini.text());
        ASSERT_EQ(reread.find("work", "new"), "v") << text;
        for (const auto& [section, key, value] : before)
            ASSERT_EQ(reread.find(section, key), value) << text << " / " << section << "." << key;
        IniFile erased = reread;
        erased.erase_section("WORK");
        ASSERT_FALSE(IniFile::from_text(erased.text()).has_section("work")) << text;
    }
}

}  // namespace
}  // namespace varnix
