#!/bin/bash
# Checks yapp_peer.py against itself over two real Direwolf engines (run.sh): a sender on one
# engine, a receiver on the other, moving a 4 KiB file that holds every byte value; plain YAPP,
# YAPP-C, a refusal, a cancel from either end and a resume. Each case prints its time; the exit
# status is the number of failed checks. Usage: yapp_peer_selfcheck.sh [CASE...]
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
if [ -z "${AGW_PORT_A:-}" ]; then
    TOTAL_LIMIT=${TOTAL_LIMIT:-600} exec "$HERE/run.sh" "$0" "$@"
fi
PEER=(nice -n 10 python3 "$HERE/yapp_peer.py" --timeout 60)
DIR=$(mktemp -d /tmp/yapp-selfcheck.XXXXXX)
trap 'rm -rf "$DIR"' EXIT
SRC="$DIR/every-byte.bin"
# Each 256-byte block is another order of all byte values: a block lost, doubled or shifted
# cannot go unnoticed.
python3 -c 'import random, sys
r = random.Random(7)
blocks = [r.sample(range(256), 256) for _ in range(16)]
sys.stdout.buffer.write(bytes(b for block in blocks for b in block))' >"$SRC"
touch -d "2001-02-03 04:05:06" "$SRC"
SHA=$(sha256sum "$SRC" | cut -d' ' -f1)
FAILS=0

# run CASE WAITER_ENGINE "WAITER OPTIONS" "CALLER OPTIONS": the waiter registers first on its
# engine (A: N0AAA, B: N0BBB), the caller on the other engine calls it. Each side's JSON line goes
# to $DIR/CASE.SIDE, its status to $DIR/CASE.SIDE.rc, its log to $E2E_OUT/yapp-CASE-SIDE.log.
run() {
    local name=$1 w=$2 wport=$AGW_PORT_A wcall=N0AAA cport=$AGW_PORT_B ccall=N0BBB start=$SECONDS
    [ "$w" = b ] && wport=$AGW_PORT_B wcall=N0BBB cport=$AGW_PORT_A ccall=N0AAA
    mkdir -p "$DIR/$name"
    "${PEER[@]}" --agw-port "$wport" --call $wcall --peer $ccall $3 >"$DIR/$name.waiter" \
        2>"$E2E_OUT/yapp-$name-waiter.log" &
    local waiter=$!
    for _ in $(seq 50); do
        grep -q awaiting "$E2E_OUT/yapp-$name-waiter.log" && break
        sleep 0.1
    done
    "${PEER[@]}" --agw-port "$cport" --call $ccall --peer $wcall --connect $4 >"$DIR/$name.caller" \
        2>"$E2E_OUT/yapp-$name-caller.log"
    echo "$?" >"$DIR/$name.caller.rc"
    wait "$waiter"
    echo "$?" >"$DIR/$name.waiter.rc"
    echo "== $name: $((SECONDS - start)) s"
    echo "   waiter: $(cat "$DIR/$name.waiter") status $(cat "$DIR/$name.waiter.rc")"
    echo "   caller: $(cat "$DIR/$name.caller") status $(cat "$DIR/$name.caller.rc")"
}
# check CASE SIDE KEY VALUE: one field of that side's JSON line (status: its exit status).
check() {
    local got
    if [ "$3" = status ]; then got=$(cat "$DIR/$1.$2.rc")
    else got=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))[sys.argv[2]])' \
        "$DIR/$1.$2" "$3" 2>&1)
    fi
    [ "$got" = "$4" ] || { echo "   FAILED: $1 $2 $3 is '$got', not '$4'"; FAILS=$((FAILS + 1)); }
}
prefix_sha() { head -c "$1" "$SRC" | sha256sum | cut -d' ' -f1; }
same_file() {
    cmp -s "$SRC" "$1" || { echo "   FAILED: $1 differs from the source"; FAILS=$((FAILS + 1)); }
}
CASES=("$@")
want() { [ ${#CASES[@]} = 0 ] || [[ " ${CASES[*]} " == *" $1 "* ]]; }

if want plain; then # an undated header gets RF, even from a receiver able to check sums
    run plain a "--receive $DIR/plain --checksums" "--send $SRC"
    for side in waiter caller; do
        check plain $side status 0; check plain $side bytes 4096; check plain $side sha256 "$SHA"
        check plain $side checksums False
    done
    check plain waiter result received; same_file "$DIR/plain/every-byte.bin"
fi
if want yappc; then # roles swapped; 200-byte blocks; the date travels
    run yappc b "--send $SRC --dated --block 200" "--receive $DIR/yappc --checksums"
    for side in waiter caller; do
        check yappc $side status 0; check yappc $side bytes 4096; check yappc $side sha256 "$SHA"
        check yappc $side checksums True
    done
    same_file "$DIR/yappc/every-byte.bin"
    [ "$(date -r "$DIR/yappc/every-byte.bin" +%s)" = "$(date -r "$SRC" +%s)" ] ||
        { echo "   FAILED: the date did not travel"; FAILS=$((FAILS + 1)); }
fi
if want refused; then
    run refused b "--receive $DIR/refused --refuse --reason no-room" "--send $SRC --expect refused"
    for side in waiter caller; do
        check refused $side status 0; check refused $side result refused
        check refused $side reason no-room; check refused $side bytes 0
    done
fi
if want cancel-sender; then
    run cancel-sender b "--receive $DIR/cancel-sender --expect cancelled" \
        "--send $SRC --cancel-after 1000 --reason stop"
    for side in waiter caller; do
        check cancel-sender $side status 0; check cancel-sender $side result cancelled
        check cancel-sender $side reason stop; check cancel-sender $side bytes 1000
    done
    check cancel-sender waiter sha256 "$(prefix_sha 1000)" # what came before the cancel
fi
if want cancel-receiver; then
    run cancel-receiver b "--receive $DIR/cancel-receiver --cancel-after 1 --reason enough" \
        "--send $SRC --expect cancelled"
    for side in waiter caller; do
        check cancel-receiver $side status 0; check cancel-receiver $side result cancelled
        check cancel-receiver $side reason enough
    done
    check cancel-receiver waiter bytes 256 # it cancels on the first DT
    check cancel-receiver waiter sha256 "$(prefix_sha 256)"
fi
if want resume; then # the receiver holds 1500 bytes and asks for the rest, with checksums
    run resume b "--receive $DIR/resume --checksums --resume-from 1500 --resume-file $SRC" \
        "--send $SRC --dated"
    for side in waiter caller; do
        check resume $side status 0; check resume $side bytes 2596; check resume $side sha256 "$SHA"
        check resume $side checksums True
    done
    same_file "$DIR/resume/every-byte.bin"
fi
echo "yapp_peer self-check: $FAILS failed checks"
exit $((FAILS > 100 ? 100 : FAILS))
