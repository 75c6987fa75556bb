#!/usr/bin/env bash
# Makes docs/window.png again: the real window (bench/windowshot.cpp) on the offscreen
# platform, with ImageMagick's wizard opened, five object and five background seeds
# pressed, lambda 10, "Ford-Fulkerson" run and "Hranovy detektor" ticked. Run it after the
# form changes. Needs ImageMagick; builds into build/ (or $SEG_BUILD) in Release.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SEG_BUILD:-$root/build}
if command -v magick >/dev/null; then
  convert=(magick)
elif command -v convert >/dev/null; then
  convert=(convert)
else
  echo "window.sh: ImageMagick is needed (Debian: apt-get install imagemagick)" >&2
  exit 1
fi
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target windowshot >/dev/null

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# 270 x 360: the whole photograph in the scroll area of a window of the form's size, with
# the 9-point font of the Windows desktop the program is made for (the offscreen
# platform's 12 points cut "Lambda:" and widen the side panel).
"${convert[@]}" wizard: -resize 270x "$tmp/wizard.png"
QT_QPA_PLATFORM=offscreen "$build/bench/windowshot" "$tmp/wizard.png" "$tmp/window.png" \
  --font-points 9 --method ff --lambda 10 --edges on \
  --object 90,200 --object 100,250 --object 75,150 --object 120,220 --object 95,300 \
  --background 5,5 --background 260,5 --background 5,350 --background 260,350 \
  --background 200,40 >/dev/null
mv "$tmp/window.png" "$root/docs/window.png"
echo "docs/window.png made"
