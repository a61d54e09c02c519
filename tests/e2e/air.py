#!/usr/bin/env python3
# The simulated radio channel: air.py DIR RATE ENGINE=HEARD[,HEARD...]..., e.g. "b=a,c": engine b
# hears a and c. What an engine transmits into DIR/ENGINE.tx (S16_LE mono samples, in bursts)
# reaches DIR/ENGINE.rx of each engine that hears it at the sample rate, with silence in the gaps as
# from a sound card: else the receiver's carrier detect would stay on after a burst, and it would
# never transmit again. Two engines heard at once add up, clipped: a receiver between two that
# cannot hear each other gets their collisions. --drop=N loses about one burst in N of each engine,
# on every receiver; --seed=S fixes which, so a run can be repeated. Each loss is logged.
import array, errno, os, random, select, signal, sys, time

signal.signal(signal.SIGINT, lambda *_: sys.exit(0))
opts = dict(a[2:].split("=", 1) for a in sys.argv[1:] if a.startswith("--"))
args = [a for a in sys.argv[1:] if not a.startswith("--")]
work, rate = args[0], int(args[1])
hears = {e: heard.split(",") for e, heard in (arg.split("=") for arg in args[2:])}
drop_one_in, seed = int(opts.get("drop", 0)), opts.get("seed", "1")
# One generator per engine: its choices do not depend on how its bursts interleave with others'.
chance = {e: random.Random(f"{seed}:{e}") for e in hears}
bursts, idle, dropping = dict.fromkeys(hears, 0), dict.fromkeys(hears, True), {}
# Read-write: opening never blocks, and the writer closing its PCM is no end of file.
tx = {e: os.open(f"{work}/{e}.tx", os.O_RDWR | os.O_NONBLOCK) for e in hears}
backlog = {e: bytearray() for e in hears}
rx, pending = dict.fromkeys(hears), {e: bytearray() for e in hears}
# What a receiver that stopped reading has not taken is dropped beyond this: one slow engine must
# not hold up the others.
PENDING_LIMIT = 2 * rate * 2


def attach(e):
    # Only while the receiving engine runs; what one that is not there misses is lost, as on air.
    try:
        return os.open(f"{work}/{e}.rx", os.O_WRONLY | os.O_NONBLOCK)
    except OSError as err:
        if err.errno != errno.ENXIO:
            raise
        return None


def mix(chunks):
    if len(chunks) == 1:
        return chunks[0]
    sums = [sum(s) for s in zip(*(array.array("h", c) for c in chunks))]
    return array.array("h", (max(-32768, min(32767, s)) for s in sums)).tobytes()


assert sys.byteorder == "little", "the samples are S16_LE"
start, written = time.monotonic(), 0
while True:
    for fd in select.select(list(tx.values()), [], [], 0.010)[0]:
        e = next(e for e, f in tx.items() if f == fd)
        backlog[e] += os.read(fd, 1 << 16)
    n = (int((time.monotonic() - start) * rate * 2) & ~1) - written
    if n <= 0:
        continue
    written += n
    sent = {}
    for e, b in backlog.items():
        take = min(n, len(b)) & ~1
        if not take:
            idle[e] = True
            continue
        if idle[e]:  # a burst begins
            idle[e] = False
            bursts[e] += 1
            dropping[e] = drop_one_in > 0 and chance[e].randrange(drop_one_in) == 0
            if dropping[e]:
                t = time.monotonic() - start
                print(f"{t:9.3f} s: dropped burst {bursts[e]} of {e}", flush=True)
        if not dropping[e]:
            sent[e] = bytes(b[:take]) + bytes(n - take)
        del b[:take]
    for e, heard in hears.items():
        if rx[e] is None and (fd := attach(e)) is not None:
            rx[e] = fd
        if rx[e] is None:
            continue
        chunks = [sent[h] for h in heard if h in sent]
        pending[e] += mix(chunks) if chunks else bytes(n)
        del pending[e][:-PENDING_LIMIT]
        try:
            del pending[e][: os.write(rx[e], pending[e])]
        except BlockingIOError:
            pass
        except BrokenPipeError:
            os.close(rx[e])
            rx[e] = None
            pending[e].clear()
