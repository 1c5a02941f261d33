// A scripted FTP server on 127.0.0.1 for protocol tests: one control connection, a list of
// steps (expected commands, canned replies, timing, drops, data connections) run in a thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace varnix::test {

// How ScriptedServer::data_send() hands out its payload.
struct Pacing {
    std::size_t chunk = 0;               // bytes per send(); 0 sends the payload at once
    std::chrono::milliseconds pause{0};  // wait between chunks (a slow server)
    // Stop sending and close as soon as the client sends anything on the control
    // connection (an abort); a send error is then not counted as a failure either.
    bool stop_on_command = false;
};

// Build the script with the chained step calls, then start(). The server listens from
// construction on, so port() is known before the client connects. Example:
//
//     ScriptedServer server;
//     server.reply("220 ready")
//           .expect("USER anna").reply("331 password please")
//           .expect("PASS secret").reply("230 welcome")
//           .expect("PASV").passive_reply()
//           .expect("RETR a.txt").reply("150 sending").data_send("hello").reply("226 done");
//     server.start();
//     ... run the client against server.port() ...
//     EXPECT_TRUE(server.wait_done(std::chrono::seconds(5)));
//     EXPECT_THAT(server.failures(), testing::IsEmpty());
//
// Commands are read only by the steps that read (expect..., silence_until_closed); what the
// client sends meanwhile waits in the socket. The destructor stops the script wherever it is
// (every wait is bounded and woken by the stop), joins the thread and closes every socket.
class ScriptedServer {
public:
    using Millis = std::chrono::milliseconds;
    static constexpr Millis default_bound{5000};
    static constexpr Millis default_data_bound{10000};

    ScriptedServer();
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    [[nodiscard]] std::uint16_t port() const;

    // --- control connection steps ---
    // Sends each '\n'-separated line with CR LF appended, all in one send().
    ScriptedServer& reply(std::string_view lines);
    // Sends exactly these bytes in one send() (two replies in one segment, no line end, ...).
    ScriptedServer& send_raw(std::string_view bytes);
    // Sends the bytes in pieces of the given sizes (the rest as a last piece), each its own
    // segment (TCP_NODELAY) with a pause between, so the client normally needs several recv().
    ScriptedServer& send_split(std::string_view bytes, std::vector<std::size_t> sizes,
                               Millis pause = Millis{50});
    // A "FEAT" the script does not expect is answered "502 FEAT not implemented" and skipped,
    // as a server that predates FEAT would; `expect("FEAT")` takes it like any command.
    // Waits for the next command line (ended by LF, an optional CR before it removed) and
    // records a failure if it is not `line`. Leading Telnet control bytes (>= 0xF0, as an
    // abort puts before ABOR) are skipped for the comparison. No line within the bound, or
    // the connection closed: a failure, and the script ends there.
    ScriptedServer& expect(std::string_view line, Millis bound = default_bound);
    ScriptedServer& expect_prefix(std::string_view prefix, Millis bound = default_bound);
    ScriptedServer& delay(Millis duration);
    // Reads and records, sends nothing, until the client closes; a failure if it does not
    // within the bound.
    ScriptedServer& silence_until_closed(Millis bound);
    // Orderly close of the sending side (FIN); the client reads 0 bytes.
    ScriptedServer& close();
    // Abortive close (RST via SO_LINGER 0) once the bytes sent so far were acknowledged;
    // the client's recv() fails with ECONNRESET.
    ScriptedServer& reset();

    // --- data connections ---
    // Passive: opens a data listener on 127.0.0.1:0 and sends `text` with "{p1}", "{p2}" and
    // "{port}" replaced (port high byte, low byte, whole port). Give another text for
    // malformed replies or a foreign address.
    ScriptedServer& passive_reply(
        std::string_view text = "227 Entering Passive Mode (127,0,0,1,{p1},{p2})");
    // Active: expects "PORT h1,h2,h3,h4,p1,p2" (a loopback address), remembers it and sends
    // `reply`. A malformed or non-loopback PORT is a failure and nothing will connect to it.
    ScriptedServer& expect_port(std::string_view reply = "200 PORT command successful",
                                Millis bound = default_bound);
    // Each data step uses the connection announced last: accepts it (passive) or connects
    // to the client (active), within default_data_bound.
    ScriptedServer& data_send(std::string_view payload, Pacing pacing = {});
    // Reads until the client closes the data connection; see data_received().
    ScriptedServer& data_receive();
    // Never accepts or connects (a server that answers 150 and then does nothing). A passive
    // listener stays open until the server is destroyed.
    ScriptedServer& data_swallow();
    // Sends the first `count` bytes of payload, then resets the data connection.
    ScriptedServer& data_close_early(std::string_view payload, std::size_t count);

    // Accepts the control connection (within accept_bound) and runs the script.
    void start(Millis accept_bound = Millis{10000});

    // --- results (safe to call while the script runs) ---
    // True when every step ran; false on time-out or when the script ended early.
    [[nodiscard]] bool wait_done(Millis bound);
    [[nodiscard]] std::vector<std::string> failures() const;
    // Complete command lines received so far, CR LF / LF removed, bytes as sent.
    [[nodiscard]] std::vector<std::string> received_lines() const;
    // The normal (in-band) byte stream exactly as received, urgent bytes not included.
    [[nodiscard]] std::string received_bytes() const;
    // Out-of-band bytes as the kernel hands them out. Linux TCP keeps only the LAST byte of
    // an urgent send as out-of-band data (the urgent pointer marks one byte), so a client
    // that sends IAC IP IAC with MSG_OOB shows up as urgent_bytes() == "\xFF" and the two
    // bytes before it in received_bytes(); a second urgent send before the first was read
    // replaces it.
    [[nodiscard]] std::string urgent_bytes() const;
    // For each urgent byte, the number of in-band bytes received before it.
    [[nodiscard]] std::vector<std::size_t> urgent_offsets() const;
    // received_bytes() with the urgent bytes put back at their offsets: the bytes in the
    // order the client sent them.
    [[nodiscard]] std::string received_with_urgent() const;
    // Payloads read by data_receive(), one per step.
    [[nodiscard]] std::vector<std::string> data_received() const;

    struct Impl;

private:
    ScriptedServer& add(std::string description, std::function<bool(Impl&)> step);
    std::unique_ptr<Impl> impl_;
};

}  // namespace varnix::test
