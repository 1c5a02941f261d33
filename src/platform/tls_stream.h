// TLS over a byte stream (OpenSSL): the client handshake with SNI and host-name checks, session
// reuse from the control connection to its data connections, clean close, certificate details.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <openssl/types.h>

#include "platform/certificate_info.h"
#include "platform/stream.h"

struct bio_method_st;  // BIO_METHOD, declared in openssl/bio.h

// ssl.h declares it; repeated here so this header stays light.
typedef struct ssl_session_st SSL_SESSION;

namespace varnix {

// TLS failures in the socket error vocabulary, in the program's own range beside the Winsock
// numbers (socket_error_text knows their texts).
namespace wsa {
inline constexpr int tls_failed = 12001;
inline constexpr int tls_truncated = 12002;
inline constexpr int tls_untrusted = 12003;
}  // namespace wsa

// "SHA256:" followed by 64 upper-case hex digits: the digits `openssl x509 -fingerprint -sha256`
// prints, without its colons, so that the whole line fits the message area.
[[nodiscard]] std::string format_fingerprint(const unsigned char* digest, std::size_t length);
// Reads a fingerprint as a user may type it (with or without "SHA256:", colons, any case) into
// the canonical form above; nothing when it is not 32 bytes of hex.
[[nodiscard]] std::optional<std::string> parse_fingerprint(std::string_view text);

// The TLS settings one control connection shares with its data connections: the trust store,
// and the newest session the control connection was given (with TLS 1.3 the tickets come after
// the handshake), which every data connection offers to resume.
class TlsClientContext {
public:
    struct Options {
        std::string ca_file;  // extra trusted certificates (PEM) beside the system store
    };
    // Nothing when OpenSSL could not set up a context; tls_error_text() says why.
    [[nodiscard]] static std::shared_ptr<TlsClientContext> create(const Options& options);
    [[nodiscard]] static std::shared_ptr<TlsClientContext> create() { return create(Options{}); }
    ~TlsClientContext();
    TlsClientContext(const TlsClientContext&) = delete;
    TlsClientContext& operator=(const TlsClientContext&) = delete;

    [[nodiscard]] SSL_CTX* native() const { return ctx_; }
    // Whether a control connection has handed over a session for data connections yet.
    [[nodiscard]] bool has_session() const;
    // The control connection's certificate fingerprint (empty before its handshake).
    [[nodiscard]] std::string control_fingerprint() const;

private:
    friend class TlsStream;
    explicit TlsClientContext(SSL_CTX* ctx) : ctx_(ctx) {}
    void keep_session(SSL_SESSION* session);  // takes the reference
    [[nodiscard]] SSL_SESSION* session_for_data() const;  // a new reference or null
    void set_control_fingerprint(std::string fingerprint);

    SSL_CTX* ctx_;
    mutable std::mutex mutex_;
    SSL_SESSION* latest_ = nullptr;
    std::string control_fingerprint_;
};

enum class TlsRole { Control, Data };

// A TLS client over an inner stream it owns. OpenSSL works on memory buffers; the bytes cross
// the network through the inner stream's read and write, so every wait is the inner stream's
// (blocking hook, cancel, time-out) and socket I/O stays in one place. Owned by one thread;
// only shutdown() may come from another (it wakes the owner's wait).
class TlsStream final : public Stream {
public:
    TlsStream(std::unique_ptr<Stream> inner, std::shared_ptr<TlsClientContext> context, TlsRole role);
    ~TlsStream() override;
    TlsStream(const TlsStream&) = delete;
    TlsStream& operator=(const TlsStream&) = delete;

