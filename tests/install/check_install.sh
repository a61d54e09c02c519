#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a desktop needs:
# the program, its launcher, the menu entry and the icon, and that the
# launcher starts the program in a folder of its own.
set -euo pipefail
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null
for f in bin/packet-monitor bin/packet-monitor-launcher share/applications/packet-monitor.desktop \
         share/icons/hicolor/scalable/apps/packet-monitor.svg; do
    [ -e "$prefix/$f" ] || { echo "missing after install: $f"; exit 1; }
done
grep -q '^Exec=packet-monitor-launcher' "$prefix/share/applications/packet-monitor.desktop" ||
    { echo "desktop entry does not start the launcher"; exit 1; }
# The launcher with a stand-in program that reports where it was started.
printf '#!/bin/sh\npwd\n' >"$prefix/bin/packet-monitor"
where=$(XDG_DATA_HOME="$prefix/data" "$prefix/bin/packet-monitor-launcher")
[ "$where" = "$prefix/data/packet-monitor" ] || { echo "launcher started in $where"; exit 1; }
