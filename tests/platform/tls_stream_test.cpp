// The TLS stream against a real TLS server on loopback: handshake and echo in TLS 1.2 and
// 1.3, verification failures with their reason and fingerprint, session reuse from control to
// data, a cut-off stream told apart from a closed one, and a cancelled handshake wait.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "platform/blocking.h"
#include "platform/socket_errors.h"
#include "platform/tls_stream.h"
#include "support/loopback_socket.h"
#include "support/temp_dir.h"
#include "support/tls_fixture.h"

namespace varnix {
namespace {

using test::Millis;

constexpr int io_timeout_ms = 20000;

// One client connection: the TLS stream over a socket stream given the socket.
struct TlsClient {
    TlsClient(std::uint16_t port, std::shared_ptr<TlsClientContext> context, TlsRole role)
        : tls(std::make_unique<SocketStream>(test::connect_loopback(port, Millis{5000}).release()),
              std::move(context), role) {}
    TlsStream tls;
};

class TlsStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.valid());
        cert = test::make_test_certificate(dir.path(), "server");
        ASSERT_EQ(cert.error, "");
    }
    std::shared_ptr<TlsClientContext> trusting_context() {
        auto context = TlsClientContext::create({cert.cert.string()});
        EXPECT_NE(context, nullptr) << tls_error_text();
        return context;
    }

    test::TempDir dir;
    test::TestCertificate cert;
};

// Reads until `wanted` bytes came, the stream ended (0) or failed (-1); the bytes read.
std::string read_some(Stream& stream, std::size_t wanted, ssize_t& last) {
    std::string got;
    char buffer[8192];
    while (got.size() < wanted) {
        last = stream.read(buffer, sizeof buffer, io_timeout_ms);
        if (last <= 0) break;
        got.append(buffer, static_cast<std::size_t>(last));
    }
    return got;
}

TEST_F(TlsStreamTest, HandshakeVerifiesAndEchoesInTls12And13ThenClosesCleanly) {
    for (const std::string version : {"1.2", "1.3"}) {
        SCOPED_TRACE("TLS " + version);
        test::TlsTestServer server(cert, "echo", {"--max-version", version});
        ASSERT_EQ(server.error(), "");
        TlsClient client(server.port(), trusting_context(), TlsRole::Control);
        ASSERT_TRUE(client.tls.handshake("localhost", io_timeout_ms)) << client.tls.error_text();
        EXPECT_EQ(client.tls.protocol_version(), "TLSv" + version);
        EXPECT_TRUE(client.tls.certificate().verified) << client.tls.certificate().reason;
        EXPECT_EQ(client.tls.certificate().fingerprint, cert.fingerprint);

        // Larger than one record and one write chunk, so both are split and joined again.
        std::string sent(200000, '\0');
        for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>(i * 7 + i / 256);
        std::size_t written = 0;
        while (written < sent.size()) {
            const ssize_t n = client.tls.write(sent.data() + written, sent.size() - written, io_timeout_ms);
            ASSERT_GT(n, 0) << client.tls.error_text();
            written += static_cast<std::size_t>(n);
        }
        ssize_t last = 0;
        EXPECT_EQ(read_some(client.tls, sent.size(), last), sent);

        // Our close_notify is answered by the server's: the end of the stream is a clean 0.
        ASSERT_TRUE(client.tls.close_notify(io_timeout_ms));
        char byte;
        EXPECT_EQ(client.tls.read(&byte, 1, io_timeout_ms), 0) << client.tls.error_text();
    }
}

TEST_F(TlsStreamTest, CloseEndsTheSessionCleanlyUnlessAbortive) {
    test::TlsTestServer server(cert, "echo");
    ASSERT_EQ(server.error(), "");
    for (const bool abortive : {false, true}) {
        SCOPED_TRACE(abortive ? "abortive" : "normal");
        TlsClient client(server.port(), trusting_context(), TlsRole::Data);
        ASSERT_TRUE(client.tls.handshake("localhost", io_timeout_ms));
        ASSERT_EQ(client.tls.write("last bytes", 10, io_timeout_ms), 10);
        ssize_t last = 0;
        ASSERT_EQ(read_some(client.tls, 10, last), "last bytes");
        if (abortive) client.tls.set_abortive_close();
        EXPECT_EQ(client.tls.close(), 0);
        EXPECT_EQ(client.tls.descriptor(), -1);
        // What an uploading client's end looks like to the server: complete, or cut off.
        EXPECT_EQ(server.next_line(Millis{io_timeout_ms}), abortive ? "end cut" : "end clean");
    }
}

