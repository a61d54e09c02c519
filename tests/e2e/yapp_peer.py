#!/usr/bin/env python3
"""A YAPP / YAPP-C peer for end-to-end tests, written apart from the station.

As N0BBB, an AGW client of run.sh's engine B, it calls the station (N0AAA), sends or receives one
file, and prints one JSON line: result, bytes (carried in DT packets), sha256 (of the file sent or
stored), checksums, reason. Progress goes to standard error.
"""
import argparse, hashlib, json, os, select, socket, struct, sys, time

SOH, STX, ETX, EOT, ENQ, ACK, NAK, CAN = 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x15, 0x18
SHORT = {(ACK, 1): "RR", (ACK, 2): "RF", (ACK, 3): "AF", (ACK, 4): "AT", (ACK, 5): "CA",
         (ACK, ACK): "RT", (ENQ, 1): "SI", (ETX, 1): "EF", (EOT, 1): "ET"}
CODE = {name: bytes(key) for key, name in SHORT.items()}
LONG = {SOH: "HD", STX: "DT", NAK: "NR", CAN: "CN"}
FIRST_BYTES = {kind for kind, _ in SHORT} | LONG.keys()
MAX_OUTSTANDING = 4  # frames the engine may hold for the link before we send more
FRAME_MAX = 256      # connected data per AGW frame


class Failed(Exception):
    pass


def log(text):
    print(f"{time.strftime('%H:%M:%S')} yapp_peer: {text}", file=sys.stderr, flush=True)


class Agw:
    """One AGW connection and one connected link to `peer`."""

    def __init__(self, args):
        self.call, self.peer, self.timeout = "N0BBB", "N0AAA", args.timeout
        port = int(os.environ["AGW_PORT_B"])
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=10)
        self.inbuf, self.data, self.outbuf = bytearray(), bytearray(), bytearray()
        self.registered = self.linked = self.ended = False
        self.outstanding, self.answered = 0, False
        self.last = time.monotonic()

    def put(self, kind, data=b"", to=None):
        to = self.peer if to is None else to
        pid = 0xF0 if kind == "D" else 0
        head = struct.pack("<4xcxBx10s10sI4x", kind.encode(), pid,
                           self.call.encode(), to.encode(), len(data))
        self.sock.sendall(head + data)

    def pump(self, wait=0.2):
        """Takes in what the engine sent within `wait` s; fails after `timeout` s of silence."""
        if select.select([self.sock], [], [], wait)[0]:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise Failed("the engine closed the connection")
            self.inbuf += chunk
        while len(self.inbuf) >= 36:
            size = struct.unpack_from("<I", self.inbuf, 28)[0]
            if size > 65536:
                raise Failed("AGW stream out of step")
            if len(self.inbuf) < 36 + size:
                break
            kind, sender = chr(self.inbuf[4]), self.inbuf[8:18].split(b"\0")[0].decode("latin-1")
            body = bytes(self.inbuf[36:36 + size])
            del self.inbuf[:36 + size]
            self.on_frame(kind, sender, body)
        if time.monotonic() - self.last > self.timeout:
            raise Failed(f"{self.timeout:g} s of silence")

    def on_frame(self, kind, sender, body):
        if kind in "CDd" and sender != self.peer:
            return  # another link of this engine
        now = time.monotonic()
        if kind == "X":
            if body[:1] != b"\x01":
                raise Failed("the engine refused our call")
            self.registered = True
        elif kind in "CD":
            self.linked, self.last = True, now
            self.data += body if kind == "D" else b""
        elif kind == "d":
            self.ended = True
        elif kind == "Y" and len(body) >= 4:
            count = struct.unpack_from("<I", body)[0]
            if count < self.outstanding:  # the peer's engine acknowledged: the link lives
                self.last = now
            self.outstanding, self.answered = count, True

    def wait(self, done):
        while not done():
            self.pump()

    def open(self):
        self.put("X", to="")
        self.wait(lambda: self.registered)
        self.put("C")
        self.wait(lambda: self.linked or self.ended)
        if not self.linked:
            raise Failed(f"could not connect to {self.peer}")

    def query(self):
        self.answered = False
        self.put("Y")
        self.wait(lambda: self.answered)
        return self.outstanding

    def send(self, data, more=False):
        """Connected data in full frames, paced so that the engine never holds more than a few;
        with `more`, a last part frame waits for what follows."""
        self.outbuf += data
        while len(self.outbuf) >= (FRAME_MAX if more else 1):
            while self.query() >= MAX_OUTSTANDING:
                self.pump(0.5)
            if self.ended:
                raise Failed("the link ended")
            self.put("D", bytes(self.outbuf[:FRAME_MAX]))
            del self.outbuf[:FRAME_MAX]

    def close(self):
        """Waits until the peer has all we sent, then ends the link if the peer did not."""
        if not self.linked:
            return self.sock.close()
        try:
            self.last = time.monotonic()
            while not self.ended and self.query() > 0:
                self.pump(0.5)
            if not self.ended:
                self.put("d")
                self.last = time.monotonic()
                self.wait(lambda: self.ended)
        except Failed as e:
            log(f"while ending the link: {e}")
        self.sock.close()


