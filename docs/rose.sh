#!/usr/bin/env bash
# Makes docs/rose-example.png and docs/rose-scribble.png again by running the README's rose
# example (the indented lines after its "rose example" mark) with the command line built in
# build/ (or $SEG_BUILD), then setting the photograph with the scribble over it beside the
# cut-out on a checkerboard. Needs ImageMagick.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SEG_BUILD:-$root/build}
command -v convert >/dev/null || {
  echo "rose.sh: ImageMagick is needed (Debian: apt-get install imagemagick)" >&2; exit 1; }
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target segmentacia-cli >/dev/null

example=$(awk '/<!-- rose example/ { on = 1; next }
               on && /^    / { print substr($0, 5); code = 1; next }
               on && code { exit }' "$root/README.md")
[ -n "$example" ] || { echo "rose.sh: no rose example in README.md" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
(cd "$tmp" && PATH="$build/tools:$PATH" bash -euo pipefail -c "$example")

convert "$tmp/rose.png" "$tmp/scribble.png" -composite -resize 320x320 "$tmp/left.png"
convert -size 512x512 pattern:checkerboard -fill '#ffffff80' -colorize 50 \
  "$tmp/rose-cut.png" -composite -resize 320x320 "$tmp/right.png"
convert "$tmp/left.png" \( -size 12x320 xc:white \) "$tmp/right.png" +append -strip \
  -colors 256 PNG8:"$root/docs/rose-example.png"
cp "$tmp/scribble.png" "$root/docs/rose-scribble.png"
echo "docs/rose-example.png and docs/rose-scribble.png made"
