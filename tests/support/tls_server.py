#!/usr/bin/python3
"""A small TLS server for the TLS stream tests, on 127.0.0.1 with a port chosen by the system
(printed as "port N"). Modes: echo (echoes until the client's close_notify, then answers it),
complete (sends COUNT bytes, then close_notify), truncate (sends COUNT bytes, then ends the TCP
connection without close_notify), stall (takes the ClientHello and never answers)."""
import argparse
import socket
import ssl
import sys
import threading

parser = argparse.ArgumentParser()
parser.add_argument("cert")
parser.add_argument("key")
parser.add_argument("mode", choices=["echo", "complete", "truncate", "stall"])
parser.add_argument("--max-version", choices=["1.2", "1.3"], default="1.3")
parser.add_argument("--count", type=int, default=100000)
args = parser.parse_args()

context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(args.cert, args.key)
if args.max_version == "1.2":
    context.maximum_version = ssl.TLSVersion.TLSv1_2

listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(8)
print("port", listener.getsockname()[1], flush=True)


def serve(conn):
    conn.settimeout(30)
    tls = None
    try:
        if args.mode == "stall":
            while conn.recv(65536):
                pass
            return
        # A ragged end must show as one: the echo mode tells clean ends from cut ones.
        tls = context.wrap_socket(conn, server_side=True, suppress_ragged_eofs=False)
        if args.mode == "echo":
            # How the client ended is told on stdout: "end clean" after its close_notify, "end cut"
            # when the connection just ended.
            try:
                while True:
                    data = tls.recv(65536)
                    if not data:
                        break
                    tls.sendall(data)
            except OSError:  # EOF without close_notify, or a reset
                print("end cut", flush=True)
                return
            print("end clean", flush=True)
            tls.unwrap()
        else:
            tls.sendall(b"x" * args.count)
            if args.mode == "complete":
                tls.unwrap()
            else:
                # A plain TCP end: no close_notify.
                tls.shutdown(socket.SHUT_WR)
            # Wait for the client to go, so nothing unread turns the close into a reset.
            conn2 = tls
            conn2.settimeout(10)
            try:
                while conn2.recv(65536):
                    pass
            except OSError:
                pass
    except Exception as error:  # reported for the test's log, the next client is served
        print("connection:", error, file=sys.stderr, flush=True)
    finally:
        (tls or conn).close()


while True:
    client, _ = listener.accept()
    threading.Thread(target=serve, args=(client,), daemon=True).start()