def take_packet(buf, checksums):
    """Removes one whole YAPP packet from the front of buf: (name, body, checksum good), or None."""
    if len(buf) < 2:
        return None
    kind, second = buf[0], buf[1]
    if kind in (ACK, ENQ, ETX, EOT):
        if (kind, second) not in SHORT:
            raise Failed(f"unknown packet {kind:02x} {second:02x}")
        del buf[:2]
        return SHORT[kind, second], b"", True
    if kind not in LONG:
        raise Failed(f"not a YAPP packet: byte {kind:#04x}")
    size = 256 if kind == STX and second == 0 else second
    extra = 1 if kind == STX and checksums else 0
    if len(buf) < 2 + size + extra:
        return None
    body, good = bytes(buf[2:2 + size]), True
    if extra:
        good = sum(body) & 0xFF == buf[2 + size]
    del buf[:2 + size + extra]
    return LONG[kind], body, good


def describe(name, body):
    return f"DT {len(body)} bytes" if name == "DT" else f"{name} {body!r}" if body else name


def packet(kind, body):
    return bytes([kind, len(body)]) + body


class Yapp:
    def __init__(self, agw):
        self.agw, self.checksums, self.started = agw, False, False

    def put(self, data, name, more=False):
        log(f"-> {describe(name, data[2:])}")
        self.agw.send(data, more)

    def say(self, name):  # a packet of two fixed bytes
        self.put(CODE[name], name)

    def next(self, within=None):
        """The next packet from the peer; None when `within` s pass without one."""
        until = None if within is None else time.monotonic() + within
        while True:
            if not self.started:  # text before the transfer (a welcome, say) is no packet
                while self.agw.data and self.agw.data[0] not in FIRST_BYTES:
                    del self.agw.data[0]
            if got := take_packet(self.agw.data, self.checksums):
                self.started = True
                log(f"<- {describe(*got[:2])}")
                return got
            if self.agw.ended:
                raise Failed("the link ended")
            if until is not None and time.monotonic() > until:
                return None
            self.agw.pump()


def unexpected(got, state):
    name, body, _ = got
    raise Failed(f"unexpected {describe(name, body)} {state}")


def send_file(yapp, args, out):
    data = open(args.file, "rb").read()
    out["sha256"] = hashlib.sha256(data).hexdigest()
    got = None
    for _ in range(4):  # the first few unanswered SIs are repeated
        yapp.say("SI")
        if got := yapp.next(within=args.timeout / 4):
            break
    if got is None:
        raise Failed("no answer to SI")
    if got[0] != "RR":
        unexpected(got, "after SI")
    # Undated: plain YAPP, so the answer is RF and the blocks carry no checksums.
    header = f"{os.path.basename(args.file)}\0{len(data)}\0".encode("latin-1")
    yapp.put(packet(SOH, header), "HD")
    while (got := yapp.next())[0] == "RR":
        pass  # the answer to a repeated SI
    if got[0] != "RF":
        unexpected(got, "after HD")
    for pos in range(0, len(data), 256):
        chunk = data[pos:pos + 256]
        yapp.put(bytes([STX, len(chunk) & 0xFF]) + chunk, "DT", more=True)
        out["bytes"] += len(chunk)
    for packet_name, answer in (("EF", "AF"), ("ET", "AT")):
        yapp.say(packet_name)
        if (got := yapp.next())[0] != answer:
            unexpected(got, f"after {packet_name}")
    return "sent", ""


def receive_file(yapp, args, out):
    """Answers SI and one HD, stores DT packets until EF, and ends on ET."""
    stored, digest = None, hashlib.sha256()
    while True:
        name, body, good = got = yapp.next()
        if name == "SI":
            yapp.say("RR")
        elif name == "HD" and not stored:
            fields = body.split(b"\0")
            out["size"] = int(fields[1] or 0)
            filename = os.path.basename(fields[0].decode("latin-1")) or "unnamed"
            stored = open(os.path.join(args.folder, filename), "wb")
            dated = len(fields) > 2 and len(fields[2]) == 8  # YAPP-C offered
            yapp.checksums = out["checksums"] = args.checksums and dated
            yapp.say("RT" if yapp.checksums else "RF")
        elif name == "DT" and stored:
            if not good:
                raise Failed("bad checksum")
            stored.write(body)
            digest.update(body)
            out["bytes"] += len(body)
        elif name == "EF" and stored:
            if stored.tell() != out["size"]:
                raise Failed(f"{stored.tell()} bytes stored, {out['size']} announced")
            stored.close()
            out["sha256"] = digest.hexdigest()
            yapp.say("AF")
        elif name == "ET" and stored:
            yapp.say("AT")
            return "received", ""
        else:
            unexpected(got, "while receiving")


def options():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    role = p.add_mutually_exclusive_group(required=True)
    role.add_argument("--send", dest="file", help="send this file")
    role.add_argument("--receive", dest="folder", help="receive into this folder")
    p.add_argument("--checksums", action="store_true", help="receiver: answer RT to a dated header")
    p.add_argument("--timeout", type=float, default=60, help="seconds of silence before failing")
    return p.parse_args()


def main():
    args = options()
    out = {"result": "failed", "bytes": 0, "sha256": "", "checksums": False, "reason": ""}
    agw = None
    try:
        agw = Agw(args)
        agw.open()
        yapp = Yapp(agw)
        out["result"], out["reason"] = (send_file if args.file else receive_file)(yapp, args, out)
    except (Failed, OSError, ValueError, IndexError) as e:
        out["result"], out["reason"] = "failed", str(e) or type(e).__name__
    if agw:
        agw.close()
    print(json.dumps({k: out[k] for k in ("result", "bytes", "sha256", "checksums", "reason")}))
    return out["result"] == "failed"


if __name__ == "__main__":
    sys.exit(main())
