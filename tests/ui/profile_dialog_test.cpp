// The "Session Profile" and "Advanced Profile Parameters" dialogs: what Save, OK, Cancel,
// New and Delete leave in VARNIX.INI, the corrections of the number fields, the firewall
// section, anonymous logons and refused profile names.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "config/scramble.h"
#include "dirlex/dirlex.h"
#include "ui/dialog_fixture.h"
#include "ui/dialogs/advanced_profile_dialog.h"
#include "ui/dialogs/profile_dialog.h"

namespace varnix::test {
namespace {

using ui::AdvancedProfileDialog;
using ui::ProfileDialog;
using ui::ProfileEditState;

class ProfileDialogTest : public DialogTest<ConfigContext> {
protected:
    ProfileEditState state;
    std::vector<int> help_asked;
    ui::HelpHook help = [this](int context) { help_asked.push_back(context); };

    static QComboBox* name_box(ProfileDialog& d) { return control<QComboBox>(d, 105); }
    static void set_name(ProfileDialog& d, const QString& name) {
        name_box(d)->setEditText(name);
    }
};

constexpr const char* base_ini =
    "[_config_]\n"
    "MAILADDR=me@example.org\n"
    "PASVMODE=1\n"
    "[old]\n"
    "HOST=old.example.org\n"
    "UID=olduser\n"
    "COMMENT=kept\n";

TEST_F(ProfileDialogTest, SaveWritesTheProfileKeysAndTheComment) {
    write_ini(base_ini);
    ProfileDialog d(ctx, state, help);
    click(d, 103);  // New
    set_name(d, "  work");
    type(d, 106, "ftp.example.org");
    type(d, 108, "anna");
    type(d, 109, "secret");
    set_checked(d, 113, true);
    type(d, 110, "/pub/data");
    type(d, 832, "/home/anna");
    type(d, 954, "my comment");
    auto* types = control<QComboBox>(d, 107);
    types->setCurrentIndex(types->findData(int{dirlex::host::vms}));
    click(d, 101);  // Save

    const std::string expected = std::string(base_ini) +
                                 "\n[work]\n"
                                 "HOST=ftp.example.org\n"
                                 "UID=anna\n"
                                 "PWD=" + scramble_secret("anna", "secret") + "\n"
                                 "TYPE=6012\n"
                                 "LOCDIR=/home/anna\n"
                                 "DIR=\"/pub/data\"\n"
                                 "TLS=1\n"  // a new profile uses TLS when the server offers it
                                 "COMMENT=my comment\n";
    EXPECT_EQ(read_ini(), expected);
    EXPECT_EQ(ini_mode(), 0600);
    EXPECT_TRUE(d.isVisible() || d.result() == 0) << "Save keeps the dialog open";
    EXPECT_GE(name_box(d)->findText("work"), 0) << "the new name joins the list";
    EXPECT_EQ(name_box(d)->currentText(), "work") << "leading spaces are dropped";
}

TEST_F(ProfileDialogTest, OkWithoutAutoSaveChangesNoFileButKeepsTheEdits) {
    write_ini(base_ini);
    const std::string before = read_ini();
    ProfileDialog d(ctx, state, help);
    set_name(d, "old");
    EXPECT_EQ(text_of(d, 106), "old.example.org");
    EXPECT_EQ(text_of(d, 954), "kept");
    type(d, 106, "new.example.org");
    set_checked(d, 837, false);
    click(d, 1);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(read_ini(), before);
    EXPECT_EQ(state.working.name, "old");
    EXPECT_EQ(state.working.host, "new.example.org");
}

TEST_F(ProfileDialogTest, OkWithAutoSaveSavesUnderTheHostWhenUnnamed) {
    write_ini("[_config_]\nAUTOSAVE=1\n");
    ctx.settings.auto_save_profiles = 1;
    ProfileDialog d(ctx, state, help);
    EXPECT_TRUE(checked(d, 837));
    set_name(d, "");
    type(d, 106, "host.example.org");
    type(d, 108, "bob");
    type(d, 109, "not saved");
    type(d, 119, "acct");
    click(d, 1);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(read_ini(), "[_config_]\nAUTOSAVE=1\n"
                          "\n[host.example.org]\n"
                          "HOST=host.example.org\n"
                          "UID=bob\n"
                          "ACT=" + scramble_secret("bob", "acct") + "\n"
                          "PASVMODE=0\n");
    EXPECT_EQ(state.working.name, "host.example.org");
}

TEST_F(ProfileDialogTest, CancelLeavesTheFileAndTheWorkingCopyAlone) {
    write_ini(base_ini);
    const std::string before = read_ini();
    ctx.session.name = "current";
    ctx.session.host = "current.example.org";
    ctx.options.receive_unique = 1;
    ProfileDialog d(ctx, state, help);
    set_name(d, "old");  // loading a profile touches the session options
    type(d, 106, "edited");
    click(d, 103);
    click(d, 2);
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(read_ini(), before);
    EXPECT_EQ(state.working.host, "current.example.org");
    EXPECT_EQ(ctx.options.receive_unique, 1);
}

TEST_F(ProfileDialogTest, NamesThatWouldCorruptTheFileAreRefused) {
    write_ini(base_ini);
    const std::string before = read_ini();
    for (const QString& name : {QString("a]b"), QString("a=b"), QString("two\nlines"),
                                QString::fromUtf8("nul\0x", 5), QString("_CONFIG_"),
                                QString("Firewall")}) {
        boxes = HeadlessMessageBoxes();
        ProfileDialog d(ctx, state, help);
        set_name(d, name);
        type(d, 106, "h.example.org");
        click(d, 101);
        set_checked(d, 837, true);
        click(d, 1);
        EXPECT_NE(d.result(), QDialog::Accepted) << name.toStdString();
        ASSERT_EQ(boxes.shown().size(), 2u) << name.toStdString();
        EXPECT_EQ(boxes.shown()[0].caption, "Session Profile");
        click(d, 102);  // Delete refuses too
        EXPECT_EQ(read_ini(), before) << name.toStdString();
    }
}

TEST_F(ProfileDialogTest, PasswordSavingBanHidesTheBoxAndStoresNoPassword) {
    write_ini("[_config_]\nSPFLAGS=1\n[p]\nHOST=h\nUID=u\nPWD=" + scramble_secret("u", "pw") +
              "\n");
    ctx.session.name = "p";
    ProfileDialog d(ctx, state, help);
    EXPECT_TRUE(control<QCheckBox>(d, 113)->isHidden());
    EXPECT_EQ(text_of(d, 109), "pw") << "the stored password is still used";
    EXPECT_EQ(state.working.password_saved, 0);
    click(d, 101);
    EXPECT_EQ(read_ini(), "[_config_]\nSPFLAGS=1\n[p]\nHOST=h\nUID=u\nPASVMODE=0\n");
}

TEST_F(ProfileDialogTest, PasswordSavingBanFromTheUserProfile) {
    write_file(ctx.user_profile_path, "[VARNIX]\nSPFLAGS=2\n");
    ProfileDialog d(ctx, state, help);
    EXPECT_TRUE(control<QCheckBox>(d, 113)->isHidden());
}

TEST_F(ProfileDialogTest, AnonymousLoginAsksForTheMailAddressUntilGiven) {
    write_ini("[_config_]\nMAILADDR=\n");
    ctx.settings.mail_address.clear();
    prompter.push_answer(std::string());
    prompter.push_answer(std::string("guest@example.org"));
    ProfileDialog d(ctx, state, help);
    auto* password = control<QLineEdit>(d, 109);
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    type(d, 119, "account");
    click(d, 111);
    EXPECT_EQ(text_of(d, 108), "anonymous");
    EXPECT_EQ(text_of(d, 109), "guest@example.org");
    EXPECT_EQ(text_of(d, 119), "");
    EXPECT_EQ(password->echoMode(), QLineEdit::Normal);
    ASSERT_EQ(prompter.requests().size(), 2u);
    EXPECT_EQ(prompter.requests()[0].prompt, "Enter your e-mail address:");
    click(d, 111);
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(text_of(d, 109), "guest@example.org") << "the texts stay";
}

TEST_F(ProfileDialogTest, AnonymousLoginStopsAskingWhenCancelled) {
    ctx.settings.mail_address.clear();
    prompter.push_answer(std::nullopt);
    ProfileDialog d(ctx, state, help);
    click(d, 111);
    EXPECT_EQ(prompter.requests().size(), 1u);
    EXPECT_EQ(text_of(d, 109), "");
}

TEST_F(ProfileDialogTest, DeleteRemovesTheSectionAndShowsTheNextProfile) {
    write_ini("[_config_]\nVERBOSE=1\n[alpha]\nHOST=a.example.org\n[beta]\nHOST=b.example.org\n"
              "UID=bee\n[gamma]\nHOST=g.example.org\n");
    ProfileDialog d(ctx, state, help);
    QComboBox* names = name_box(d);
    ASSERT_EQ(names->count(), 3);
    names->setCurrentIndex(names->findText("beta"));
    EXPECT_EQ(text_of(d, 108), "bee");
    click(d, 102);
    EXPECT_EQ(read_ini(), "[_config_]\nVERBOSE=1\n[alpha]\nHOST=a.example.org\n"
                          "[gamma]\nHOST=g.example.org\n");
    EXPECT_EQ(names->count(), 2);
    EXPECT_EQ(names->currentText(), "gamma");
    EXPECT_EQ(text_of(d, 106), "g.example.org");
    EXPECT_EQ(text_of(d, 108), "");
}

TEST_F(ProfileDialogTest, HostTypesComeFromTheListingLibrary) {
    ProfileDialog d(ctx, state, help);
    auto* types = control<QComboBox>(d, 107);
    EXPECT_EQ(types->count(), static_cast<int>(dirlex::host_types().size()));
    EXPECT_EQ(types->currentData().toInt(), host_type_automatic);
    for (int i = 1; i < types->count(); ++i)
        EXPECT_LE(types->itemText(i - 1).compare(types->itemText(i), Qt::CaseInsensitive), 0);
}

TEST_F(ProfileDialogTest, HelpButtonAndKeys) {
    ProfileDialog d(ctx, state, help);
    click(d, 9041);
    d.show();
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    QTest::keyClick(&d, Qt::Key_F1);
    QTest::keyClick(&d, Qt::Key_F2);
    EXPECT_EQ(help_asked, (std::vector<int>{25, 30, 30}));
    AdvancedProfileDialog advanced(ctx, state, help);
    click(advanced, 9041);
    EXPECT_EQ(help_asked.back(), 50);
}

// --- Advanced Profile Parameters ---

class AdvancedDialogTest : public ProfileDialogTest {};

TEST_F(AdvancedDialogTest, NumbersAreCorrectedAndNoFirewallMeansNoWrite) {
    write_ini("[FIREWALL]\nHOST=fw.example.org\nUID=fwuser\nPORT=1080\nFIRETYPE=2\n");
    const std::string before = read_ini();
    state.working.port = 5;
    AdvancedProfileDialog d(ctx, state, help);
    EXPECT_EQ(text_of(d, 118), "1080");
    EXPECT_EQ(text_of(d, 108), "fwuser");
    EXPECT_TRUE(checked(d, 1853));
    EXPECT_FALSE(control<QLineEdit>(d, 106)->isEnabled());
    type(d, 835, "99");
    type(d, 4040, "0");
    type(d, 117, "5");
    type(d, 909, "SITE IDLE 600;TYPE I");
    type(d, 2408, "*.txt");
    type(d, 955, "*.zip");
    set_checked(d, 836, true);
    click(d, 1);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(state.working.retries, 40);
    EXPECT_EQ(state.working.timeout, 65);
    EXPECT_EQ(state.working.port, 21);
    EXPECT_EQ(state.working.init_cmd, "SITE IDLE 600;TYPE I");
    EXPECT_EQ(state.working.local_mask, "*.txt");
    EXPECT_EQ(state.working.remote_mask, "*.zip");
    EXPECT_EQ(state.working.passive, 1);
    EXPECT_EQ(state.working.use_firewall, 0);
    EXPECT_EQ(read_ini(), before);
}

TEST_F(AdvancedDialogTest, NumberFieldsTakeDigitsOnlyAndClampHugeValues) {
    AdvancedProfileDialog d(ctx, state, help);
    auto* timeout = control<QLineEdit>(d, 4040);
    timeout->clear();
    QTest::keyClicks(timeout, "1x2-");  // typed: the validator keeps digits only
    EXPECT_EQ(timeout->text(), "12");
    type(d, 117, "99999");
    type(d, 835, "");
    click(d, 1);
    EXPECT_EQ(state.working.timeout, 12);
    EXPECT_EQ(state.working.port, 65535);
    EXPECT_EQ(state.working.retries, 0);
}

TEST_F(AdvancedDialogTest, UseFirewallWritesTheFirewallSectionAndReplacesThePort) {
    write_ini("[_config_]\nHASH=1\n");
    AdvancedProfileDialog d(ctx, state, help);
    set_checked(d, 120, true);
    EXPECT_TRUE(control<QLineEdit>(d, 106)->isEnabled());
    type(d, 106, "proxy.example.org");
    type(d, 108, "fw");
    type(d, 109, "fwpass");
    EXPECT_EQ(control<QLineEdit>(d, 109)->echoMode(), QLineEdit::Password);
    type(d, 118, "27");
    set_checked(d, 113, true);
    set_checked(d, 1856, true);
    click(d, 1);
    EXPECT_EQ(read_ini(), "[_config_]\nHASH=1\n\n[FIREWALL]\nHOST=proxy.example.org\nUID=fw\nPWD=" +
                              scramble_secret("fw", "fwpass") + "\nFIRETYPE=5\nPORT=21\n");
    EXPECT_EQ(state.working.use_firewall, 1);
    EXPECT_EQ(state.working.firewall_type, 5);
    EXPECT_EQ(state.working.port, 21);
    EXPECT_EQ(ini_mode(), 0600);
}

TEST_F(AdvancedDialogTest, FirewallWithoutSavedPasswordDeletesItAndNoTypeMeansProxyOpen) {
    write_ini("[FIREWALL]\nHOST=fw\nUID=u\nPWD=" + scramble_secret("u", "old") +
              "\nPORT=2121\nFIRETYPE=9\n");
    AdvancedProfileDialog d(ctx, state, help);
    EXPECT_TRUE(checked(d, 113));
    EXPECT_EQ(text_of(d, 109), "old");
    set_checked(d, 120, true);
    set_checked(d, 113, false);
    click(d, 1);
    EXPECT_EQ(read_ini(), "[FIREWALL]\nHOST=fw\nUID=u\nPORT=2121\nFIRETYPE=3\n");
    EXPECT_EQ(state.working.port, 2121);
}

TEST_F(AdvancedDialogTest, CharacterSetAndMlsdGoToTheWorkingCopy) {
    AdvancedProfileDialog d(ctx, state, help);
    auto* charset = control<QComboBox>(d, 2425);
    EXPECT_EQ(charset->currentText(), "Automatic");
    EXPECT_GE(charset->findText("ISO-8859-1"), 0);
    EXPECT_TRUE(checked(d, 2426));
    charset->setCurrentIndex(charset->findText("ISO-8859-1"));
    set_checked(d, 2426, false);
    click(d, 1);
    EXPECT_EQ(state.working.charset, "ISO-8859-1");
    EXPECT_EQ(state.working.mlsd, 0);

    // A set this Qt does not know is shown and kept as it was stored.
    state.working.charset = "x-unknown-set";
    AdvancedProfileDialog again(ctx, state, help);
    EXPECT_EQ(control<QComboBox>(again, 2425)->currentText(), "x-unknown-set");
    EXPECT_FALSE(checked(again, 2426));
    click(again, 1);
    EXPECT_EQ(state.working.charset, "x-unknown-set");
    EXPECT_EQ(read_ini(), "");
}

TEST_F(AdvancedDialogTest, CancelKeepsTheWorkingCopy) {
    state.working.timeout = 30;
    AdvancedProfileDialog d(ctx, state, help);
    type(d, 4040, "0");
    set_checked(d, 120, true);
    click(d, 2);
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(state.working.timeout, 30);
    EXPECT_EQ(state.working.use_firewall, 0);
    EXPECT_EQ(read_ini(), "");
}

}  // namespace
}  // namespace varnix::test

