// The TLS stream: OpenSSL on memory buffers, fed and drained through the inner stream.
#include "platform/tls_stream.h"

#include <algorithm>
#include <cctype>
#include <arpa/inet.h>
#include <cstdio>
#include <ctime>
#include <vector>

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include "platform/clock.h"
#include "platform/socket_errors.h"

namespace varnix {

namespace {

// A record is at most 16 KiB of plain text; four of them per call keep the copies few.
constexpr std::size_t chunk_size = 64 * 1024;
// One network read takes what the socket holds, many records at a time: reading one 16 KB
// record per wait made a download over TLS far slower than the plain one.
constexpr std::size_t wire_size = 256 * 1024;

std::int64_t deadline_after(int timeout_ms) {
    return timeout_ms < 0 ? -1 : tick_count() + timeout_ms;
}

int time_left(std::int64_t deadline) {
    if (deadline < 0) return -1;
    return static_cast<int>(std::max<std::int64_t>(0, deadline - tick_count()));
}

std::string name_text(const X509_NAME* name) {
    BIO* bio = BIO_new(BIO_s_mem());
    if (!bio) return {};
    X509_NAME_print_ex(bio, name, 0, XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB);
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    std::string text(data, static_cast<std::size_t>(std::max(0L, length)));
    BIO_free(bio);
    return text;
}

std::string time_text(const ASN1_TIME* time) {
    std::tm tm{};
    if (!time || ASN1_TIME_to_tm(time, &tm) != 1) return "?";
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d UTC", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buffer;
}

// An address literal, with or without IPv6 brackets, is checked against the certificate's IP
// names and never sent as SNI (which carries host names only).
std::optional<std::string> address_literal(std::string_view host) {
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    const std::string text(host);
    unsigned char buffer[16];
    if (::inet_pton(AF_INET, text.c_str(), buffer) == 1 || ::inet_pton(AF_INET6, text.c_str(), buffer) == 1)
        return text;
    return std::nullopt;
}

bool is_unexpected_eof(unsigned long error) {
    return ERR_GET_LIB(error) == ERR_LIB_SSL && ERR_GET_REASON(error) == SSL_R_UNEXPECTED_EOF_WHILE_READING;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string format_fingerprint(const unsigned char* digest, std::size_t length) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text = "SHA256:";
    for (std::size_t i = 0; i < length; ++i) {
        text += digits[digest[i] >> 4];
        text += digits[digest[i] & 0x0F];
    }
    return text;
}

std::optional<std::string> parse_fingerprint(std::string_view text) {
    constexpr std::string_view prefix = "SHA256:";
    if (text.size() >= prefix.size() &&
        std::equal(prefix.begin(), prefix.end(), text.begin(),
                   [](char a, char b) { return a == std::toupper(static_cast<unsigned char>(b)); }))
        text.remove_prefix(prefix.size());
    unsigned char digest[32];
    std::size_t count = 0;
    int high = -1;
    for (const char c : text) {
        if (c == ':') {
            if (high >= 0) return std::nullopt;  // a colon inside a pair
            continue;
        }
        const int value = hex_value(c);
        if (value < 0) return std::nullopt;
        if (high < 0) {
            high = value;
            continue;
        }
        if (count == sizeof digest) return std::nullopt;
        digest[count++] = static_cast<unsigned char>(high << 4 | value);
        high = -1;
    }
    if (count != sizeof digest || high >= 0) return std::nullopt;
    return format_fingerprint(digest, count);
}

std::string tls_error_text() {
    const unsigned long error = ERR_peek_last_error();
    ERR_clear_error();
    if (error == 0) return {};
    if (const char* reason = ERR_reason_error_string(error)) return reason;
    char buffer[256];
    ERR_error_string_n(error, buffer, sizeof buffer);
    return buffer;
}

// ---- the shared context ----

std::shared_ptr<TlsClientContext> TlsClientContext::create(const Options& options) {
    ERR_clear_error();
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    if (!ctx) return nullptr;
    std::shared_ptr<TlsClientContext> context(new TlsClientContext(ctx));
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    // Verification runs, but its result is ours to act on after the handshake: the user may
    // trust a certificate the store does not know.
    SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);
    if (SSL_CTX_set_default_verify_paths(ctx) != 1) ERR_clear_error();
    if (!options.ca_file.empty() && SSL_CTX_load_verify_locations(ctx, options.ca_file.c_str(), nullptr) != 1)
        return nullptr;
    // The client keeps no cache of its own: the control connection's sessions are caught here
    // and handed to its data connections.
    SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(ctx, &TlsStream::on_new_session);
    return context;
}

TlsClientContext::~TlsClientContext() {
    if (latest_) SSL_SESSION_free(latest_);
    SSL_CTX_free(ctx_);
}

bool TlsClientContext::has_session() const {
    const std::lock_guard lock(mutex_);
    return latest_ != nullptr;
}

std::string TlsClientContext::control_fingerprint() const {
    const std::lock_guard lock(mutex_);
    return control_fingerprint_;
}

void TlsClientContext::keep_session(SSL_SESSION* session) {
    const std::lock_guard lock(mutex_);
    if (latest_) SSL_SESSION_free(latest_);
    latest_ = session;
}

SSL_SESSION* TlsClientContext::session_for_data() const {
    // A copy for each data connection: OpenSSL marks the session of a connection that ends
    // without close_notify (an aborted transfer) as not resumable, and the next data
    // connection must still be able to resume.
    const std::lock_guard lock(mutex_);
    return latest_ ? SSL_SESSION_dup(latest_) : nullptr;
}

void TlsClientContext::set_control_fingerprint(std::string fingerprint) {
    const std::lock_guard lock(mutex_);
    control_fingerprint_ = std::move(fingerprint);
}

// ---- the stream ----

// Records for the network are collected in output_ and sent from there by flush_output. A
// memory BIO did the same with two more passes over every byte (zeroing its buffer as it
// grew, and copying out again), which cost an upload about a tenth of its speed.
int TlsStream::collect_output(BIO* bio, const char* data, int length) {
    BIO_clear_retry_flags(bio);
    auto* self = static_cast<TlsStream*>(BIO_get_data(bio));
    if (!self || length <= 0) return 0;
    self->output_.insert(self->output_.end(), data, data + length);
    return length;
}

long TlsStream::control_output(BIO* bio, int command, long, void*) {
    auto* self = static_cast<TlsStream*>(BIO_get_data(bio));
    switch (command) {
        case BIO_CTRL_FLUSH: return 1;
        case BIO_CTRL_WPENDING: return self ? static_cast<long>(self->output_.size()) : 0;
        default: return 0;
    }
}

const BIO_METHOD* TlsStream::output_method() {
    static BIO_METHOD* const method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "varnix TLS output");
        if (m && (BIO_meth_set_write(m, &TlsStream::collect_output) != 1 ||
                  BIO_meth_set_ctrl(m, &TlsStream::control_output) != 1)) {
            BIO_meth_free(m);
            m = nullptr;
        }
        return m;
    }();
    return method;
}

