#!/usr/bin/env python3
"""One direction of the simulated radio path.

An engine "transmits" by writing raw S16_LE mono samples into SRC in bursts, as fast as the ALSA
null device takes them. This copies them to DST, the other engine's receive audio, at the real
sample rate and fills every gap with silence, as a sound card would. Without that silence the
receiver's carrier detect stays on after a burst and it never transmits again.

usage: air.py SRC_FIFO DST_FIFO [RATE]
"""
import os
import select
import sys
import time

STEP = 0.010  # seconds between writes


def main():
    src_path, dst_path = sys.argv[1], sys.argv[2]
    rate = int(sys.argv[3]) if len(sys.argv) > 3 else 44100
    bytes_per_second = rate * 2
    # Read-write: opening never blocks, and the writer closing its PCM is no end of file.
    src = os.open(src_path, os.O_RDWR | os.O_NONBLOCK)
    dst = os.open(dst_path, os.O_WRONLY)
    backlog = bytearray()
    start = time.monotonic()
    written = 0
    while True:
        ready, _, _ = select.select([src], [], [], STEP)
        if ready:
            try:
                backlog += os.read(src, 1 << 16)
            except BlockingIOError:
                pass
        due = int((time.monotonic() - start) * bytes_per_second) & ~1
        n = due - written
        if n <= 0:
            continue
        take = min(n, len(backlog)) & ~1
        chunk = bytes(backlog[:take]) + bytes(n - take)
        del backlog[:take]
        try:
            os.write(dst, chunk)
        except BrokenPipeError:
            return 0
        written += n


if __name__ == "__main__":
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        sys.exit(0)
