#!/usr/bin/python3
"""The demo FTP server: pyftpdlib on 127.0.0.1, a port chosen by the system, serving FOLDER to
anonymous users and to user "demo" (password "demo") with read and write rights (a throw-away
folder the demo made).

Prints "port N" on stdout once it listens. --rate limits each data connection to that many
bytes per second (so a download is slow enough to watch). Exits when its parent goes away.
"""
import argparse
import logging
import os
import sys
import threading

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
from pyftpd_server import exit_with_parent  # noqa: E402  (the test servers' own watchdog)
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--rate", type=int, default=0, help="bytes per second per transfer")
    args = parser.parse_args()
    logging.basicConfig(stream=sys.stderr, level=logging.INFO, format="%(asctime)s %(message)s")
    authorizer = DummyAuthorizer()
    # Writable anonymous access is fine for a folder made for this demo alone.
    logging.getLogger("pyftpdlib").setLevel(logging.ERROR)
    authorizer.add_anonymous(args.folder, perm="elradfmw")
    authorizer.add_user("demo", "demo", args.folder, perm="elradfmw")
    logging.getLogger("pyftpdlib").setLevel(logging.INFO)
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.banner = "VARNIX demo server ready"
    if args.rate > 0:
        dtp = ThrottledDTPHandler
        dtp.read_limit = args.rate
        dtp.write_limit = args.rate
        handler.dtp_handler = dtp
    server = FTPServer(("127.0.0.1", 0), handler)
    print("port %d" % server.socket.getsockname()[1], flush=True)
    threading.Thread(target=exit_with_parent, daemon=True).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
