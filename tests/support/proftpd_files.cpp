// Helpers for the ProFTPD fixtures.
#include "support/proftpd_files.h"

#include <fstream>
#include <system_error>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/loopback_socket.h"

namespace varnix::test {

namespace {

bool port_is_free(std::uint16_t port) {
    const Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in addr = loopback_address(port);
    return fd.valid() && ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
}

}  // namespace

std::uint16_t free_ports(std::uint16_t count, std::set<std::uint16_t>& taken) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        const auto first = free_port();
        if (!first || *first > 65535 - count) {
            continue;
        }
        bool usable = true;
        for (std::uint16_t i = 0; i < count && usable; ++i) {
            const auto port = static_cast<std::uint16_t>(*first + i);
            usable = !taken.contains(port) && port_is_free(port);
        }
        if (usable) {
            for (std::uint16_t i = 0; i < count; ++i) {
                taken.insert(static_cast<std::uint16_t>(*first + i));
            }
            return *first;
        }
    }
    return 0;
}

// An "@NAME@" left over after rendering (the forward methods themselves contain '@').
bool has_placeholder(std::string_view text) {
    for (std::size_t at = text.find('@'); at != std::string_view::npos; at = text.find('@', at + 1)) {
        std::size_t end = at + 1;
        while (end < text.size() && ((text[end] >= 'A' && text[end] <= 'Z') || text[end] == '_')) {
            ++end;
        }
        if (end > at + 1 && end < text.size() && text[end] == '@') {
            return true;
        }
    }
    return false;
}

void replace_all(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

bool write_file(const std::filesystem::path& path, std::string_view text,
                std::filesystem::perms mode) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out) {
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::permissions(path, mode, ec);
    return !ec;
}

bool running_as_root() {
    return ::geteuid() == 0;
}

std::vector<std::string> unprivileged(std::vector<std::string> command) {
    if (!running_as_root()) {
        return command;
    }
    std::vector<std::string> argv{"/usr/bin/setpriv", "--reuid=65534", "--regid=65534",
                                  "--clear-groups"};
    argv.insert(argv.end(), command.begin(), command.end());
    return argv;
}

bool wait_until_accepting(const std::vector<std::uint16_t>& ports, ChildProcess& process,
                          Millis bound, std::string& error) {
    const auto deadline = Clock::now() + bound;
    for (const std::uint16_t port : ports) {
        while (!connect_loopback(port, Millis{500}).valid()) {
            if (!process.running()) {
                error = "proftpd exited while starting";
                return false;
            }
            if (Clock::now() >= deadline) {
                error = "proftpd did not accept on port " + std::to_string(port) + " within " +
                        std::to_string(bound.count()) + " ms";
                return false;
            }
            // A refused connect returns at once; give the server a slice before the next try.
            ::poll(nullptr, 0, 50);
        }
    }
    return true;
}

}  // namespace varnix::test
