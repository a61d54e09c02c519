#!/bin/bash
# Runs CMD against two real Direwolf engines joined by a simulated 1200-baud radio link:
#   engine A (N0AAA, AGW port 18000) -ALSA file plugin-> a.tx -air.py-> b.rx -stdin-> engine B
#   engine B (N0BBB, AGW port 18001) -ALSA file plugin-> b.tx -air.py-> a.rx -stdin-> engine A
# Direwolf listens on every interface, so all of it runs in a private network namespace holding
# only "lo"; whatever starts here is stopped by its PID, and the run is bounded by TOTAL_LIMIT.
# Usage: run.sh CMD [ARGS...]; CMD sees AGW_PORT_A, AGW_PORT_B, E2E_OUT (a folder for logs) and
# E2E_RESTART (restart-engine.sh, which restarts engine "a" or "b").
# The exit status is CMD's, or 77 (skipped) without direwolf or network namespaces.
# DW_DEBUG goes to direwolf -d (e.g. "a" for AGW traffic).
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
TOTAL_LIMIT=${TOTAL_LIMIT:-240}

if [ "${PM_E2E_INSIDE:-}" != 1 ]; then
    command -v direwolf >/dev/null || { echo "SKIP: direwolf is not installed" >&2; exit 77; }
    NS=(unshare --net)
    [ "$(id -u)" = 0 ] || NS=(unshare --user --map-root-user --net)
    "${NS[@]}" -- true 2>/dev/null || { echo "SKIP: ${NS[*]} refused here" >&2; exit 77; }
    export PM_E2E_INSIDE=1
    exec timeout -k 5 "$TOTAL_LIMIT" "${NS[@]}" -- "$BASH" "$0" "$@"
fi

unset PM_E2E_INSIDE
OUT=${E2E_OUT:-$(mktemp -d /tmp/pm-e2e.XXXXXX)}
export E2E_OUT=$OUT AGW_PORT_A=18000 AGW_PORT_B=18001 E2E_RESTART="$HERE/restart-engine.sh"
mkdir -p "$OUT"
WORK=$(mktemp -d /tmp/pm-e2e-work.XXXXXX)
export E2E_WORK=$WORK
PIDS=()
cleanup() {
    # An engine restarted by restart-engine.sh has a new PID.
    for f in "$WORK"/*.pid; do [ -f "$f" ] && PIDS+=("$(cat "$f")"); done
    # INT, on which direwolf flushes its log; whatever still runs 3 s later gets KILL.
    for pid in "${PIDS[@]}"; do kill -INT "$pid" 2>/dev/null; done
    for pid in "${PIDS[@]}"; do
        for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -KILL "$pid" 2>/dev/null
    done
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'echo "e2e: interrupted (the ${TOTAL_LIMIT}s limit?)" >&2; exit 124' TERM INT

# Direwolf must never start where it could listen on a real interface.
if [ "$(ip -o link show | wc -l)" != 1 ] || ! ip link set lo up; then
    echo "not alone in a private network namespace; direwolf is not started" >&2
    exit 3
fi
sed "s#@WORK@#$WORK#g" "$HERE/asound.conf.in" >"$WORK/asound.conf"
export ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:$WORK/asound.conf"
mkfifo "$WORK"/{a,b}.{tx,rx}
# Holding the receive FIFOs open read-write keeps every open() below from blocking.
exec 7<>"$WORK/a.rx" 8<>"$WORK/b.rx"
DBG=(${DW_DEBUG:+-d "$DW_DEBUG"})
for e in a b; do
    [ $e = a ] && to=b || to=a
    python3 "$HERE/air.py" "$WORK/$e.tx" "$WORK/$to.rx" 44100 7<&- 8<&- </dev/null \
        >"$OUT/air-$e.log" 2>&1 &
    PIDS+=($!)
    # "-": the receive audio comes on standard input
    stdbuf -oL -eL direwolf -t 0 "${DBG[@]}" -c "$HERE/dw-$e.conf" - 0<>"$WORK/$e.rx" 7<&- 8<&- \
        >"$OUT/direwolf-$e.log" 2>&1 &
    echo $! >"$WORK/$e.pid"
done
exec 7<&- 8<&-
ready() {
    grep -q "AGW client application 0 on port $AGW_PORT_A" "$OUT/direwolf-a.log" &&
        grep -q "AGW client application 0 on port $AGW_PORT_B" "$OUT/direwolf-b.log"
}
for _ in $(seq 100); do ready && break; sleep 0.1; done
ready || echo "e2e: the engines did not come up" >&2
rc=3
if ready; then
    # The command gets what is left of the budget, less time to clean up.
    timeout -k 3 $((TOTAL_LIMIT - SECONDS - 10)) "$@"
    rc=$?
    [ $rc = 77 ] && rc=1 # the command's own 77 is no skip
fi
if [ $rc != 0 ]; then
    echo "e2e: status $rc; the logs (in $OUT) end:" >&2
    tail -n 15 "$OUT"/direwolf-*.log >&2
fi
exit $rc
