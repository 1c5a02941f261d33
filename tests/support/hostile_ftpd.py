#!/usr/bin/python3
"""An FTP server that misbehaves at random, for robustness tests of the client.

Listens on 127.0.0.1 and a port chosen by the system and prints "port N" once it does.
Every connection draws its behaviour from a random generator seeded with --seed and the
connection's number, so a failing seed can be run again. Most replies are the ones a real
server gives (so the client gets deep into logon, listings and transfers); the rest are
broken: codes out of range, endless or huge replies, NUL and other control bytes, replies
cut off, connections closed or reset, data connections that lie about where they are,
listings whose names try to leave the client's folder. No pause is longer than a second.
Exits when its parent process goes away.
"""
import argparse
import os
import random
import socket
import struct
import sys
import threading
import time

from pyftpd_server import exit_with_parent

HOSTILE_NAMES = [
    b"../escaped.txt", b"..\\escaped.txt", b"sub/../../escaped.txt", b"/tmp/escaped-abs.txt",
    b"..", b".", b"", b"name\rwith\rcr.bin", b"nul\0name.bin", b"a" * 4000 + b".bin",
    b"-rf", b"*", b"?.bin", b"\xff\xfe\xfd.bin", b"con", b"ok.bin", b"x.bin",
]


def listing_line(rng, name):
    kind = rng.random()
    if kind < 0.4:
        size = rng.choice([0, 1, 17, 4096, 2 ** 31, 2 ** 63, 10 ** 30, -5])
        return b"-rw-r--r--   1 owner group %d Jan  1 12:00 %s" % (size, name)
    if kind < 0.55:
        return b"drwxr-xr-x   2 owner group 4096 Jan  1 12:00 %s" % name
    if kind < 0.65:
        return b"lrwxrwxrwx   1 owner group 9 Jan  1 12:00 %s -> ../../.." % name
    if kind < 0.75:
        return b"type=file;size=%d;modify=99991399256099; %s" % (rng.randrange(-3, 10 ** 6), name)
    if kind < 0.85:
        return bytes(rng.randrange(256) for _ in range(rng.randrange(1, 300)))
    return name


def random_listing(rng):
    lines = [listing_line(rng, rng.choice(HOSTILE_NAMES)) for _ in range(rng.randrange(0, 40))]
    ending = rng.choice([b"\r\n", b"\n", b"\r", b"\0"])
    return ending.join(lines) + (ending if rng.random() < 0.7 else b"")


def junk_reply(rng):
    choice = rng.randrange(12)
    if choice == 0:
        return b"%d junk\r\n" % rng.choice([0, 1, 99, 600, 999, 1000, 99999])
    if choice == 1:
        return b"2" * rng.choice([1, 2, 5, 100]) + b"\r\n"
    if choice == 2:
        return b"220-" + b"x" * rng.choice([200, 5000, 70000]) + b"\r\n220 end\r\n"
    if choice == 3:
        return b"".join(b"150-line %d\r\n" % i for i in range(rng.randrange(1, 3000)))
    if choice == 4:
        return b"250 a\0b\0c\r\n"
    if choice == 5:
        return bytes(rng.randrange(256) for _ in range(rng.randrange(1, 2000)))
    if choice == 6:
        return b"\r\n\r\n\n\n"
    if choice == 7:
        return b"227 Entering Passive Mode (999,1,1,1,999,999)\r\n"
    if choice == 8:
        return b"229 Entering Extended Passive Mode (|||99999|)\r\n"
    if choice == 9:
        return b"213 " + b"9" * rng.choice([5, 25, 400]) + b"\r\n"
    if choice == 10:
        return b"257 \"" + b"/" * rng.randrange(1, 600) + b"\r\n"
    return b"550-more\r\n550-" + b"\xff" * 50 + b"\r\n550 end\r\n"


