#!/usr/bin/env bash
# A line arrives while the operator types into another program (an xterm) under a real window
# manager: the station must come to the top of the stacking order, the xterm must keep the
# keyboard, and nothing typed there may reach the engine. Exits 77 (skipped) only when the tools
# are not installed.
set -u
driver=$1
for tool in Xvfb openbox xterm xdotool xprop; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
work=$(mktemp -d)
pids=()
trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done; rm -rf "$work"' EXIT
fail() { echo "FAIL $*"; exit 1; }
# Polls until the command succeeds, for at most 30 s: a loaded machine is slow to map windows.
until_ok() { for _ in $(seq 300); do "$@" && return 0; sleep 0.1; done; return 1; }

exec 3< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r _ xvfb <&3
pids+=("$xvfb")
read -r display <&3 || fail "Xvfb did not start"
# No session bus: the station's desktop notices must not reach the desktop of whoever runs this.
export DISPLAY=":$display" QT_QPA_PLATFORM=xcb DBUS_SESSION_BUS_ADDRESS="unix:path=$work/none"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
until_ok sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
    fail "the window manager did not start"

coproc station { "$driver"; }
pids+=("$station_PID")
ask() { # a command to the station, and its answer when it gives one
    echo "$1" >&"${station[1]}"
    [ $# -lt 2 ] || read -r -t 30 "$2" <&"${station[0]}" || fail "no answer to $1"
}
read -r -t 30 ready <&"${station[0]}" && [ "$ready" = ready ] || fail "the station did not start"
ask "action mnuMoveToFront" # the driver starts with it off; the station's default is on
ask window reply
station_window=$(printf '0x%x' "${reply#window }")
ask "connect N0BBB"
ask sent before

xterm -T typing-here -e sh -c 'cat >"$0"' "$work/typed" &
pids+=($!)
xterm_window=$(xdotool search --sync --name '^typing-here$' | head -n1)
xdotool windowactivate --sync "$xterm_window"
active() { [ "$(xdotool getactivewindow)" = "$((xterm_window))" ]; }
# The window on top of the stacking order, as the window manager lists it.
top() { xprop -root _NET_CLIENT_LIST_STACKING | awk '{print $NF}'; }
until_ok active || fail "the xterm did not get the keyboard"
until_ok test "$(top)" != "$station_window" || fail "the xterm is not above the station"

ask "line N0BBB hello, are you there?"
ask sent _ # the line has been taken
until_ok test "$(top)" = "$station_window" || fail "the station did not come to the top: $(top)"
active || fail "the line took the keyboard from the xterm"
xdotool type --delay 30 "ls -la" && xdotool key Return
until_ok grep -q "ls -la" "$work/typed"
typed=$(cat "$work/typed")
ask sent after
[ "$after" = "$before" ] || fail "keys typed into the xterm went to the engine: ${after#sent }"
[ "$typed" = "ls -la" ] || fail "the xterm did not get what was typed: '$typed'"
active || fail "the xterm lost the keyboard"
echo "ok   the station came to the top, and the xterm kept the keyboard and what was typed"
ask quit