TEST_F(TlsStreamTest, UntrustedCertificateStillHandshakesAndSaysWhy) {
    test::TlsTestServer server(cert, "echo");
    ASSERT_EQ(server.error(), "");

    // Only the system store: a self-signed certificate is unknown to it.
    TlsClient self_signed(server.port(), TlsClientContext::create(), TlsRole::Control);
    ASSERT_TRUE(self_signed.tls.handshake("localhost", io_timeout_ms)) << self_signed.tls.error_text();
    const CertificateInfo& info = self_signed.tls.certificate();
    EXPECT_FALSE(info.verified);
    EXPECT_NE(info.reason.find("self-signed"), std::string::npos) << info.reason;
    EXPECT_EQ(info.fingerprint, cert.fingerprint);
    EXPECT_EQ(info.subject, "CN = localhost");
    EXPECT_EQ(info.issuer, "CN = localhost");
    EXPECT_TRUE(info.not_before.ends_with(" UTC")) << info.not_before;
    EXPECT_LT(info.not_before, info.not_after);

    // Trusted, but for another name or address than the one the user gave.
    TlsClient other_name(server.port(), trusting_context(), TlsRole::Control);
    ASSERT_TRUE(other_name.tls.handshake("ftp.example.org", io_timeout_ms));
    EXPECT_FALSE(other_name.tls.certificate().verified);
    EXPECT_EQ(other_name.tls.certificate().reason, "hostname mismatch");

    TlsClient other_address(server.port(), trusting_context(), TlsRole::Control);
    ASSERT_TRUE(other_address.tls.handshake("127.0.0.2", io_timeout_ms));
    EXPECT_FALSE(other_address.tls.certificate().verified);
    EXPECT_EQ(other_address.tls.certificate().reason, "IP address mismatch");

    TlsClient by_address(server.port(), trusting_context(), TlsRole::Control);
    ASSERT_TRUE(by_address.tls.handshake("127.0.0.1", io_timeout_ms));
    EXPECT_TRUE(by_address.tls.certificate().verified) << by_address.tls.certificate().reason;
}

TEST_F(TlsStreamTest, DataConnectionsResumeTheControlSession) {
    for (const std::string version : {"1.2", "1.3"}) {
        SCOPED_TRACE("TLS " + version);
        test::TlsTestServer server(cert, "echo", {"--max-version", version});
        ASSERT_EQ(server.error(), "");
        const auto context = trusting_context();
        TlsClient control(server.port(), context, TlsRole::Control);
        ASSERT_TRUE(control.tls.handshake("localhost", io_timeout_ms));
        EXPECT_FALSE(control.tls.session_reused());
        // A round trip, as a logon makes: TLS 1.3 tickets arrive after the handshake.
        ASSERT_EQ(control.tls.write("USER x\r\n", 8, io_timeout_ms), 8);
        ssize_t last = 0;
        ASSERT_EQ(read_some(control.tls, 8, last), "USER x\r\n");
        EXPECT_TRUE(context->has_session());

        for (int i = 0; i < 2; ++i) {  // every data connection, not just the first
            TlsClient data(server.port(), context, TlsRole::Data);
            ASSERT_TRUE(data.tls.handshake("localhost", io_timeout_ms)) << data.tls.error_text();
            EXPECT_TRUE(data.tls.session_reused()) << "data connection " << i;
            EXPECT_TRUE(data.tls.certificate().verified);
        }

        // A data connection of another control connection's context has nothing to resume.
        TlsClient stranger(server.port(), trusting_context(), TlsRole::Data);
        ASSERT_TRUE(stranger.tls.handshake("localhost", io_timeout_ms));
        EXPECT_FALSE(stranger.tls.session_reused());
    }
}

TEST_F(TlsStreamTest, DataConnectionMustMeetTheControlConnectionsCertificate) {
    const auto other = test::make_test_certificate(dir.path(), "other");
    ASSERT_EQ(other.error, "");
    test::TlsTestServer control_server(cert, "echo");
    test::TlsTestServer data_server(other, "echo");
    ASSERT_EQ(control_server.error(), "");
    ASSERT_EQ(data_server.error(), "");
    const auto context = TlsClientContext::create();
    TlsClient control(control_server.port(), context, TlsRole::Control);
    ASSERT_TRUE(control.tls.handshake("localhost", io_timeout_ms));
    TlsClient data(data_server.port(), context, TlsRole::Data);
    EXPECT_FALSE(data.tls.handshake("localhost", io_timeout_ms));
    EXPECT_EQ(last_socket_error(), wsa::tls_untrusted);
}

