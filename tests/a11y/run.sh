#!/usr/bin/env bash
# Runs check_a11y.py against the station on a virtual display, with a private session bus and
# the accessibility bus on it. Exits 77 (skipped) only when those tools are not installed.
set -u
driver=$1 script=$2
launcher=$(ls /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher 2>/dev/null | head -n1)
for tool in Xvfb dbus-run-session /usr/bin/python3 "$launcher"; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "skipped: no pyatspi"; exit 77; }

exec 3< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null &
    echo "pid $!")
read -r _ xvfb <&3
read -r display <&3 || { echo "Xvfb did not start"; exit 1; }
trap 'kill "$xvfb" 2>/dev/null' EXIT
export DISPLAY=":$display" QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
export LAUNCHER=$launcher
dbus-run-session -- bash -c '"$LAUNCHER" --launch-immediately & sleep_pid=$!
    /usr/bin/python3 "$0" "$1"; rc=$?; kill $sleep_pid 2>/dev/null; exit $rc' "$script" "$driver"
