// The certificate question dialog.
#include "ui/certificate_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/main_window.h"
#include "ui/message_area.h"

namespace varnix::ui {

namespace {

QLabel* value_label(const std::string& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(display_text(text), parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

}  // namespace

CertificateDialog::CertificateDialog(const CertificateQuestion& question, QWidget* parent)
    : QDialog(parent) {
    setObjectName("DLG_CERTIFICATE");
    setWindowTitle("Server Certificate");
    const CertificateInfo& c = question.certificate;
    auto* intro = value_label("The certificate of " + question.host + " port " + std::to_string(question.port) +
                                  " cannot be verified: " + c.reason + ".\nTrust it only if you know "
                                  "the fingerprint below is the server's.",
                              "reason", this);
    auto* details = new QFormLayout;
    details->addRow("Subject:", value_label(c.subject, "subject", this));
    details->addRow("Issuer:", value_label(c.issuer, "issuer", this));
    details->addRow("Valid:", value_label(c.not_before + " to " + c.not_after, "validity", this));
    auto* fingerprint = value_label(c.fingerprint, "fingerprint", this);
    fingerprint->setFont(QFont("monospace"));
    details->addRow("Fingerprint:", fingerprint);

    auto* once = new QPushButton("Trust &once", this);
    auto* always = new QPushButton("Trust &always", this);
    auto* no = new QPushButton("&No", this);
    once->setObjectName("trust_once");
    always->setObjectName("trust_always");
    no->setObjectName("no");
    // Refusing is what Enter does: trusting needs a deliberate choice.
    no->setDefault(true);
    no->setFocus();
    connect(once, &QPushButton::clicked, this, [this] { finish(CertificateAnswer::TrustOnce); });
    connect(always, &QPushButton::clicked, this, [this] { finish(CertificateAnswer::TrustAlways); });
    connect(no, &QPushButton::clicked, this, [this] { finish(CertificateAnswer::Refuse); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {once, always, no}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(details);
    layout->addLayout(buttons);
}

void CertificateDialog::finish(CertificateAnswer answer) {
    answer_ = answer;
    accept();
}

CertificateAnswer QtCertificateAsker::ask(const CertificateQuestion& question) {
    CertificateDialog dialog(question, owner_);
    dialog.adjustSize();
    center_dialog(&dialog, owner_);
    (void)dialog.exec();
    return dialog.answer();
}

}  // namespace varnix::ui