TlsStream::TlsStream(std::unique_ptr<Stream> inner, std::shared_ptr<TlsClientContext> context, TlsRole role)
    : inner_(std::move(inner)), context_(std::move(context)), role_(role) {
    if (!context_) return;
    ssl_ = SSL_new(context_->native());
    in_ = BIO_new(BIO_s_mem());
    if (const BIO_METHOD* method = output_method()) out_ = BIO_new(method);
    if (!ssl_ || !in_ || !out_) {
        if (in_) BIO_free(in_);
        if (out_) BIO_free(out_);
        if (ssl_) SSL_free(ssl_);
        ssl_ = nullptr;
        in_ = out_ = nullptr;
        return;
    }
    // An empty input buffer means "more is coming" until the inner stream reports its end.
    BIO_set_mem_eof_return(in_, -1);
    BIO_set_data(out_, this);
    BIO_set_init(out_, 1);
    SSL_set_bio(ssl_, in_, out_);
    SSL_set_app_data(ssl_, this);
    SSL_set_connect_state(ssl_);
}

TlsStream::~TlsStream() {
    if (ssl_) SSL_free(ssl_);
}

int TlsStream::on_new_session(SSL* ssl, SSL_SESSION* session) {
    // Only the control connection's sessions are offered to data connections: servers that
    // insist on reuse compare the data connection's session with the control connection's.
    auto* self = static_cast<TlsStream*>(SSL_get_app_data(ssl));
    if (!self || self->role_ != TlsRole::Control || !self->context_) return 0;
    self->context_->keep_session(session);
    return 1;
}

