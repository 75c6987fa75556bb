#!/usr/bin/env bash
# Installs the Debian packages that building, testing and benchmarking need, and any named
# as arguments, when missing. help2man makes the man pages from the programs' --help, and
# rsvg-convert the icon's PNG sizes; without them the build installs the kept man pages
# and the SVG icon alone.
set -euo pipefail

packages=(cmake g++ make qtbase5-dev qtbase5-dev-tools libboost-graph-dev help2man librsvg2-bin "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
