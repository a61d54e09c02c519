#!/usr/bin/env python3
"""A scripted remote station for the demo: one AGW client on the far engine.

It calls the station, chats a few lines, puts a DX spot and a weather line on the air unproto,
names a Packet Radio HTML page, and then answers whatever the operator types until --linger
runs out or the link ends. Progress goes to standard output, one line per event; the lines
"MARK <name>" tell the demo when a picture is worth taking.

usage: remote_station.py --port PORT [--call N0BBB] [--station N0AAA] [--linger SECONDS]
"""
import argparse
import socket
import struct
import sys
import threading
import time

HEADER = struct.Struct("<B3xBxBx10s10sII")  # 36 bytes, little-endian
T0 = time.monotonic()


def say(text):
    print("[%6.1f] %s" % (time.monotonic() - T0, text), flush=True)


def call_field(raw):
    return raw.split(b"\0", 1)[0].decode("ascii", "replace")


class Agw:
    """One AGW connection; a reader thread files every frame it receives."""

    def __init__(self, port, call):
        self.call = call
        deadline = time.monotonic() + 15
        while True:
            try:
                self.sock = socket.create_connection(("127.0.0.1", port), timeout=5)
                break
            except OSError:
                if time.monotonic() > deadline:
                    raise
                time.sleep(0.5)
        self.sock.settimeout(None)
        self.frames = []
        self.closed = False
        self.cond = threading.Condition()
        threading.Thread(target=self._read, daemon=True).start()

    def _exact(self, n):
        buf = b""
        while len(buf) < n:
            chunk = self.sock.recv(n - len(buf))
            if not chunk:
                raise EOFError
            buf += chunk
        return buf

    def _read(self):
        try:
            while True:
                port, kind, pid, cf, ct, length, _ = HEADER.unpack(self._exact(HEADER.size))
                if length > 65536:
                    raise EOFError
                data = self._exact(length) if length else b""
                with self.cond:
                    self.frames.append((chr(kind), call_field(cf), call_field(ct), data))
                    self.cond.notify_all()
        except (EOFError, OSError):
            with self.cond:
                self.closed = True
                self.cond.notify_all()

    def send(self, kind, to="", data=b"", pid=0):
        if isinstance(data, str):
            data = data.encode("latin-1")
        self.sock.sendall(HEADER.pack(0, ord(kind), pid, self.call.encode(), to.encode(),
                                      len(data), 0) + data)

    def expect(self, kinds, timeout, test=None):
        """Takes the first waiting frame of one of `kinds` (and passing `test`)."""
        deadline = time.monotonic() + timeout
        with self.cond:
            while True:
                for i, f in enumerate(self.frames):
                    if f[0] in kinds and (test is None or test(f)):
                        return self.frames.pop(i)
                left = deadline - time.monotonic()
                if left <= 0 or self.closed:
                    return None
                self.cond.wait(left)


class Remote:
    def __init__(self, args):
        self.args = args
        self.agw = Agw(args.port, args.call)

    def register(self):
        self.agw.send("X")
        answer = self.agw.expect("X", 10)
        if answer is None or answer[3] != b"\x01":
            raise SystemExit("the engine did not take the call sign %s" % self.args.call)
        self.agw.send("m")  # hear the station's beacons too
        say("%s registered with its engine" % self.args.call)

    def connect(self):
        for attempt in (1, 2):
            say("calling %s" % self.args.station)
            self.agw.send("C", self.args.station)
            got = self.agw.expect("Cd", 70)
            if got is not None and got[0] == "C":
                say(got[3].rstrip(b"\0\r").decode("latin-1"))
                return
            say("no answer (attempt %d)" % attempt)
        raise SystemExit("the station never answered")

    def settle(self, timeout=20):
        """Waits until the station has acknowledged everything sent on the link."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            self.agw.send("Y", self.args.station)
            got = self.agw.expect("Y", 3)
            if got is not None and len(got[3]) >= 4 and struct.unpack("<I", got[3][:4])[0] == 0:
                return
            time.sleep(0.5)

    def line(self, text):
        say("%s> %s" % (self.args.call, text))
        self.agw.send("D", self.args.station, text + "\r", pid=0xF0)
        self.settle()

    def unproto(self, to, text):
        say("%s> (unproto to %s) %s" % (self.args.call, to, text))
        self.agw.send("M", to, text + "\r", pid=0xF0)
        time.sleep(3)  # about 1.5 s of air time, then the station's poll

    def received(self, timeout):
        got = self.agw.expect("Dd", timeout, lambda f: f[1] == self.args.station)
        if got is None:
            return None
        if got[0] == "d":
            raise ConnectionError("link ended")
        return got[3].decode("latin-1")

    def run(self):
        call, station = self.args.call, self.args.station
        self.register()
        self.connect()
        welcome = self.received(15)
        if welcome:
            say("%s says: %s" % (station, welcome.strip()))
        self.line("Hello %s, this is %s. Good to meet you on the air!" % (station, call))
        self.line("Name here is Pat, the rig is a simulated radio link.")
        self.unproto("DX", "DX de %s: 14025.0 JA1XYZ cw" % call)
        self.unproto("WX", "WX %s|Tmp 45|3hr +2|Wnd 5|Max 12|Dir NW|Bar 30.12|3hr -0.02|Clear"
                     % call)
        self.line("Heard a nice DX spot just now, see your DX tab.")
        time.sleep(1)
        say("MARK chat")
        time.sleep(3)
        self.line("My station page: <PRHindex>")
        time.sleep(2)
        say("MARK page")
        self.chat()
        self.line("73 and thanks for the contact!")
        self.agw.send("d", station)
        self.agw.expect("d", 20, lambda f: f[1] == station)
        say("link ended")

    def chat(self):
        end = time.monotonic() + self.args.linger
        if self.args.linger > 0:
            say("answering what the operator types for %d s" % self.args.linger)
        while time.monotonic() < end:
            text = self.received(min(2.0, max(0.1, end - time.monotonic())))
            if text is None:
                continue
            text = text.strip()
            say("%s> %s" % (self.args.station, text))
            if text:  # a bare CR is the station's keep-alive
                self.line("Copy, you said: %s" % text[:120])


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--port", type=int, required=True, help="AGW port of the far engine")
    ap.add_argument("--call", default="N0BBB")
    ap.add_argument("--station", default="N0AAA")
    ap.add_argument("--linger", type=int, default=0,
                    help="seconds to keep answering the operator before saying goodbye")
    args = ap.parse_args()
    try:
        Remote(args).run()
    except ConnectionError as e:
        say("stopped: %s" % e)
    return 0


if __name__ == "__main__":
    sys.exit(main())