bool TlsStream::fail(int code, std::string detail) {
    error_text_ = std::move(detail);
    set_last_socket_error(code);
    return false;
}

ssize_t TlsStream::no_session() {
    fail(wsa::not_connected, "no TLS session");
    return -1;
}

char* TlsStream::wire_buffer() {
    if (wire_.size() < wire_size) wire_.resize(wire_size);
    return wire_.data();
}

bool TlsStream::flush_output(std::int64_t deadline) {
    const std::size_t length = output_.size();
    for (std::size_t sent = 0; sent < length;) {
        const ssize_t w = inner_->write(output_.data() + sent, length - sent, time_left(deadline));
        if (w < 0) return fail(last_socket_error(), socket_error_text(last_socket_error()));
        sent += static_cast<std::size_t>(w);
    }
    output_.clear();  // keeps its capacity: the next record is copied in once, nothing else
    return true;
}

bool TlsStream::fill_input(std::int64_t deadline) {
    if (eof_) return fail(wsa::tls_truncated, socket_error_text(wsa::tls_truncated));
    char* buffer = wire_buffer();
    const ssize_t n = inner_->read(buffer, wire_size, time_left(deadline));
    if (n < 0) return fail(last_socket_error(), socket_error_text(last_socket_error()));
    if (n == 0) {
        eof_ = true;
        BIO_set_mem_eof_return(in_, 0);
        return true;
    }
    BIO_write(in_, buffer, static_cast<int>(n));
    return true;
}

TlsStream::Step TlsStream::pump(int ssl_result, std::int64_t deadline) {
    const int error = ssl_result > 0 ? SSL_ERROR_NONE : SSL_get_error(ssl_, ssl_result);
    // Whatever the call produced goes out first: the peer may be waiting for it.
    if (!flush_output(deadline)) return Step::Failed;
    switch (error) {
        case SSL_ERROR_NONE: return Step::Done;
        case SSL_ERROR_WANT_READ: return fill_input(deadline) ? Step::Retry : Step::Failed;
        case SSL_ERROR_WANT_WRITE: return Step::Retry;  // the output was just flushed
        case SSL_ERROR_ZERO_RETURN:
            fail(wsa::connection_aborted, "the server closed the TLS session");
            return Step::Failed;
        default: break;
    }
    const unsigned long detail = ERR_peek_last_error();
    if (is_unexpected_eof(detail) || (error == SSL_ERROR_SYSCALL && eof_)) {
        ERR_clear_error();
        fail(wsa::tls_truncated, socket_error_text(wsa::tls_truncated));
        return Step::Failed;
    }
    std::string text = tls_error_text();
    fail(wsa::tls_failed, text.empty() ? socket_error_text(wsa::tls_failed) : text);
    return Step::Failed;
}

bool TlsStream::ensure_handshake(int timeout_ms) {
    if (broken_) return fail(wsa::tls_failed, error_text_);
    if (handshake_done_ || !deferred_host_) return true;
    const std::string host = std::move(*deferred_host_);
    deferred_host_.reset();
    return handshake(host, timeout_ms);
}

