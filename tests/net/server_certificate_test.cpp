// The trust decision for a server certificate: verified, trusted before, changed, -trust,
// and the window's three answers; a batch run never asks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/trusted_certs.h"
#include "net/server_certificate.h"
#include "platform/headless.h"
#include "support/pyftpd.h"
#include "support/temp_dir.h"

namespace varnix::test {
namespace {

using ::testing::HasSubstr;
using ::testing::SizeIs;

std::string fingerprint_of(char digit) {
    std::string text = "SHA256:";
    for (int i = 0; i < 32; ++i) text += std::string{digit, digit};
    return text;
}

class ServerCertificate : public ::testing::Test {
protected:
    ServerCertificate() {
        ctx.set_services(Services{&view, nullptr, &boxes, nullptr, nullptr, nullptr, &asker});
        ctx.user_profile_path = (dir.path() / "varnix" / "user.ini").string();
        certificate.subject = certificate.issuer = "CN = localhost";
        certificate.fingerprint = fingerprint_of('A');
        certificate.reason = "self-signed certificate";
    }
    bool accept(const std::string& host = "localhost", int port = 990) {
        return accept_server_certificate(ctx, host, port, certificate);
    }

    TempDir dir;
    RecordingMessageView view;
    HeadlessMessageBoxes boxes;
    ScriptedCertificateAsker asker;
    NetContext ctx;
    CertificateInfo certificate;
};

TEST_F(ServerCertificate, VerifiedNeedsNoQuestionAndRefusalIsTheDefault) {
    certificate.verified = true;
    EXPECT_TRUE(accept());
    EXPECT_THAT(asker.questions(), SizeIs(0));

    certificate.verified = false;
    EXPECT_FALSE(accept());  // the asker has no answer queued: Refuse
    EXPECT_TRUE(ctx.cancel_requested);  // the connection retries stop at the user's No
    ASSERT_THAT(asker.questions(), SizeIs(1));
    EXPECT_EQ(asker.questions()[0].host, "localhost");
    EXPECT_EQ(asker.questions()[0].port, 990);
    EXPECT_EQ(asker.questions()[0].certificate.fingerprint, certificate.fingerprint);
    EXPECT_TRUE(view.contains("Certificate of localhost port 990 is not trusted: self-signed certificate"));
    EXPECT_TRUE(view.contains("fingerprint: " + certificate.fingerprint));
    EXPECT_TRUE(TrustedCertificates::load(trusted_certs_path(ctx)).store.text().empty());
}

TEST_F(ServerCertificate, OnceTrustsThisConnectionAlwaysStoresAndAChangeIsRefusedLoudly) {
    asker.push_answer(CertificateAnswer::TrustOnce);
    EXPECT_TRUE(accept());
    asker.push_answer(CertificateAnswer::Refuse);
    EXPECT_FALSE(accept());  // "once" was not remembered

    asker.push_answer(CertificateAnswer::TrustAlways);
    EXPECT_TRUE(accept());
    EXPECT_EQ(read_text_file(trusted_certs_path(ctx)), "localhost 990 " + certificate.fingerprint + "\n");
    EXPECT_TRUE(accept());  // no question: trusted before
    EXPECT_THAT(asker.questions(), SizeIs(3));
    EXPECT_FALSE(accept("localhost", 21));  // another port: asked anew, and refused
    EXPECT_THAT(asker.questions(), SizeIs(4));

    certificate.fingerprint = fingerprint_of('B');
    const auto asked = asker.questions().size();
    asker.push_answer(CertificateAnswer::TrustOnce);  // never reached
    ctx.cancel_requested = false;
    EXPECT_FALSE(accept());
    EXPECT_TRUE(ctx.cancel_requested);  // a retry would meet the same certificate
    EXPECT_EQ(asker.questions().size(), asked);
    EXPECT_TRUE(view.contains("WARNING: the certificate of localhost port 990 has CHANGED since you trusted it!"));
    ASSERT_THAT(boxes.shown(), SizeIs(1));
    EXPECT_THAT(boxes.shown()[0].text, HasSubstr(fingerprint_of('B')));
    // The stored certificate stays what the user trusted.
    EXPECT_EQ(read_text_file(trusted_certs_path(ctx)), "localhost 990 " + fingerprint_of('A') + "\n");
}

TEST_F(ServerCertificate, BatchRunRefusesWithTheOptionThatTrustsAndHonoursIt) {
    ctx.messages.set_batch(true);
    asker.push_answer(CertificateAnswer::TrustAlways);  // must not be asked
    EXPECT_FALSE(accept());
    EXPECT_THAT(asker.questions(), SizeIs(0));
    EXPECT_TRUE(view.contains("Run again with -trust " + certificate.fingerprint));

    ctx.trusted_fingerprints = {fingerprint_of('C'), certificate.fingerprint};
    EXPECT_TRUE(accept());
    ctx.trusted_fingerprints = {fingerprint_of('C')};
    EXPECT_FALSE(accept());
}

}  // namespace
}  // namespace varnix::test
