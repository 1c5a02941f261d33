// The program's socket error vocabulary: the Winsock error numbers and their texts, and the
// mapping of errno and resolver errors onto them.
#pragma once

#include <string>

namespace varnix {

namespace wsa {
inline constexpr int cancelled = 10004;
inline constexpr int invalid = 10022;
inline constexpr int too_many_files = 10024;
inline constexpr int would_block = 10035;
inline constexpr int in_progress = 10036;
inline constexpr int not_socket = 10038;
inline constexpr int wrong_protocol_type = 10041;
inline constexpr int protocol_not_supported = 10043;
inline constexpr int socket_type_not_supported = 10044;
inline constexpr int family_not_supported = 10047;
inline constexpr int address_in_use = 10048;
inline constexpr int address_not_available = 10049;
inline constexpr int network_down = 10050;
inline constexpr int network_unreachable = 10051;
inline constexpr int connection_aborted = 10053;
inline constexpr int connection_reset = 10054;
inline constexpr int no_buffers = 10055;
inline constexpr int not_connected = 10057;
inline constexpr int timed_out = 10060;
inline constexpr int connection_refused = 10061;
inline constexpr int host_down = 10064;
inline constexpr int host_unreachable = 10065;
inline constexpr int host_not_found = 11001;
inline constexpr int try_again = 11002;
inline constexpr int no_recovery = 11003;
inline constexpr int no_data = 11004;
}  // namespace wsa

// The text for an error number, at most 126 characters; unknown numbers give "error %u".
[[nodiscard]] std::string socket_error_text(int code);

// Maps an errno value from a socket call onto the error vocabulary.
[[nodiscard]] int wsa_error_from_errno(int err);

// Maps a getaddrinfo() result onto the error vocabulary.
[[nodiscard]] int wsa_error_from_gai(int gai_error);

// The calling thread's last socket error, as WSAGetLastError gave it.
[[nodiscard]] int last_socket_error();
void set_last_socket_error(int code);

}  // namespace varnix