bool TlsStream::handshake(std::string_view host, int timeout_ms) {
    if (!ssl_) return fail(wsa::tls_failed, "cannot set up TLS: " + tls_error_text());
    if (handshake_done_) return true;
    if (broken_) return fail(wsa::tls_failed, error_text_);
    broken_ = true;  // until it succeeds
    if (const auto address = address_literal(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), address->c_str());
    } else {
        const std::string name(host);
        SSL_set_tlsext_host_name(ssl_, name.c_str());
        SSL_set1_host(ssl_, name.c_str());
    }
    if (role_ == TlsRole::Data) {
        if (SSL_SESSION* session = context_->session_for_data()) {
            SSL_set_session(ssl_, session);
            SSL_SESSION_free(session);
        }
    }
    const std::int64_t deadline = deadline_after(timeout_ms);
    for (;;) {
        ERR_clear_error();
        const Step step = pump(SSL_do_handshake(ssl_), deadline);
        if (step == Step::Failed) return false;
        if (step == Step::Done) break;
    }
    handshake_done_ = true;
    read_certificate();
    if (role_ == TlsRole::Control) {
        context_->set_control_fingerprint(certificate_.fingerprint);
    } else {
        // The data connection must meet the server the control connection accepted.
        const std::string expected = context_->control_fingerprint();
        if (!expected.empty() && expected != certificate_.fingerprint) {
            handshake_done_ = false;
            return fail(wsa::tls_untrusted, "the data connection's certificate differs from the control connection's");
        }
    }
    broken_ = false;
    return true;
}

void TlsStream::read_certificate() {
    certificate_ = CertificateInfo{};
    X509* cert = SSL_get1_peer_certificate(ssl_);
    if (!cert) {
        certificate_.reason = "the server sent no certificate";
        return;
    }
    certificate_.subject = name_text(X509_get_subject_name(cert));
    certificate_.issuer = name_text(X509_get_issuer_name(cert));
    certificate_.not_before = time_text(X509_get0_notBefore(cert));
    certificate_.not_after = time_text(X509_get0_notAfter(cert));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (X509_digest(cert, EVP_sha256(), digest, &length) == 1)
        certificate_.fingerprint = format_fingerprint(digest, length);
    X509_free(cert);
    const long result = SSL_get_verify_result(ssl_);
    certificate_.verified = result == X509_V_OK;
    if (!certificate_.verified) certificate_.reason = X509_verify_cert_error_string(result);
}

bool TlsStream::session_reused() const { return ssl_ && SSL_session_reused(ssl_) == 1; }

std::string TlsStream::protocol_version() const { return ssl_ ? SSL_get_version(ssl_) : ""; }

ssize_t TlsStream::read(char* data, std::size_t length, int timeout_ms) {
    if (!ssl_) return no_session();
    if (!ensure_handshake(timeout_ms)) return -1;
    const std::int64_t deadline = deadline_after(timeout_ms);
    for (;;) {
        ERR_clear_error();
        std::size_t got = 0;
        const int result = SSL_read_ex(ssl_, data, length, &got);
        if (result == 1) {
            got += read_ready(data + got, length - got);
            if (!flush_output(deadline)) return -1;
            return static_cast<ssize_t>(got);
        }
        if (SSL_get_error(ssl_, result) == SSL_ERROR_ZERO_RETURN) return 0;  // the peer's close_notify
        const Step step = pump(result, deadline);
        if (step == Step::Failed) return -1;
    }
}

// Records already here (decrypted, buffered, or waiting on the socket) join the first one
// without a wait, so a transfer's chunk is not cut to a single 16 KB record. A failure or the
// end is left for the next read to meet.
std::size_t TlsStream::read_ready(char* data, std::size_t length) {
    std::size_t total = 0;
    while (total < length) {
        ERR_clear_error();
        std::size_t got = 0;
        const int result = SSL_read_ex(ssl_, data + total, length - total, &got);
        if (result == 1) {
            total += got;
            continue;
        }
        if (eof_ || SSL_get_error(ssl_, result) != SSL_ERROR_WANT_READ) break;
        char* buffer = wire_buffer();
        const ssize_t n = inner_->read_available(buffer, wire_size);
        if (n <= 0) break;
        BIO_write(in_, buffer, static_cast<int>(n));
    }
    ERR_clear_error();
    return total;
}