class DataChannel:
    """One passive data connection: a listener on 127.0.0.1 the client may connect to."""

    def __init__(self):
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(1)
        self.listener.settimeout(3)
        self.port = self.listener.getsockname()[1]
        self.active = None

    def accept(self):
        if self.active is not None:
            # Only ever back to the loopback address the client named.
            if not self.active[0].startswith("127."):
                return None
            try:
                return socket.create_connection(self.active, timeout=3)
            except OSError:
                return None
        try:
            conn, _ = self.listener.accept()
            conn.settimeout(3)
            return conn
        except OSError:
            return None

    def close(self):
        try:
            self.listener.close()
        except OSError:
            pass


def reset(sock):
    try:
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        sock.close()
    except OSError:
        pass


class Session:
    def __init__(self, conn, rng, hostility):
        self.conn = conn
        self.rng = rng
        self.hostility = hostility
        self.data = None
        self.buffer = b""
        # Each connection breaks for certain once, at a depth drawn evenly (the greeting is 0),
        # so that logons, listings and transfers all get their share of broken replies.
        self.break_at = rng.randrange(0, 14)
        self.answered = 0

    def send(self, payload):
        self.conn.sendall(payload)

    def read_command(self):
        while b"\n" not in self.buffer:
            try:
                chunk = self.conn.recv(65536)
            except socket.timeout:
                # The client is waiting for something it will not get: hang up rather than
                # let every run sit out its time-out.
                return None
            if not chunk:
                return None
            self.buffer += chunk
            if len(self.buffer) > 1 << 20:
                return None
        line, self.buffer = self.buffer.split(b"\n", 1)
        return line.rstrip(b"\r").lstrip(bytes(range(0xF0, 0x100)))

    def hostile(self):
        self.answered += 1
        return self.answered == self.break_at or self.rng.random() < self.hostility

    def misbehave(self):
        """A broken answer; False when the connection is over."""
        choice = self.rng.randrange(10)
        if choice == 0:
            self.conn.close()
            return False
        if choice == 1:
            reset(self.conn)
            return False
        if choice == 2:
            time.sleep(self.rng.random())
            self.send(junk_reply(self.rng))
            return True
        if choice == 3:
            # Half a reply, then nothing more.
            self.send(b"22")
            self.conn.close()
            return False
        self.send(junk_reply(self.rng))
        return True

    def open_data(self, payload=None, receive=False):
        channel = self.data
        self.data = None
        if channel is None:
            self.send(b"425 no data connection\r\n")
            return
        what = self.rng.random()
        self.send(b"150 here it comes\r\n")
        conn = channel.accept() if what > 0.05 else None
        if conn is None:
            self.send(b"425 can't open\r\n")
            channel.close()
            return
        try:
            if receive:
                total = 0
                while total < 1 << 24:
                    chunk = conn.recv(65536)
                    if not chunk:
                        break
                    total += len(chunk)
                    if self.rng.random() < 0.02:
                        reset(conn)
                        conn = None
                        break
            elif what < 0.15:
                reset(conn)
                conn = None
            else:
                data = payload if payload is not None else bytes(
                    self.rng.randrange(256) for _ in range(self.rng.randrange(0, 5000)))
                conn.sendall(data)
        except OSError:
            pass
        if conn is not None:
            try:
                conn.close()
            except OSError:
                pass
        channel.close()
        self.send(self.rng.choice([b"226 done\r\n", b"226 done\r\n", b"426 broken\r\n",
                                   b"250 ok\r\n", b"550 lost\r\n"]))

    def answer(self, line):
        """Answers one command; False when the connection is over."""
        verb, _, argument = line.partition(b" ")
        verb = verb.upper()
        if self.hostile():
            return self.misbehave()
        rng = self.rng
        if verb == b"USER":
            self.send(b"331 password please\r\n")
        elif verb == b"PASS":
            self.send(b"230-welcome\r\n230 logged on\r\n")
        elif verb == b"SYST":
            self.send(rng.choice([b"215 UNIX Type: L8\r\n", b"215 Windows_NT\r\n",
                                  b"215 MVS is the operating system\r\n", b"215 VMS\r\n"]))
        elif verb == b"FEAT":
            self.send(b"211-Features:\r\n MLST type*;size*;modify*;\r\n UTF8\r\n EPSV\r\n"
                      b" MDTM\r\n SIZE\r\n REST STREAM\r\n" + b" " + b"Z" * 3000 + b"\r\n211 End\r\n")
        elif verb == b"PWD" or verb == b"XPWD":
            self.send(rng.choice([b"257 \"/pub\" is current\r\n", b"257 \"/a\"\"b\" quoted\r\n",
                                  b"257 no quotes at all\r\n", b"257 \"" + b"d/" * 300 + b"\"\r\n"]))
        elif verb in (b"CWD", b"XCWD", b"CDUP", b"TYPE", b"MODE", b"STRU", b"OPTS", b"NOOP",
                      b"ALLO", b"SITE", b"PBSZ", b"PROT"):
            self.send(b"250 ok\r\n" if verb.startswith(b"C") or verb == b"XCWD" else b"200 ok\r\n")
        elif verb == b"REST":
            self.send(b"350 restarting\r\n")
        elif verb == b"SIZE":
            self.send(rng.choice([b"213 5000\r\n", b"213 -1\r\n", b"213 99999999999999999999999\r\n",
                                  b"213 12abc\r\n", b"550 no size\r\n"]))
        elif verb == b"MDTM":
            self.send(rng.choice([b"213 20240101120000\r\n", b"213 99999999999999\r\n",
                                  b"213 1\r\n", b"213 20241301250000.5\r\n"]))
        elif verb == b"PASV":
            self.data = DataChannel()
            p = self.data.port
            address = rng.choice([b"127,0,0,1", b"127,0,0,2", b"0,0,0,0", b"127,255,255,255"])
            self.send(b"227 Entering Passive Mode (%s,%d,%d)\r\n" % (address, p >> 8, p & 255))
        elif verb == b"EPSV":
            self.data = DataChannel()
            self.send(b"229 Entering Extended Passive Mode (|||%d|)\r\n" % self.data.port)
        elif verb in (b"PORT", b"EPRT"):
            self.data = DataChannel()
            self.data.active = parse_active(verb, argument)
            self.send(b"200 ok\r\n")
        elif verb in (b"LIST", b"NLST", b"MLSD"):
            self.open_data(random_listing(rng))
        elif verb == b"RETR":
            self.open_data()
        elif verb in (b"STOR", b"STOU", b"APPE"):
            self.open_data(receive=True)
        elif verb == b"ABOR":
            self.send(rng.choice([b"226 aborted\r\n", b"426 x\r\n226 y\r\n", b"225 nothing\r\n"]))
        elif verb == b"QUIT":
            self.send(b"221 bye\r\n")
            return False
        else:
            self.send(b"502 not implemented\r\n")
        return True

    def run(self):
        if self.break_at == 0:
            self.misbehave()
        else:
            self.send(b"220-hostile test server\r\n220 ready\r\n")
        for _ in range(500):
            line = self.read_command()
            if line is None or not self.answer(line):
                break


def parse_active(verb, argument):
    try:
        if verb == b"PORT":
            parts = [int(x) for x in argument.split(b",")]
            return ("%d.%d.%d.%d" % tuple(parts[:4]), parts[4] * 256 + parts[5])
        fields = argument.split(argument[:1])
        return (fields[2].decode(), int(fields[3]))
    except (ValueError, IndexError, UnicodeDecodeError):
        return None


def serve(conn, seed, number, hostility):
    conn.settimeout(2)
    session = Session(conn, random.Random(seed * 100003 + number), hostility)
    try:
        session.run()
    except OSError:
        pass
    finally:
        if session.data is not None:
            session.data.close()
        try:
            conn.close()
        except OSError:
            pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--hostility", type=float, default=0.03,
                        help="the share of replies broken beyond the one each connection breaks")
    args = parser.parse_args()
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print("port %d" % listener.getsockname()[1], flush=True)
    threading.Thread(target=exit_with_parent, daemon=True).start()
    number = 0
    while True:
        conn, _ = listener.accept()
        number += 1
        threading.Thread(target=serve, args=(conn, args.seed, number, args.hostility),
                         daemon=True).start()


if __name__ == "__main__":
    sys.exit(main())
