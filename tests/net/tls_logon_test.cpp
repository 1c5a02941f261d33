// The logon over TLS against pyftpdlib's TLS handler: a self-signed certificate refused,
// trusted once, trusted always, then changed; PROT P after the logon; and a server without
// TLS at each level (refused before USER when required, plain FTP when only offered).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/trusted_certs.h"
#include "net/control_connection.h"
#include "net/logon.h"
#include "net/net_fixture.h"
#include "support/pyftpd.h"
#include "support/tls_fixture.h"

namespace varnix::test {
namespace {

using ::testing::SizeIs;

class TlsLogon : public NetTest {
protected:
    TlsLogon() {
        certificate = make_test_certificate(files.path(), "server");
        Services services = ctx.services;
        services.certificates = &asker;
        ctx.set_services(services);
        ctx.user_profile_path = (files.path() / "config" / "user.ini").string();
    }
    // Logs on to 127.0.0.1:port as anna at the TLS level; the control connection is left open.
    bool log_on(std::uint16_t port, TlsMode mode) {
        close_control(ctx);
        ctx.connected = false;
        ctx.session = Session{};
        ctx.session.host = "127.0.0.1";
        ctx.session.user = "anna";
        ctx.session.password = "secret";
        ctx.session.port = port;
        ctx.session.tls = mode;
        view.clear();
        return logon(ctx);
    }
    PyFtpdOptions tls_server() const {
        PyFtpdOptions options;
        options.tls_cert = certificate.cert;
        options.tls_key = certificate.key;
        options.tls_required = true;
        return options;
    }

    TempDir files;
    TestCertificate certificate;
    ScriptedCertificateAsker asker;
};

TEST_F(TlsLogon, SelfSignedRefusedTrustedOnceTrustedAlwaysThenChanged) {
    ASSERT_EQ(certificate.error, "");
    PyFtpd ftpd(tls_server());
    ASSERT_TRUE(ftpd.running()) << ftpd.error();

    EXPECT_FALSE(log_on(ftpd.port(), TlsMode::Required));  // no answer queued: No
    ASSERT_THAT(asker.questions(), SizeIs(1));
    EXPECT_EQ(asker.questions()[0].certificate.fingerprint, certificate.fingerprint);
    EXPECT_EQ(asker.questions()[0].certificate.reason, "self-signed certificate");
    EXPECT_FALSE(view.contains("USER anna"));  // nothing of the logon was sent
    EXPECT_FALSE(ctx.control.is_open());

    asker.push_answer(CertificateAnswer::TrustOnce);
    ASSERT_TRUE(log_on(ftpd.port(), TlsMode::Required));
    EXPECT_TRUE(view.contains("AUTH TLS"));
    EXPECT_TRUE(view.contains("PROT P"));
    EXPECT_TRUE(ctx.tls.protect_data);
    EXPECT_EQ(send_command(ctx, "NOOP").cls, ReplyClass::Completed);  // the encrypted control connection works

    asker.push_answer(CertificateAnswer::TrustAlways);
    ASSERT_TRUE(log_on(ftpd.port(), TlsMode::WhenOffered));  // "once" was not remembered
    EXPECT_THAT(asker.questions(), SizeIs(3));
    ASSERT_TRUE(log_on(ftpd.port(), TlsMode::Required));
    EXPECT_THAT(asker.questions(), SizeIs(3));  // trusted always: no question

    // Another server (another certificate) answers on the port trusted before.
    const TestCertificate other = make_test_certificate(files.path(), "other");
    TrustedCertificates store;
    store.trust("127.0.0.1", ftpd.port(), other.fingerprint);
    ASSERT_TRUE(store.save(trusted_certs_path(ctx)).ok());
    EXPECT_FALSE(log_on(ftpd.port(), TlsMode::Required));
    EXPECT_THAT(asker.questions(), SizeIs(3));
    EXPECT_TRUE(view.contains("has CHANGED since you trusted it!"));
    EXPECT_FALSE(view.contains("USER anna"));
}

TEST_F(TlsLogon, ServerWithoutTlsAtEachLevel) {
    PyFtpd plain;
    ASSERT_TRUE(plain.running()) << plain.error();

    EXPECT_FALSE(log_on(plain.port(), TlsMode::Required));
    EXPECT_TRUE(view.contains("AUTH SSL"));  // AUTH TLS was not understood
    EXPECT_TRUE(view.contains("The server refused TLS"));
    EXPECT_FALSE(view.contains("USER anna"));

    EXPECT_FALSE(log_on(plain.port(), TlsMode::Implicit));  // it greets in clear text
    EXPECT_FALSE(view.contains("USER anna"));

    ASSERT_TRUE(log_on(plain.port(), TlsMode::WhenOffered));
    EXPECT_TRUE(view.contains("USER anna"));
    EXPECT_FALSE(ctx.tls.protect_data);
    EXPECT_EQ(ctx.tls.context, nullptr);

    ASSERT_TRUE(log_on(plain.port(), TlsMode::Plain));
    EXPECT_FALSE(view.contains("AUTH"));
}

}  // namespace
}  // namespace varnix::test
