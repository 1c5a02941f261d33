// The question when a server's certificate cannot be verified: subject, issuer, validity,
// SHA-256 fingerprint and the reason, answered "Trust once", "Trust always" or "No".
#pragma once

#include <QDialog>
#include <QPointer>

#include "platform/services.h"

namespace varnix::ui {

class CertificateDialog : public QDialog {
    Q_OBJECT
public:
    explicit CertificateDialog(const CertificateQuestion& question, QWidget* parent = nullptr);
    // Refuse unless a trust button was pressed (the close box and Escape refuse too).
    [[nodiscard]] CertificateAnswer answer() const { return answer_; }

private:
    void finish(CertificateAnswer answer);
    CertificateAnswer answer_ = CertificateAnswer::Refuse;
};

// The window's certificate question, shown modally over the main window.
class QtCertificateAsker : public CertificateAsker {
public:
    explicit QtCertificateAsker(QWidget* owner = nullptr) : owner_(owner) {}
    void set_owner(QWidget* owner) { owner_ = owner; }
    CertificateAnswer ask(const CertificateQuestion& question) override;

private:
    QPointer<QWidget> owner_;
};

}  // namespace varnix::ui
