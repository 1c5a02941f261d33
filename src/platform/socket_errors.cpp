// Winsock error texts and the errno mapping.
#include "platform/socket_errors.h"

#include <cerrno>
#include <cstdio>
#include <netdb.h>

namespace varnix {

namespace {

struct ErrorText {
    int code;
    const char* text;
};

constexpr ErrorText error_texts[] = {
    {10004, "Blocking call cancelled"},
    {10022, "app version not supported by DLL"},
    {10024, "no file descriptors available"},
    {10035, "socket marked as non-blocking and SO_LINGER set not 0"},
    {10036, "Blocking operation in progress"},
    {10038, "descriptor is not a socket"},
    {10041, "protocol wrong type for this socket"},
    {10043, "specified protocol not supported"},
    {10044, "socket type not for address family"},
    {10047, "address family not supported"},
    {10048, "address already in use"},
    {10049, "address not available"},
    {10050, "Network subsystem failed"},
    {10053, "connection aborted"},
    {10054, "connection reset"},
    {10055, "no buffer space available"},
    {10057, "not connected"},
    {10060, "connection timed out"},
    {10061, "connection refused"},
    {10064, "host down"},
    {10065, "host unreachable"},
    {10091, "No WinSock present"},
    {10092, "Winsock version not supported"},
    {10093, "WSA Startup not initialized"},
    {11001, "Host not found or server failure"},
    {11002, "Host not found or server failure"},
    {11003, "Non-recoverable: refused or not implemented"},
    {11004, "Valid name, no data record for type"},
    {12001, "TLS negotiation failed"},
    {12002, "connection closed without TLS close_notify: cut short"},
    {12003, "server certificate not trusted"},
};

thread_local int thread_last_error = 0;

}  // namespace

std::string socket_error_text(int code) {
    for (const auto& entry : error_texts) {
        if (entry.code == code) return entry.text;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "error %u", static_cast<unsigned>(code));
    return buffer;
}

int wsa_error_from_errno(int err) {
    switch (err) {
        case EINTR: return wsa::cancelled;
        case EINVAL: return wsa::invalid;
        case EMFILE:
        case ENFILE: return wsa::too_many_files;
        case EAGAIN: return wsa::would_block;
        case EINPROGRESS:
        case EALREADY: return wsa::in_progress;
        case EBADF:
        case ENOTSOCK: return wsa::not_socket;
        case EPROTOTYPE: return wsa::wrong_protocol_type;
        case EPROTONOSUPPORT: return wsa::protocol_not_supported;
        case ESOCKTNOSUPPORT: return wsa::socket_type_not_supported;
        case EAFNOSUPPORT: return wsa::family_not_supported;
        case EADDRINUSE: return wsa::address_in_use;
        case EADDRNOTAVAIL: return wsa::address_not_available;
        case ENETDOWN: return wsa::network_down;
        case ENETUNREACH: return wsa::network_unreachable;
        case ECONNABORTED:
        case EPIPE: return wsa::connection_aborted;
        case ECONNRESET: return wsa::connection_reset;
        case ENOBUFS:
        case ENOMEM: return wsa::no_buffers;
        case ENOTCONN: return wsa::not_connected;
        case ETIMEDOUT: return wsa::timed_out;
        case ECONNREFUSED: return wsa::connection_refused;
        case EHOSTDOWN: return wsa::host_down;
        case EHOSTUNREACH: return wsa::host_unreachable;
        default: return 10000 + err;  // shows as "error %u" and stays distinguishable
    }
}

int wsa_error_from_gai(int gai_error) {
    switch (gai_error) {
        case EAI_NONAME: return wsa::host_not_found;
        case EAI_AGAIN: return wsa::try_again;
        case EAI_FAIL: return wsa::no_recovery;
#ifdef EAI_NODATA
        case EAI_NODATA: return wsa::no_data;
#endif
#ifdef EAI_ADDRFAMILY
        case EAI_ADDRFAMILY: return wsa::no_data;
#endif
        case EAI_MEMORY: return wsa::no_buffers;
        default: return wsa::no_recovery;
    }
}

int last_socket_error() { return thread_last_error; }

void set_last_socket_error(int code) { thread_last_error = code; }

}  // namespace varnix