ssize_t TlsStream::read_available(char* data, std::size_t length) {
    if (!ssl_) return no_session();
    if (!handshake_done_) return 0;  // nothing can have arrived before the handshake
    char buffer[16 * 1024 + 512];
    for (;;) {
        const ssize_t n = inner_->read_available(buffer, sizeof buffer);
        if (n < 0) return -1;
        if (n == 0) break;
        BIO_write(in_, buffer, static_cast<int>(n));
    }
    ERR_clear_error();
    std::size_t got = 0;
    const int result = SSL_read_ex(ssl_, data, length, &got);
    const int error = result == 1 ? SSL_ERROR_NONE : SSL_get_error(ssl_, result);
    if (!flush_output(-1)) return -1;
    if (error == SSL_ERROR_NONE) return static_cast<ssize_t>(got);
    if (error == SSL_ERROR_ZERO_RETURN || error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE)
        return 0;
    fail(wsa::tls_failed, tls_error_text());
    return -1;
}

bool TlsStream::readable_now() const {
    return (ssl_ && SSL_pending(ssl_) > 0) || inner_->readable_now();
}

ssize_t TlsStream::write(const char* data, std::size_t length, int timeout_ms) {
    if (!ssl_) return no_session();
    if (!ensure_handshake(timeout_ms)) return -1;
    if (length == 0) return 0;
    length = std::min(length, chunk_size);
    const std::int64_t deadline = deadline_after(timeout_ms);
    for (;;) {
        ERR_clear_error();
        std::size_t written = 0;
        const int result = SSL_write_ex(ssl_, data, length, &written);
        const Step step = pump(result, deadline);
        if (step == Step::Failed) return -1;
        if (step == Step::Done) return static_cast<ssize_t>(written);
    }
}

ssize_t TlsStream::write_urgent(const char* data, std::size_t length) {
    constexpr int urgent_timeout_ms = 10000;
    std::size_t sent = 0;
    while (sent < length) {
        const ssize_t n = write(data + sent, length - sent, urgent_timeout_ms);
        if (n < 0) return -1;
        sent += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(sent);
}

void TlsStream::set_abortive_close() {
    abortive_ = true;
    inner_->set_abortive_close();
}

int TlsStream::close() {
    constexpr int close_notify_timeout_ms = 5000;
    if (handshake_done_ && !broken_ && close_notify(close_notify_timeout_ms) && role_ == TlsRole::Data)
        await_peer_end(close_notify_timeout_ms);
    return inner_->close();
}

// Closing a socket that holds unread bytes (TLS 1.3 session tickets sent after a data
// connection's handshake, the server's own close_notify) makes the kernel send a reset, and
// the reset makes the server's kernel drop what the server has not read yet: the end of an
// upload. So: half-close, then read and discard until the server closes its side.
void TlsStream::await_peer_end(int timeout_ms) {
    if (eof_) return;
    inner_->shutdown(ShutdownHow::Write);
    const std::int64_t deadline = deadline_after(timeout_ms);
    char buffer[16 * 1024];
    while (inner_->read(buffer, sizeof buffer, time_left(deadline)) > 0) {
    }
    eof_ = true;
}

bool TlsStream::close_notify(int timeout_ms) {
    if (!ssl_ || abortive_ || !SSL_is_init_finished(ssl_)) return false;
    if (sent_close_notify_) return true;
    ERR_clear_error();
    const int result = SSL_shutdown(ssl_);
    sent_close_notify_ = true;
    if (result < 0) {
        fail(wsa::tls_failed, tls_error_text());
        (void)flush_output(deadline_after(timeout_ms));
        return false;
    }
    return flush_output(deadline_after(timeout_ms));
}

}  // namespace varnix
