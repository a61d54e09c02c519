#!/bin/bash
# Runs a command against two real Direwolf engines joined by a simulated 1200-baud radio link,
# with no sound card and no radio:
#
#   engine A (N0AAA, AGW port 18000) -ALSA file plugin-> a.tx -air.py-> b.rx -stdin-> engine B
#   engine B (N0BBB, AGW port 18001) -ALSA file plugin-> b.tx -air.py-> a.rx -stdin-> engine A
#
# Direwolf 1.6 listens on every interface, so all of it runs inside a private network namespace
# holding nothing but "lo". Whatever is started here is stopped by its PID on the way out, and the
# whole run is bounded by TOTAL_LIMIT.
#
# Usage:   tests/e2e/run.sh CMD [ARGS...]
#   CMD sees AGW_PORT_A, AGW_PORT_B (the two engines on 127.0.0.1) and E2E_OUT (a folder for its
#   logs). The exit status is CMD's; 77 means "cannot run here" (no direwolf, or network
#   namespaces not permitted) and is what CTest reports as skipped.
# Knobs:   TOTAL_LIMIT (seconds, default 240)   E2E_OUT (log folder, default a new one in /tmp)
#          DW_DEBUG (passed to direwolf -d, e.g. "a" for AGW traffic)
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
TOTAL_LIMIT=${TOTAL_LIMIT:-240}
SKIP=77

if [ "${PM_E2E_INSIDE:-}" != 1 ]; then
    if [ $# -eq 0 ]; then
        echo "usage: $0 CMD [ARGS...]" >&2
        exit 2
    fi
    if ! command -v direwolf >/dev/null; then
        echo "SKIP: direwolf is not installed (apt-get install direwolf)" >&2
        exit $SKIP
    fi
    for tool in unshare timeout stdbuf ip python3; do
        command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 2; }
    done
    if [ "$(id -u)" = 0 ]; then NS=(unshare --net); else NS=(unshare --user --map-root-user --net); fi
    if ! "${NS[@]}" -- true 2>/dev/null; then
        echo "SKIP: cannot create a private network namespace here (${NS[*]} refused)" >&2
        exit $SKIP
    fi
    export PM_E2E_INSIDE=1
    exec timeout -k 5 "$TOTAL_LIMIT" "${NS[@]}" -- "$BASH" "$0" "$@"
fi

# ------------------------------------------------------------------ inside the namespace
unset PM_E2E_INSIDE
OUT=${E2E_OUT:-$(mktemp -d /tmp/pm-e2e.XXXXXX)}
mkdir -p "$OUT"
export E2E_OUT=$OUT
WORK=$(mktemp -d /tmp/pm-e2e-work.XXXXXX)
PIDS=()
DW_A=
DW_B=

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
T0=$(now_ms)

