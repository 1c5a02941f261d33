// The certificate question: it shows what the user needs to decide, every button gives its
// answer, and anything but a trust button refuses.
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "ui/certificate_dialog.h"
#include "ui/qt_environment.h"

namespace varnix::test {
namespace {

const auto* const qt_environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

CertificateQuestion question() {
    CertificateQuestion q;
    q.host = "ftp.example.org";
    q.port = 990;
    q.certificate.subject = "CN = ftp.example.org";
    q.certificate.issuer = "CN = Example CA";
    q.certificate.not_before = "2026-01-01 00:00:00 UTC";
    q.certificate.not_after = "2027-01-01 00:00:00 UTC";
    q.certificate.fingerprint = "SHA256:AB:CD";
    q.certificate.reason = "self-signed certificate";
    return q;
}

QString label_text(const QWidget& dialog, const char* name) {
    const auto* label = dialog.findChild<QLabel*>(name);
    return label ? label->text() : QString("<missing %1>").arg(name);
}

TEST(CertificateDialog, ShowsTheCertificateAndTheReason) {
    ui::CertificateDialog dialog(question());
    EXPECT_EQ(label_text(dialog, "subject"), "CN = ftp.example.org");
    EXPECT_EQ(label_text(dialog, "issuer"), "CN = Example CA");
    EXPECT_EQ(label_text(dialog, "validity"), "2026-01-01 00:00:00 UTC to 2027-01-01 00:00:00 UTC");
    EXPECT_EQ(label_text(dialog, "fingerprint"), "SHA256:AB:CD");
    EXPECT_TRUE(label_text(dialog, "reason").contains("ftp.example.org port 990"));
    EXPECT_TRUE(label_text(dialog, "reason").contains("self-signed certificate"));
    // Enter refuses: trusting takes a deliberate click.
    const auto* no = dialog.findChild<QPushButton*>("no");
    ASSERT_NE(no, nullptr);
    EXPECT_TRUE(no->isDefault());
}

TEST(CertificateDialog, EachButtonGivesItsAnswerAndClosingRefuses) {
    const std::pair<const char*, CertificateAnswer> buttons[] = {
        {"trust_once", CertificateAnswer::TrustOnce},
        {"trust_always", CertificateAnswer::TrustAlways},
        {"no", CertificateAnswer::Refuse},
    };
    for (const auto& [name, expected] : buttons) {
        SCOPED_TRACE(name);
        ui::CertificateDialog dialog(question());
        auto* button = dialog.findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.answer(), expected);
    }
    ui::CertificateDialog closed(question());
    closed.show();
    QTest::keyClick(&closed, Qt::Key_Escape);
    EXPECT_EQ(closed.answer(), CertificateAnswer::Refuse);
    EXPECT_EQ(closed.result(), QDialog::Rejected);
    EXPECT_FALSE(closed.isVisible()) << "Escape closes the question";
}

}  // namespace
}  // namespace varnix::test