TEST_F(TlsStreamTest, DeferredHandshakeRunsAtTheFirstReadAndAFailedOneStaysFailed) {
    test::TlsTestServer server(cert, "echo");
    ASSERT_EQ(server.error(), "");
    TlsClient client(server.port(), trusting_context(), TlsRole::Control);
    client.tls.handshake_on_first_use("localhost");
    char buffer[16];
    EXPECT_EQ(client.tls.read_available(buffer, sizeof buffer), 0);  // no waiting before it
    EXPECT_FALSE(client.tls.handshake_done());
    ASSERT_EQ(client.tls.write("ping", 4, io_timeout_ms), 4) << client.tls.error_text();
    EXPECT_TRUE(client.tls.handshake_done());
    EXPECT_TRUE(client.tls.certificate().verified);
    ssize_t last = 0;
    EXPECT_EQ(read_some(client.tls, 4, last), "ping");

    test::TlsTestServer stalled(cert, "stall");
    ASSERT_EQ(stalled.error(), "");
    TlsClient late(stalled.port(), trusting_context(), TlsRole::Control);
    late.tls.handshake_on_first_use("localhost");
    EXPECT_EQ(late.tls.read(buffer, sizeof buffer, 200), -1);
    EXPECT_EQ(last_socket_error(), wsa::timed_out);
    // Nothing crosses a connection whose handshake failed, not even in clear.
    EXPECT_EQ(late.tls.write("x", 1, 200), -1);
    EXPECT_FALSE(late.tls.handshake_done());
}

TEST_F(TlsStreamTest, EndWithoutCloseNotifyIsAnErrorNotAnEnd) {
    constexpr std::size_t count = 300000;
    test::TlsTestServer complete(cert, "complete", {"--count", std::to_string(count)});
    test::TlsTestServer truncate(cert, "truncate", {"--count", std::to_string(count)});
    ASSERT_EQ(complete.error(), "");
    ASSERT_EQ(truncate.error(), "");

    TlsClient whole(complete.port(), trusting_context(), TlsRole::Data);
    ASSERT_TRUE(whole.tls.handshake("localhost", io_timeout_ms));
    ssize_t last = -1;
    EXPECT_EQ(read_some(whole.tls, count + 1, last).size(), count);
    EXPECT_EQ(last, 0) << whole.tls.error_text();

    TlsClient cut(truncate.port(), trusting_context(), TlsRole::Data);
    ASSERT_TRUE(cut.tls.handshake("localhost", io_timeout_ms));
    EXPECT_EQ(read_some(cut.tls, count + 1, last).size(), count);
    EXPECT_EQ(last, -1);
    EXPECT_EQ(last_socket_error(), wsa::tls_truncated);
}

TEST_F(TlsStreamTest, HandshakeWaitEndsOnTimeOutAndOnCancelFromAnotherThread) {
    test::TlsTestServer server(cert, "stall");
    ASSERT_EQ(server.error(), "");

    TlsClient timed(server.port(), trusting_context(), TlsRole::Control);
    EXPECT_FALSE(timed.tls.handshake("localhost", 200));
    EXPECT_EQ(last_socket_error(), wsa::timed_out);

    std::promise<std::shared_ptr<BlockingState>> state_promise;
    auto state_future = state_promise.get_future();
    std::atomic<bool> result{true};
    std::atomic<int> error{0};
    const auto context = trusting_context();
    const std::uint16_t port = server.port();
    std::thread worker([&] {
        state_promise.set_value(this_thread_blocking_state());
        TlsClient client(port, context, TlsRole::Control);
        result = client.tls.handshake("localhost", 60000);
        error = last_socket_error();
    });
    const auto state = state_future.get();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!state->is_blocking() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(state->is_blocking());
    state->request_cancel();
    worker.join();  // the cancel ends the 60 s wait within a slice
    EXPECT_FALSE(result);
    EXPECT_EQ(error, wsa::cancelled);
}

TEST(Fingerprint, ReadsTheFormsAUserTypesAndRefusesTheRest) {
    const std::string canonical = "SHA256:00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF";
    const std::string bare = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";
    // As `openssl x509 -fingerprint -sha256` prints it.
    const std::string openssl = "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF";
    EXPECT_EQ(parse_fingerprint(canonical), canonical);
    EXPECT_EQ(parse_fingerprint(bare), canonical);
    EXPECT_EQ(parse_fingerprint("sha256:" + bare), canonical);
    EXPECT_EQ(parse_fingerprint(openssl), canonical);
    EXPECT_EQ(parse_fingerprint("SHA256:" + openssl), canonical);
    EXPECT_EQ(parse_fingerprint(bare.substr(2)), std::nullopt);         // 31 bytes
    EXPECT_EQ(parse_fingerprint(bare + "00"), std::nullopt);            // 33 bytes
    EXPECT_EQ(parse_fingerprint(bare.substr(1)), std::nullopt);         // half a byte over
    EXPECT_EQ(parse_fingerprint("0:0" + bare.substr(2)), std::nullopt);  // a colon inside a pair
    EXPECT_EQ(parse_fingerprint("SHA1:" + bare), std::nullopt);
    EXPECT_EQ(parse_fingerprint(""), std::nullopt);
}

}  // namespace
}  // namespace varnix