cleanup() {
    local pid i
    # direwolf flushes its log and exits cleanly on INT; the rest get TERM
    for pid in "${PIDS[@]}"; do
        if [ "$pid" = "$DW_A" ] || [ "$pid" = "$DW_B" ]; then sig=INT; else sig=TERM; fi
        kill -0 "$pid" 2>/dev/null && kill -"$sig" "$pid" 2>/dev/null
    done
    for pid in "${PIDS[@]}"; do
        for i in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        if kill -0 "$pid" 2>/dev/null; then
            echo "pid $pid ignored the signal; killing it" >&2
            kill -KILL "$pid" 2>/dev/null
        fi
    done
    exec 7<&- 8<&- 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'echo "e2e: interrupted (time limit of ${TOTAL_LIMIT}s?)" >&2; exit 124' TERM INT

# Direwolf must never start where it could listen on a real interface.
# (/sys/class/net would still show the host's: sysfs is not remounted here.)
if [ "$(ip -o link show | wc -l)" != 1 ] || ! ip -o link show lo >/dev/null 2>&1; then
    echo "not inside a private network namespace; refusing to start direwolf" >&2
    exit 3
fi
ip link set lo up || { echo "cannot bring up lo in the namespace" >&2; exit 3; }

sed "s#@WORK@#$WORK#g" "$HERE/asound.conf.in" > "$WORK/asound.conf"
mkfifo "$WORK/a.tx" "$WORK/b.tx" "$WORK/a.rx" "$WORK/b.rx"
# Holding the receive FIFOs open read-write keeps every open() below from blocking.
exec 7<>"$WORK/a.rx" 8<>"$WORK/b.rx"
export ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:$WORK/asound.conf"

DBG=()
[ -n "${DW_DEBUG:-}" ] && DBG=(-d "$DW_DEBUG")
RATE=44100 # ARATE of both engine configurations

python3 "$HERE/air.py" "$WORK/a.tx" "$WORK/b.rx" "$RATE" 7<&- 8<&- </dev/null >"$OUT/air-ab.log" 2>&1 &
PIDS+=($!)
python3 "$HERE/air.py" "$WORK/b.tx" "$WORK/a.rx" "$RATE" 7<&- 8<&- </dev/null >"$OUT/air-ba.log" 2>&1 &
PIDS+=($!)
# "-": receive audio from standard input
stdbuf -oL -eL direwolf -t 0 "${DBG[@]}" -c "$HERE/dw-a.conf" - 0<>"$WORK/a.rx" 7<&- 8<&- \
    >"$OUT/direwolf-a.log" 2>&1 &
DW_A=$!
PIDS+=($DW_A)
stdbuf -oL -eL direwolf -t 0 "${DBG[@]}" -c "$HERE/dw-b.conf" - 0<>"$WORK/b.rx" 7<&- 8<&- \
    >"$OUT/direwolf-b.log" 2>&1 &
DW_B=$!
PIDS+=($DW_B)

export AGW_PORT_A=18000 AGW_PORT_B=18001
ready=0
for _ in $(seq 100); do
    if grep -q "Ready to accept AGW client application 0 on port $AGW_PORT_A" "$OUT/direwolf-a.log" 2>/dev/null &&
       grep -q "Ready to accept AGW client application 0 on port $AGW_PORT_B" "$OUT/direwolf-b.log" 2>/dev/null; then
        ready=1
        break
    fi
    for pid in "${PIDS[@]}"; do kill -0 "$pid" 2>/dev/null || break 2; done
    sleep 0.1
done
exec 7<&- 8<&-
if [ "$ready" != 1 ]; then
    echo "the engines did not come up; their logs:" >&2
    tail -n 20 "$OUT"/direwolf-*.log >&2
    exit 3
fi
echo "e2e: engines up after $(( $(now_ms) - T0 )) ms (pids $DW_A $DW_B), logs in $OUT"
ss -ltnup >"$OUT/listeners.txt" 2>&1

# The command gets what is left of the budget, minus time to clean up.
LIMIT=$(( TOTAL_LIMIT - ( $(now_ms) - T0 ) / 1000 - 10 ))
[ "$LIMIT" -lt 10 ] && LIMIT=10
T1=$(now_ms)
timeout -k 3 "$LIMIT" "$@" &
CL=$!
PIDS+=($CL)
wait "$CL"
rc=$?
echo "e2e: command finished after $(( $(now_ms) - T1 )) ms with status $rc"
[ "$rc" = 124 ] && echo "e2e: the command ran out of its ${LIMIT}s" >&2

for pid in "$DW_A" "$DW_B"; do
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "e2e: engine pid $pid died during the run" >&2
        [ "$rc" = 0 ] && rc=4
    fi
done
# A command's own 77 must not read as "skipped".
[ "$rc" = $SKIP ] && rc=1
if [ "$rc" != 0 ]; then
    echo "e2e: last lines of the engine logs (all of them in $OUT):" >&2
    tail -n 15 "$OUT"/direwolf-*.log >&2
fi
exit "$rc"
