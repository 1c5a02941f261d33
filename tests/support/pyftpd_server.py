#!/usr/bin/python3
"""A pyftpdlib server for the integration tests, on 127.0.0.1 and a port chosen by the system.

Prints "port N" on stdout once it listens. Every --user gets full permissions in its home;
--anonymous adds a read-only anonymous account. Exits when its parent process goes away,
so a crashed test leaves no server behind.
"""
import argparse
import logging
import os
import sys
import threading
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def parse_args():
    parser = argparse.ArgumentParser()
    parser.add_argument("--user", nargs=3, action="append", default=[],
                        metavar=("NAME", "PASSWORD", "HOME"))
    parser.add_argument("--anonymous", metavar="HOME")
    parser.add_argument("--passive-ports", nargs=2, type=int, metavar=("LOW", "HIGH"))
    parser.add_argument("--send-limit", type=int, metavar="BYTES_PER_SECOND",
                        help="slow the server's sending on data connections (downloads)")
    parser.add_argument("--address", default="127.0.0.1", choices=["127.0.0.1", "::1"],
                        help="the loopback address to listen on")
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"),
                        help="offer explicit TLS (AUTH TLS) with this certificate")
    parser.add_argument("--tls-required", action="store_true",
                        help="refuse logons and data connections without TLS")
    parser.add_argument("--tls-cut-data", action="store_true",
                        help="end data connections without TLS close_notify, as if cut")
    return parser.parse_args()


def cut_tls_data_handler():
    from pyftpdlib.handlers import TLS_DTPHandler

    class CutTlsData(TLS_DTPHandler):
        def close(self):
            # Marked as failed, the TLS layer skips its close_notify: the client sees the
            # connection end as one cut on the way, though the server still says 226.
            self._error = True
            super().close()

    return CutTlsData


def exit_with_parent():
    parent = os.getppid()
    while os.getppid() == parent:
        time.sleep(0.5)
    os._exit(0)


def main():
    args = parse_args()
    logging.basicConfig(stream=sys.stderr, level=logging.INFO,
                        format="%(asctime)s %(message)s")
    authorizer = DummyAuthorizer()
    for name, password, home in args.user:
        authorizer.add_user(name, password, home, perm="elradfmwMT")
    if args.anonymous:
        authorizer.add_anonymous(args.anonymous)

    handler = FTPHandler
    if args.tls:
        from pyftpdlib.handlers import TLS_FTPHandler
        handler = TLS_FTPHandler
        handler.certfile, handler.keyfile = args.tls
        handler.tls_control_required = args.tls_required
        handler.tls_data_required = args.tls_required
        if args.tls_cut_data:
            handler.dtp_handler = cut_tls_data_handler()
    handler.authorizer = authorizer
    handler.banner = "test server ready"
    # Names go to the wire as the bytes the file system holds, as ProFTPD sends them: a
    # Latin-1 name stays Latin-1 instead of becoming U+FFFD, and the same bytes find it again.
    handler.unicode_errors = "surrogateescape"
    # The default 3 s pause after a failed logon only slows the tests down.
    handler.auth_failed_timeout = 0.1
    if args.passive_ports:
        low, high = args.passive_ports
        handler.passive_ports = range(low, high + 1)

    if args.send_limit:
        dtp = ThrottledDTPHandler
        dtp.write_limit = args.send_limit
        handler.dtp_handler = dtp

    server = FTPServer((args.address, 0), handler)
    print("port %d" % server.socket.getsockname()[1], flush=True)
    threading.Thread(target=exit_with_parent, daemon=True).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
