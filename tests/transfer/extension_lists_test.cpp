// The ASCII extension list, the conversion table in both directions, and the dialog edits.
#include "transfer/extension_lists.h"

#include "transfer/naming_fixture.h"

namespace varnix::testing {
namespace {

using ExtensionListTest = NamingTest;

TEST_F(ExtensionListTest, WithoutListFileOnlyLongerTxtNamesAreAscii) {
    EXPECT_TRUE(is_ascii_name(ctx, "readme.txt"));
    EXPECT_TRUE(is_ascii_name(ctx, "RETR NOTES.TxT"));
    EXPECT_TRUE(is_ascii_name(ctx, "VOL:NOTES.TXT;12"));  // version suffix ignored
    EXPECT_FALSE(is_ascii_name(ctx, ".txt"));              // not longer than the ending
    EXPECT_FALSE(is_ascii_name(ctx, "readme.doc"));
    EXPECT_FALSE(is_ascii_name(ctx, "readme.txt.gz"));
}

TEST_F(ExtensionListTest, ListEntriesMatchEndingsOrWholeNames) {
    write_ascii_list(".html\r\nX\n\nMakefile\n.VERYLONGEXT\n.c\n");
    EXPECT_TRUE(is_ascii_name(ctx, "INDEX.HTML"));  // CR LF line end, case ignored
    EXPECT_TRUE(is_ascii_name(ctx, "makefile"));    // whole name
    EXPECT_TRUE(is_ascii_name(ctx, "main.c;1"));
    EXPECT_FALSE(is_ascii_name(ctx, "X"));  // one-character entries are ignored
    EXPECT_FALSE(is_ascii_name(ctx, "readme.txt"));  // the file replaces the default
    // A line is cut to 9 characters; the rest is not a separate entry.
    EXPECT_TRUE(is_ascii_name(ctx, "a.VERYLONG"));
    EXPECT_FALSE(is_ascii_name(ctx, "a.EXT"));
    EXPECT_FALSE(is_ascii_name(ctx, "c"));  // an entry longer than the name never matches
}

TEST_F(ExtensionListTest, EmptyListFileMakesEverythingBinary) {
    write_ascii_list("");
    EXPECT_FALSE(is_ascii_name(ctx, "readme.txt"));
}

TEST_F(ExtensionListTest, TableConvertsEndingsInBothDirections) {
    write_table("html=htm\nREADME=README.TXT\n");
    ctx.options.convert_extensions = 1;
    std::string name = "index.HTML";
    EXPECT_TRUE(convert_extension(ctx, name, ConvertDirection::Download));
    EXPECT_EQ(name, "index.htm");
    EXPECT_TRUE(view.contains("[I] Converted extension from HTML to htm"));

    name = "index.html";
    EXPECT_TRUE(convert_extension(ctx, name, ConvertDirection::Upload));
    EXPECT_EQ(name, "index.htm");

    name = "readme";
    EXPECT_TRUE(convert_extension(ctx, name, ConvertDirection::Download));
    EXPECT_EQ(name, "README.TXT");
    EXPECT_TRUE(view.contains("[I] Converted extension from readme to README.TXT"));

    name = "html";  // the whole name equals a source
    EXPECT_TRUE(convert_extension(ctx, name, ConvertDirection::Download));
    EXPECT_EQ(name, "htm");
}

TEST_F(ExtensionListTest, VersionSuffixStaysOnlyOnUnconvertedUploads) {
    write_table("html=htm\n");
    ctx.options.convert_extensions = 1;
    std::string name = "paper.doc;3";
    EXPECT_FALSE(convert_extension(ctx, name, ConvertDirection::Download));
    EXPECT_EQ(name, "paper.doc");
    name = "paper.doc;3";
    EXPECT_FALSE(convert_extension(ctx, name, ConvertDirection::Upload));
    EXPECT_EQ(name, "paper.doc;3");
    name = "index.html;2";
    EXPECT_TRUE(convert_extension(ctx, name, ConvertDirection::Upload));
    EXPECT_EQ(name, "index.htm");
}

TEST_F(ExtensionListTest, ForceLowercaseAppliesToUploadsOnlyAndBeforeTheTable) {
    write_table("index.htm=default.htm\n");
    ctx.options.force_lowercase = 1;
    ctx.options.convert_extensions = 0;
    std::string name = "READ ME.TXT";
    EXPECT_FALSE(convert_extension(ctx, name, ConvertDirection::Upload));
    EXPECT_EQ(name, "read me.txt");
    name = "README.TXT";
    EXPECT_FALSE(convert_extension(ctx, name, ConvertDirection::Download));
    EXPECT_EQ(name, "README.TXT");

    ctx.options.convert_extensions = 1;
    name = "INDEX.HTM";
    EXPECT_TRUE(convert_extension(ctx, name, ConvertDirection::Upload));
    EXPECT_EQ(name, "default.htm");
}

TEST_F(ExtensionListTest, TableLinesThatDoNotConvert) {
    // No "=", a one-character source, an empty destination; then the first match wins and
    // a destination is used up to 20 characters.
    write_table("html\nl=x\ntxt=\nhtml=abcdefghijklmnopqrstuvwxyz\nhtml=htm\n");
    ctx.options.convert_extensions = 1;
    std::string name = "a.txt";
    EXPECT_FALSE(convert_extension(ctx, name, ConvertDirection::Download));
    EXPECT_EQ(name, "a.txt");
    name = "a.html";
    EXPECT_TRUE(convert_extension(ctx, name, ConvertDirection::Download));
    EXPECT_EQ(name, "a.abcdefghijklmnopqrst");

    ctx.options.convert_extensions = 0;  // the table is not even read
    name = "b.html;1";
    EXPECT_FALSE(convert_extension(ctx, name, ConvertDirection::Download));
    EXPECT_EQ(name, "b.html;1");
}

TEST_F(ExtensionListTest, MissingTableConvertsNothing) {
    ctx.options.convert_extensions = 1;
    std::string name = "x.html;4";
    EXPECT_FALSE(convert_extension(ctx, name, ConvertDirection::Download));
    EXPECT_EQ(name, "x.html");
}

TEST_F(ExtensionListTest, AsciiDialogEditsAndSavesTheList) {
    auto list = load_ascii_extensions(ctx);
    EXPECT_EQ(list, std::vector<std::string>{".TXT"});

    EXPECT_TRUE(add_ascii_extension(list, ".c"));
    EXPECT_FALSE(add_ascii_extension(list, ".txt"));  // present, whatever the case
    EXPECT_FALSE(add_ascii_extension(list, "h"));     // too short
    EXPECT_TRUE(add_ascii_extension(list, ".markdown-text"));
    EXPECT_TRUE(add_ascii_extension(list, ".Asm"));
    EXPECT_EQ(list, (std::vector<std::string>{".Asm", ".c", ".markdown", ".TXT"}));

    EXPECT_TRUE(remove_ascii_extension(list, ".C"));
    EXPECT_FALSE(remove_ascii_extension(list, ".cpp"));
    list.push_back("x");  // a stray short entry is not saved
    ASSERT_TRUE(save_ascii_extensions(ctx, list));
    EXPECT_EQ(read_file(ctx.ascii_list_path), ".Asm\n.markdown\n.TXT\n");
    EXPECT_EQ(load_ascii_extensions(ctx), (std::vector<std::string>{".Asm", ".markdown", ".TXT"}));
    EXPECT_TRUE(is_ascii_name(ctx, "notes.MARKDOWN"));
}

TEST_F(ExtensionListTest, ConversionDialogEditsAndSavesTheTable) {
    write_table("html=htm\nno equals sign\nx\nREADME=README.TXT\njpeg=abcdefghijklmnopqrstuvwxyz\n");
    auto entries = load_conversion_table(ctx);
    EXPECT_EQ(entries, (std::vector<std::string>{"html=htm", "README=README.TXT",
                                                 "jpeg=abcdefghijklmnopqrst"}));

    // Adding a source again replaces its entry and moves it last (the first match wins).
    EXPECT_TRUE(add_conversion(entries, "HTML", "hts"));
    EXPECT_FALSE(add_conversion(entries, "", "abc"));
    EXPECT_TRUE(add_conversion(entries, "a-very-long-source-name", "a-very-long-destination"));
    EXPECT_EQ(entries, (std::vector<std::string>{"README=README.TXT", "jpeg=abcdefghijklmnopqrst",
                                                 "HTML=hts",
                                                 "a-very-long-source-=a-very-long-destina"}));
    EXPECT_TRUE(remove_conversion(entries, "readme"));
    EXPECT_TRUE(remove_conversion(entries, "a-very-long-source-name"));
    EXPECT_FALSE(remove_conversion(entries, "htm"));  // a prefix of a source is not a source

    const ConversionEntry split = split_conversion(entries.back());
    EXPECT_EQ(split.source, "HTML");
    EXPECT_EQ(split.destination, "hts");

    entries.push_back("junk");
    ASSERT_TRUE(save_conversion_table(ctx, entries));
    EXPECT_EQ(read_file(ctx.conversion_table_path), "jpeg=abcdefghijklmnopqrst\nHTML=hts\n");
}

TEST_F(ExtensionListTest, SavingCreatesTheUserFolderAndReportsFailure) {
    ctx.conversion_table_path = dir + "/new-folder/VARNIX.CNV";
    ASSERT_TRUE(save_conversion_table(ctx, {"a=b"}));
    EXPECT_EQ(read_file(ctx.conversion_table_path), "a=b\n");

    ctx.ascii_list_path = dir + "/missing/deeper/VARNIX.EXT";
    EXPECT_FALSE(save_ascii_extensions(ctx, {".txt"}));
}

TEST_F(ExtensionListTest, FilesAreFoundLikeTheConfigurationFile) {
    SupportDirs dirs{dir + "/cwd", dir + "/prog", dir + "/config"};
    ASSERT_EQ(::mkdir(dirs.program_dir.c_str(), 0700), 0);
    write_file(dirs.program_dir + "/VARNIX.EXT", ".txt\n");
    init_extension_file_paths(ctx, dirs);
    EXPECT_EQ(ctx.ascii_list_path, dirs.program_dir + "/VARNIX.EXT");
    EXPECT_EQ(ctx.conversion_table_path, dirs.config_dir + "/VARNIX.CNV");
}

}  // namespace
}  // namespace varnix::testing