    // The client handshake, at most timeout_ms in all (-1: no limit). `host` is the name or
    // address the user gave: sent as SNI when it is a name, and checked against the
    // certificate. A data stream offers the control connection's session and must meet the
    // control connection's certificate. A certificate that fails verification does NOT fail
    // the handshake: certificate().verified says so and the caller decides. False with the
    // last socket error set (and error_text()) when the handshake itself failed.
    [[nodiscard]] bool handshake(std::string_view host, int timeout_ms = -1);
    // The same, run by the first read or write: a data connection's server starts TLS only
    // after the transfer command, which the client sends after connecting.
    void handshake_on_first_use(std::string host) { deferred_host_ = std::move(host); }
    [[nodiscard]] bool handshake_done() const { return handshake_done_; }
    // Runs the deferred handshake now, if one is pending; false (error set) when it failed.
    [[nodiscard]] bool run_deferred_handshake(int timeout_ms) { return ensure_handshake(timeout_ms); }
    [[nodiscard]] const CertificateInfo& certificate() const { return certificate_; }
    [[nodiscard]] bool session_reused() const;
    [[nodiscard]] std::string protocol_version() const;  // "TLSv1.3"
    // The OpenSSL detail of the last failure, for the message area.
    [[nodiscard]] const std::string& error_text() const { return error_text_; }
    // Sends close_notify, waiting at most timeout_ms for it to go out; false when it could not
    // be sent. Reading on stays possible (the peer's close_notify ends it with 0).
    [[nodiscard]] bool close_notify(int timeout_ms);
    [[nodiscard]] Stream& inner() { return *inner_; }

    // A read that meets the end of the connection without the peer's close_notify fails with
    // tls_truncated: a cut-off transfer must not pass for a complete one.
    [[nodiscard]] ssize_t read(char* data, std::size_t length, int timeout_ms = -1) override;
    [[nodiscard]] ssize_t read_available(char* data, std::size_t length) override;
    [[nodiscard]] bool readable_now() const override;
    [[nodiscard]] ssize_t write(const char* data, std::size_t length, int timeout_ms = -1) override;
    // TLS has no urgent data: the bytes go in band (servers read ABOR without the Telnet
    // synch on an encrypted connection).
    [[nodiscard]] ssize_t write_urgent(const char* data, std::size_t length) override;
    void shutdown(ShutdownHow how) override { inner_->shutdown(how); }
    void set_abortive_close() override;
    [[nodiscard]] int descriptor() const override { return inner_->descriptor(); }
    // Sends close_notify first (waiting a few seconds at most) unless the close is abortive or
    // no handshake ran; a data connection then half-closes and reads to the peer's end (also
    // bounded) before the inner stream closes.
    int close() override;

private:
    friend class TlsClientContext;  // installs on_new_session
    enum class Step { Done, Retry, Failed };
    static int on_new_session(SSL* ssl, SSL_SESSION* session);
    static int collect_output(BIO* bio, const char* data, int length);
    static long control_output(BIO* bio, int command, long number, void* pointer);
    static const ::bio_method_st* output_method();  // BIO_METHOD
    // Runs one OpenSSL call's aftermath: sends what it produced and, when it wants input,
    // reads from the inner stream until the deadline.
    [[nodiscard]] Step pump(int ssl_result, std::int64_t deadline);
    [[nodiscard]] bool flush_output(std::int64_t deadline);
    [[nodiscard]] bool fill_input(std::int64_t deadline);
    bool fail(int code, std::string detail);  // sets the error; always false
    [[nodiscard]] ssize_t no_session();
    // Runs a deferred handshake; false (error set) when it failed.
    [[nodiscard]] bool ensure_handshake(int timeout_ms);
    void read_certificate();
    void await_peer_end(int timeout_ms);
    [[nodiscard]] std::size_t read_ready(char* data, std::size_t length);
    char* wire_buffer();

    std::unique_ptr<Stream> inner_;
    std::shared_ptr<TlsClientContext> context_;
    TlsRole role_;
    SSL* ssl_ = nullptr;
    BIO* in_ = nullptr;   // bytes from the network, owned by ssl_
    BIO* out_ = nullptr;  // collects into output_, owned by ssl_
    std::vector<char> output_;  // records waiting for flush_output
    std::vector<char> wire_;  // ciphertext on its way to or from the inner stream
    bool eof_ = false;
    bool abortive_ = false;
    bool sent_close_notify_ = false;
    bool handshake_done_ = false;
    bool broken_ = false;  // the handshake failed: nothing more may cross
    std::optional<std::string> deferred_host_;
    CertificateInfo certificate_;
    std::string error_text_;
};

// The text of the calling thread's newest OpenSSL error (and clears the queue).
[[nodiscard]] std::string tls_error_text();

}  // namespace varnix
