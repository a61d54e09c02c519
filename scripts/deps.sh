#!/usr/bin/env bash
# Installs the Debian packages named on the command line that are missing.
# Sourced or run by the other scripts; uses sudo when not root.
set -euo pipefail
missing=()
for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=()
[ "$(id -u)" -ne 0 ] && SUDO=(sudo)
echo "Installing: ${missing[*]}"
"${SUDO[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
