#!/bin/bash
# Runs CMD against real Direwolf engines on a simulated 1200-baud radio channel: engine X (N0XXX,
# AGW port 18000 on) transmits through the ALSA file plugin into X.tx; air.py feeds X.rx, its
# receive audio on standard input, with what X hears. A and B hear each other (dw-*.conf).
# --three: engine C (N0CCC) hears only B, which relays what is sent through N0BBB (digi-*.conf).
# --kiss: engine A is also a KISS TNC, over TCP (KISS_PORT_A) and on a pseudo-terminal (KISS_PTY)
# (kiss-a.conf). E2E_CONF=NAME takes NAME-*.conf instead (bench-*.conf, for bench/kiss-air).
# AIR_DROP=N loses about one transmission in N, whole; AIR_SEED (1) fixes which, so a run can be
# repeated. air.log in E2E_OUT lists each loss.
# Direwolf listens on every interface, so all of it runs in a private network namespace holding
# only "lo"; whatever starts here is stopped by its PID, and the run is bounded by TOTAL_LIMIT.
# CMD sees AGW_PORT_A/B(/C) and E2E_OUT (logs). Exit: CMD's, or 77 (skipped) without direwolf or
# network namespaces.
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
TOTAL_LIMIT=${TOTAL_LIMIT:-240}
start() { # engine $1 logging to $2; "-": its receive audio comes on standard input
    local pty=()
    [ "$1" = a ] && [ -n "${KISS_PTY:-}" ] && pty=(-p)
    stdbuf -oL -eL direwolf -t 0 "${pty[@]}" -c "$WORK/$1.conf" - 0<>"$WORK/$1.rx" >"$2" 2>&1 &
    PIDS+=($!)
}
stop() { # INT, on which direwolf flushes its log; whatever still runs 3 s later gets KILL
    for pid; do kill -INT "$pid" 2>/dev/null; done
    for pid; do
        for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -KILL "$pid" 2>/dev/null
    done
}
up() { grep -q "AGW client application 0 on port $2" "$1"; }
await() { for _ in $(seq 100); do "$@" && return 0; sleep 0.1; done; "$@"; }
fail() { echo "e2e: $1" >&2; exit "$2"; }

if [ "${PM_E2E_INSIDE:-}" != 1 ]; then
    command -v direwolf >/dev/null || fail "SKIP: direwolf is not installed" 77
    NS=(unshare --net)
    [ "$(id -u)" = 0 ] || NS=(unshare --user --map-root-user --net)
    "${NS[@]}" -- true 2>/dev/null || fail "SKIP: ${NS[*]} refused here" 77
    PM_E2E_INSIDE=1 exec timeout -k 5 "$TOTAL_LIMIT" "${NS[@]}" -- "$BASH" "$0" "$@"
fi

unset PM_E2E_INSIDE
ENGINES=(a b) HEARS=(a=b b=a) CONF=dw
[ "${1:-}" = --three ] && shift && ENGINES=(a b c) HEARS=(a=b b=a,c c=b) CONF=digi
# Direwolf names its pseudo-terminal /tmp/kisstnc, whoever else runs; KISS_PTY set empty: none,
# so that runs can go side by side.
[ "${1:-}" = --kiss ] && shift && CONF=kiss &&
    export KISS_PORT_A=18010 KISS_PTY=${KISS_PTY-/tmp/kisstnc}
CONF=${E2E_CONF:-$CONF}
OUT=${E2E_OUT:-$(mktemp -d /tmp/pm-e2e.XXXXXX)}
WORK=$(mktemp -d /tmp/pm-e2e-work.XXXXXX)
export E2E_OUT=$OUT AGW_PORT_A=18000 AGW_PORT_B=18001
[ ${#ENGINES[@]} = 3 ] && export AGW_PORT_C=18002
mkdir -p "$OUT"
PIDS=()
cleanup() { # on failure, the ends of the logs
    local rc=$?
    [ $rc = 0 ] ||
        { echo "e2e: status $rc; the logs (in $OUT) end:"; tail -n 15 "$OUT"/direwolf-*.log; } >&2
    stop "${PIDS[@]}"
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'fail "interrupted (the ${TOTAL_LIMIT}s limit?)" 124' TERM INT

# Direwolf must never start where it could listen on a real interface.
[ "$(ip -o link show | wc -l)" = 1 ] && ip link set lo up ||
    fail "not alone in a private network namespace; direwolf is not started" 3
sed "s#@WORK@#$WORK#g" "$HERE/asound.conf.in" >"$WORK/asound.conf"
export ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:$WORK/asound.conf"
for e in "${ENGINES[@]}"; do
    mkfifo "$WORK/$e".{tx,rx}
    conf="$HERE/$CONF-$e.conf"
    [ -f "$conf" ] || conf="$HERE/dw-$e.conf"
    ln -s "$conf" "$WORK/$e.conf"
done
# It opens no FIFO in a way that blocks; an engine's opening its transmit FIFO waits for it.
python3 "$HERE/air.py" ${AIR_DROP:+--drop="$AIR_DROP" --seed="${AIR_SEED:-1}"} "$WORK" 44100 \
    "${HEARS[@]}" </dev/null >"$OUT/air.log" 2>&1 &
PIDS+=($!)
for e in "${ENGINES[@]}"; do start $e "$OUT/direwolf-$e.log"; done
port=18000
for e in "${ENGINES[@]}"; do
    await up "$OUT/direwolf-$e.log" $((port++)) || fail "engine $e did not come up" 3
done
[ -z "${KISS_PTY:-}" ] || await test -e "$KISS_PTY" || fail "no KISS pseudo-terminal" 3
# The command gets what is left of the budget, less time to clean up.
timeout -k 3 $((TOTAL_LIMIT - SECONDS - 10)) "$@"
rc=$?
exit $((rc == 77 ? 1 : rc)) # the command's own 77 is no skip
