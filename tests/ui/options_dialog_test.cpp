// The option dialogs: what Program Options, Session Options (Save and "Sa&ve as Default"),
// Pro Options, Sort Options, the extension dialogs and the Options hub leave in VARNIX.INI
// and in memory, the buffer-size clamps, and that Cancel writes nothing.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "dirlex/dirlex.h"
#include "transfer/transfer_context.h"
#include "ui/dialog_fixture.h"
#include "ui/dialogs/extension_dialogs.h"
#include "ui/dialogs/options_dialog.h"
#include "ui/dialogs/pro_options_dialog.h"
#include "ui/dialogs/program_options_dialog.h"
#include "ui/dialogs/session_options_dialog.h"

namespace varnix::test {
namespace {

using namespace ui;

class OptionsTest : public DialogTest<TransferContext> {
protected:
    std::vector<int> help_asked;
    int remote_listed = 0, local_listed = 0;
    OptionsHooks hooks() {
        OptionsHooks h;
        h.help = [this](int context) { help_asked.push_back(context); };
        h.relist_remote = [this] { ++remote_listed; };
        h.relist_local = [this] { ++local_listed; };
        return h;
    }
};

TEST_F(OptionsTest, ProgramOptionsSaveWritesEveryKeyOnceAndClampsBuffers) {
    write_ini("[_config_]\nSESSION=x\nRBP=4096\n");
    ProgramOptionsDialog d(ctx, hooks());
    EXPECT_EQ(text_of(d, 3020), "xdg-open");
    EXPECT_EQ(text_of(d, 2406), "VARNIX.LOG");
    EXPECT_TRUE(checked(d, 2407));
    EXPECT_TRUE(checked(d, 134)) << "ANSI Fixed is the default font";
    set_checked(d, 907, true);
    set_checked(d, 5110, true);
    type(d, 3020, "less");
    type(d, 5250, "user@example.org");
    type(d, 2406, "/tmp/transfers.log");
    set_checked(d, 2407, false);
    set_checked(d, 126, true);
    set_checked(d, 1852, true);
    type(d, 958, "10");
    type(d, 959, "9999999");
    set_checked(d, 132, true);
    click(d, 1);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_TRUE(d.layout_changed());
    EXPECT_EQ(read_ini(),
              "[_config_]\nSESSION=x\nRBP=80\nLAYOUT=1\nBONTOP=0\nLONGDIR=1\nAUTOSAVE=0\n"
              "VRFYDEL=1\nAUTOSTART=1\nVERBOSE=1\nVIEWER=less\nMAILADDR=user@example.org\n"
              "logfile=/tmp/transfers.log\ndolog=0\nDBLCLK=1\ntranrate=1\nSBP=1048576\n"
              "FONT=1\nSCALE=0\n");
    EXPECT_EQ(ctx.settings.receive_chunk_bytes, 80);
    EXPECT_EQ(ctx.settings.send_chunk_bytes, transfer_buffer_limits::largest);
    EXPECT_EQ(ctx.settings.mail_address, "user@example.org");
    EXPECT_TRUE(ctx.messages.verbose());
    EXPECT_EQ(ini_mode(), 0600);
}

TEST_F(OptionsTest, BufferSizesInsideTheRangeAreKeptAndTextCannotBeTyped) {
    ProgramOptionsDialog d(ctx, hooks());
    auto* receive = control<QLineEdit>(d, 958);
    receive->clear();
    QTest::keyClicks(receive, "65536k");
    EXPECT_EQ(receive->text(), "65536");
    type(d, 959, "");
    click(d, 1);
    EXPECT_EQ(ctx.settings.receive_chunk_bytes, 65536);
    EXPECT_EQ(ctx.settings.send_chunk_bytes, transfer_buffer_limits::smallest) << "an empty field counts as 0";
    EXPECT_FALSE(d.layout_changed());
}

TEST_F(OptionsTest, ProgramOptionsCancelAndCustomFont) {
    write_ini("[_config_]\nVIEWER=vi\n");
    const std::string before = read_ini();
    int chooser_opened = 0;
    OptionsHooks h = hooks();
    h.choose_custom_font = [&](QWidget*) { ++chooser_opened; };
    ProgramOptionsDialog d(ctx, h);
    EXPECT_EQ(text_of(d, 3020), "vi");
    click(d, 135);
    EXPECT_EQ(chooser_opened, 1);
    type(d, 3020, "emacs");
    click(d, 2);
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(read_ini(), before);
    click(d, 9041);
    EXPECT_EQ(help_asked, std::vector<int>{205});
}

// --- Session Options ---

TEST_F(OptionsTest, SessionOptionsSaveKeepsOnlyOverridesAndAlwaysTheHostType) {
    write_ini("[_config_]\nSTOU=0\nRECU=1\nPASVMODE=1\nDOUPDATE=1\nHASH=1\nPROMPT=0\n"
              "FORCLOW=0\nCONVEXT=0\nBELL=1\nusewave=1\nAMODE=0\nMODE=73\nSORTLBX=0\nVLINK=1\n"
              "FIREWALL=0\n[work]\nHOST=h\nRECU=0\nBELL=0\n");
    ctx.session.name = "work";
    ctx.session.passive = 1;
    ctx.options.receive_unique = 0;
    ctx.options.play_sounds = 0;
    ctx.connected = true;
    SessionOptionsDialog d(ctx, hooks());
    EXPECT_TRUE(checked(d, 1860)) << "BELL off shows None";
    EXPECT_TRUE(checked(d, 1852));
    EXPECT_FALSE(control<QWidget>(d, 908)->isEnabled());
    EXPECT_EQ(control<QComboBox>(d, 107)->currentData().toInt(), host_type_automatic);
    set_checked(d, 5090, true);  // now equals [_config_]: the override goes
    set_checked(d, 1862, true);  // Wave: BELL 1 equals the default too
    set_checked(d, 5100, true);  // STOU 1 differs
    click(d, 1);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(read_ini(),
              "[_config_]\nSTOU=0\nRECU=1\nPASVMODE=1\nDOUPDATE=1\nHASH=1\nPROMPT=0\n"
              "FORCLOW=0\nCONVEXT=0\nBELL=1\nusewave=1\nAMODE=0\nMODE=73\nSORTLBX=0\nVLINK=1\n"
              "FIREWALL=0\n[work]\nHOST=h\nSTOU=1\nTYPE=6000\n");
    EXPECT_EQ(ctx.options.send_unique, 1);
    EXPECT_EQ(ctx.options.receive_unique, 1);
    EXPECT_EQ(ctx.options.play_sounds, 1);
    EXPECT_EQ(ctx.options.use_wave_files, 1);
    EXPECT_EQ(remote_listed, 1);
}

TEST_F(OptionsTest, SessionOptionsModesAndHostType) {
    write_ini("[p]\nHOST=h\n");
    ctx.session.name = "p";
    ctx.options.mode = 'A';
    SessionOptionsDialog d(ctx, hooks());
    EXPECT_TRUE(checked(d, 1851));
    set_checked(d, 1854, true);  // Auto Detect keeps MODE
    set_checked(d, 1857, true);  // links as files
    set_checked(d, 118, true);
    auto* types = control<QComboBox>(d, 107);
    types->setCurrentIndex(types->findData(int{dirlex::host::mvs}));
    click(d, 1);
    EXPECT_EQ(ctx.options.auto_mode, 1);
    EXPECT_EQ(ctx.options.mode, 'A');
    EXPECT_EQ(ctx.options.links_as_directories, 0);
    EXPECT_EQ(ctx.session.use_firewall, 1);
    EXPECT_EQ(ctx.session.host_type, dirlex::host::mvs);
    EXPECT_EQ(remote_listed, 0) << "not connected";
    EXPECT_EQ(read_ini(), "[p]\nHOST=h\nSTOU=0\nRECU=0\nPASVMODE=0\nDOUPDATE=1\nHASH=1\n"
                          "PROMPT=0\nFORCLOW=0\nCONVEXT=0\nBELL=1\nusewave=1\nAMODE=1\n"
                          "MODE=65\nSORTLBX=0\nVLINK=0\nTYPE=6024\nFIREWALL=1\n");
}

TEST_F(OptionsTest, SaveAsDefaultWritesConfigOnlyAndKeepsMemory) {
    write_ini("[p]\nHOST=h\n");
    ctx.session.name = "p";
    ctx.options.mode = 'L';
    SessionOptionsDialog d(ctx, hooks());
    set_checked(d, 1854, true);
    set_checked(d, 1861, true);
    click(d, 953);
    EXPECT_NE(d.result(), QDialog::Accepted) << "the dialog stays open";
    EXPECT_EQ(read_ini(), "[p]\nHOST=h\n\n[_config_]\nFIREWALL=0\nPASVMODE=0\nDOUPDATE=1\n"
                          "HASH=1\nSTOU=0\nRECU=0\nPROMPT=0\nFORCLOW=0\nCONVEXT=0\nBELL=1\n"
                          "usewave=0\nAMODE=1\nMODE=73\nVLINK=1\n");
    EXPECT_EQ(ctx.options.auto_mode, 0);
    EXPECT_EQ(ctx.options.mode, 'L');
    const std::string after_default = read_ini();
    click(d, 2);
    EXPECT_EQ(read_ini(), after_default);
}

// --- Pro Options and Sort Options ---

TEST_F(OptionsTest, ProOptionsSaveWritesSortCodes) {
    ctx.connected = true;
    ProOptionsDialog d(ctx, hooks());
    EXPECT_TRUE(checked(d, 1852));
    EXPECT_TRUE(checked(d, 1857));
    set_checked(d, 2415, false);
    set_checked(d, 1855, true);  // local: size
    set_checked(d, 1101, true);  // reversed
    set_checked(d, 1859, true);  // remote: date
    click(d, 1);
    EXPECT_EQ(read_ini(), "[_config_]\nPRODRAG=0\nPROREGET=1\nLFSORT=20\nRFSORT=3\n");
    EXPECT_EQ(ctx.settings.local_sort, 0x14);
    EXPECT_EQ(remote_listed, 1);
    EXPECT_EQ(local_listed, 1);
}

TEST_F(OptionsTest, ProOptionsStoreServerTimeAndIdleNoopOnlyAwayFromTheirDefaults) {
    ProOptionsDialog d(ctx, hooks());
    EXPECT_TRUE(checked(d, 2427));
    EXPECT_EQ(text_of(d, 2428), "0");
    set_checked(d, 2427, false);
    type(d, 2428, "99999");  // more than an hour is an hour
    click(d, 1);
    EXPECT_EQ(read_ini(), "[_config_]\nPRODRAG=1\nPROREGET=1\nLFSORT=1\nRFSORT=1\nMDTM=0\nIDLENOOP=3600\n");
    EXPECT_EQ(ctx.settings.keep_remote_times, 0);
    EXPECT_EQ(ctx.settings.idle_noop, 3600);

    ProOptionsDialog again(ctx, hooks());
    EXPECT_FALSE(checked(again, 2427));
    set_checked(again, 2427, true);
    type(again, 2428, "0");
    click(again, 1);
    EXPECT_EQ(read_ini(), "[_config_]\nPRODRAG=1\nPROREGET=1\nLFSORT=1\nRFSORT=1\n");
}

TEST_F(OptionsTest, SortDialogChangesMemoryOnly) {
    ctx.settings.remote_sort = 0x12;
    int listed = 0;
    SortDialog d(ctx.settings, Pane::Remote, [&] { ++listed; });
    EXPECT_TRUE(checked(d, 1853));
    EXPECT_TRUE(checked(d, 1101));
    set_checked(d, 1851, true);
    set_checked(d, 1101, false);
    click(d, 1);
    EXPECT_EQ(ctx.settings.remote_sort, 0);
    EXPECT_EQ(ctx.settings.local_sort, 1);
    EXPECT_EQ(listed, 1);
    EXPECT_EQ(read_ini(), "");
}

// --- Extension dialogs ---

TEST_F(OptionsTest, AsciiExtensionsExitSavesOtherwiseDiscards) {
    ctx.ascii_list_path = dir.path().string() + "/VARNIX.EXT";
    write_file(ctx.ascii_list_path, ".TXT\n.HTM\n");
    {
        AsciiExtensionsDialog d(ctx, nullptr);
        auto* list = control<QListWidget>(d, 955);
        ASSERT_EQ(list->count(), 2);
        type(d, 954, ".c");
        click(d, 128);
        type(d, 954, ".htm");
        click(d, 945);
        EXPECT_EQ(list->count(), 2);
        d.reject();
    }
    EXPECT_EQ(read_file(ctx.ascii_list_path), ".TXT\n.HTM\n");
    AsciiExtensionsDialog d(ctx, nullptr);
    type(d, 954, ".md");
    click(d, 128);
    click(d, 1);
    EXPECT_EQ(read_file(ctx.ascii_list_path), ".HTM\n.md\n.TXT\n");
}

TEST_F(OptionsTest, ConvertExtensionsAddSelectDeleteAndExit) {
    ctx.conversion_table_path = dir.path().string() + "/VARNIX.CNV";
    write_file(ctx.conversion_table_path, "html=htm\n");
    ConvertExtensionsDialog d(ctx, nullptr);
    auto* list = control<QListWidget>(d, 955);
    ASSERT_EQ(list->count(), 1);
    type(d, 954, "jpeg");
    type(d, 956, "jpg");
    click(d, 128);
    ASSERT_EQ(list->count(), 2);
    emit list->itemClicked(list->item(0));
    EXPECT_EQ(text_of(d, 954), "html");
    EXPECT_EQ(text_of(d, 956), "htm");
    click(d, 945);
    click(d, 1);
    EXPECT_EQ(read_file(ctx.conversion_table_path), "jpeg=jpg\n");
}

// --- The hub ---

TEST_F(OptionsTest, HubSavesWindowLocations) {
    write_ini("[_config_]\nLOC=1,2,3,4,5,6\n");
    OptionsHooks h = hooks();
    WindowPlacement placement{true, 10, 20, 800, 600, 300, 200};
    h.window_placement = [&] { return std::optional<WindowPlacement>(placement); };
    OptionsDialog d(ctx, h);
    EXPECT_FALSE(control<QWidget>(d, 911)->isEnabled()) << "only while connected";
    click(d, 128);
    EXPECT_EQ(read_ini(), "[_config_]\nLOC=1,2,3,4,5,6\nMAXIMIZE=1\n");
    placement.maximized = false;
    click(d, 128);
    EXPECT_EQ(read_ini(), "[_config_]\nLOC=10,20,800,600,300,200\n");
    click(d, 9041);
    EXPECT_EQ(help_asked, std::vector<int>{200});
}

TEST_F(OptionsTest, HubSavesDirectoryNamesWhileConnected) {
    write_ini("[work]\nHOST=h\n");
    ctx.session.name = "work";
    ctx.connected = true;
    ctx.current_remote_dir = "/pub/my dir";
    OptionsHooks h = hooks();
    h.local_dir = [] { return std::string("/home/me"); };
    OptionsDialog d(ctx, h);
    click(d, 911);
    EXPECT_EQ(read_ini(), "[work]\nHOST=h\nDIR=\"/pub/my dir\"\nLOCDIR=/home/me\n");
    ctx.local_dir = "/srv/pane";
    OptionsDialog without_hook(ctx, hooks());
    click(without_hook, 911);
    EXPECT_EQ(read_ini(), "[work]\nHOST=h\nDIR=\"/pub/my dir\"\nLOCDIR=/srv/pane\n");
}

}  // namespace
}  // namespace varnix::test