namespace varnix::test {
namespace {

using TlsChoiceTest = AdvancedDialogTest;

TEST_F(TlsChoiceTest, OneChoiceOfFourAndImplicitBringsItsPort) {
    state.working.tls = TlsMode::Required;
    state.working.port = 21;
    AdvancedProfileDialog d(ctx, state, help);
    auto* tls = control<QComboBox>(d, 4100);
    ASSERT_NE(tls, nullptr);
    ASSERT_EQ(tls->count(), 4);
    EXPECT_EQ(tls->currentIndex(), 2);
    EXPECT_EQ(tls->itemText(0), "None (plain FTP)");
    EXPECT_EQ(tls->itemText(3), "Implicit TLS");

    tls->setCurrentIndex(3);
    emit tls->activated(3);
    EXPECT_EQ(text_of(d, 117), "990");
    tls->setCurrentIndex(1);
    emit tls->activated(1);
    EXPECT_EQ(text_of(d, 117), "21");
    type(d, 117, "2121");  // a port of the user's own stays
    tls->setCurrentIndex(3);
    emit tls->activated(3);
    EXPECT_EQ(text_of(d, 117), "2121");
    click(d, 1);
    EXPECT_EQ(state.working.tls, TlsMode::Implicit);
    EXPECT_EQ(state.working.port, 2121);
}

TEST_F(TlsChoiceTest, NewProfileStartsWithTlsWhenOffered) {
    write_ini(base_ini);
    ProfileDialog d(ctx, state, help);
    set_name(d, "old");
    EXPECT_EQ(state.working.tls, TlsMode::Plain);  // stored without the key: plain, as before
    click(d, 103);
    EXPECT_EQ(state.working.tls, TlsMode::WhenOffered);
}

}  // namespace
}  // namespace varnix::test
