#!/bin/bash
# Stops engine E (a or b) of run.sh as a crash or an operator would, starts it again the way
# run.sh did, and returns once it takes AGW clients again. Usage: restart-engine.sh E
set -u
e=$1
HERE=$(cd "$(dirname "$0")" && pwd)
: "${E2E_WORK:?run it under run.sh}" "${E2E_OUT:?}"
pid=$(cat "$E2E_WORK/$e.pid")
kill -INT "$pid"
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -KILL "$pid" 2>/dev/null
log="$E2E_OUT/direwolf-$e-restarted.log"
stdbuf -oL -eL direwolf -t 0 -c "$HERE/dw-$e.conf" - 0<>"$E2E_WORK/$e.rx" >"$log" 2>&1 &
echo $! >"$E2E_WORK/$e.pid"
for _ in $(seq 100); do grep -q "AGW client application 0 on port" "$log" && exit 0; sleep 0.1; done
echo "engine $e did not come back" >&2
exit 1
