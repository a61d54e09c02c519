#!/usr/bin/env python3
# One direction of the simulated radio path: air.py SRC_FIFO DST_FIFO RATE. An engine "transmits"
# raw S16_LE mono samples into SRC in bursts; they go on to DST, the other engine's receive audio,
# at the sample rate and with silence in the gaps, as from a sound card: without the silence the
# receiver's carrier detect would stay on after a burst, and it would never transmit again.
import os, select, signal, sys, time

signal.signal(signal.SIGINT, lambda *_: sys.exit(0))
# Read-write: opening never blocks, and the writer closing its PCM is no end of file.
src = os.open(sys.argv[1], os.O_RDWR | os.O_NONBLOCK)
rate = int(sys.argv[3])
while True:
    # Blocks until the receiving engine reads; what one that went away missed is lost, as on air.
    dst = os.open(sys.argv[2], os.O_WRONLY)
    backlog, start, written = bytearray(), time.monotonic(), 0
    try:
        while True:
            if select.select([src], [], [], 0.010)[0]:
                backlog += os.read(src, 1 << 16)
            n = (int((time.monotonic() - start) * rate * 2) & ~1) - written
            if n > 0:
                take = min(n, len(backlog)) & ~1
                os.write(dst, bytes(backlog[:take]) + bytes(n - take))
                del backlog[:take]
                written += n
    except BrokenPipeError:
        os.close(dst)
