#!/usr/bin/env bash
# Builds the benchmark (Release), makes the photographs from ImageMagick's built-in
# images at about 0.25, 1 and 4 megapixels, and runs it on them and on generated images
# of the same sizes, with both seed sets. Extra arguments go to segbench (see segbench
# --help), e.g.
#   bench/run.sh --budget 30 --lambda 10
# SEG_BENCH_SIDES picks other square sides (default "512 1024 2048"; "1024 2048 4096"
# reaches 16 megapixels, where segbench leaves Boost.Graph out); SEG_BENCH_SEEDS the seed
# sets of both programs (diag, axes or both, the default); SEG_BENCH_BUILD the build
# folder (default build-bench).
#   bench/run.sh --window [windowbench options]
# times the window instead, from the menu action to the drawn result, beside the command
# line (see windowbench --help): on the offscreen platform and, where xvfb-run is
# installed, under an X server.
#   bench/run.sh --stages [segstages options]
# times construction and drawing in nanoseconds a pixel instead, from the command line's
# stage seconds in fresh processes, on the rose at 1, 16 and 67 megapixels (the size
# limit); SEG_BENCH_SIDES picks other sides (default "1024 4096 8192").
set -euo pipefail
cd "$(dirname "$0")/.."
build=${SEG_BENCH_BUILD:-build-bench}
sides=${SEG_BENCH_SIDES:-"512 1024 2048"}
seeds=${SEG_BENCH_SEEDS:-both}
window=false
stages=false
if [[ ${1:-} == --window ]]; then
  window=true
  shift
elif [[ ${1:-} == --stages ]]; then
  stages=true
  sides=${SEG_BENCH_SIDES:-"1024 4096 8192"}
  shift
fi

# Benchmark-only packages: ImageMagick for the photographs, Kolmogorov's max-flow for the
# yardstick.
missing=()
for p in imagemagick libmaxflow-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  as_root=()
  [ "$(id -u)" -ne 0 ] && as_root=(sudo)
  echo "Installing: ${missing[*]}" >&2
  "${as_root[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
scripts/deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
if $window; then
  cmake --build "$build" -j"$(nproc)" --target windowbench segmentacia-cli
elif $stages; then
  cmake --build "$build" -j"$(nproc)" --target segstages segmentacia-cli
else
  cmake --build "$build" -j"$(nproc)" --target segbench segcorecpu segmentacia-cli
fi

photos=$(mktemp -d)
trap 'rm -rf "$photos"' EXIT
if $stages; then
  roses=()
  for s in $sides; do
    /usr/bin/convert rose: -resize "${s}x${s}!" "$photos/rose-$s.png"
    roses+=("$photos/rose-$s.png")
  done
  echo "machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name:[[:space:]]*//p')" >&2
  "$build/bench/segstages" "$@" "${roses[@]}"
  exit
fi
megapixels=()
for s in $sides; do
  for name in rose logo wizard; do
    /usr/bin/convert "$name:" -resize "${s}x${s}!" "$photos/$name-$s.png"
  done
  megapixels+=("$(awk -v s="$s" 'BEGIN { print s * s / 1048576 }')")
done
list=$(IFS=,; echo "${megapixels[*]}")

echo "machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name:[[:space:]]*//p')" >&2
images=()
for s in $sides; do
  for name in rose logo wizard; do images+=("$photos/$name-$s.png"); done
done
if $window; then
  status=0
  QT_QPA_PLATFORM=offscreen "$build/bench/windowbench" "$@" "${images[@]}" || status=$?
  if command -v xvfb-run >/dev/null; then
    xvfb-run -a -s "-screen 0 1920x1080x24" env QT_QPA_PLATFORM=xcb \
      "$build/bench/windowbench" "$@" "${images[@]}" || status=$?
  else
    echo "bench/run.sh: xvfb-run is not installed: no figures under an X server" >&2
  fi
  exit "$status"
fi
"$build/bench/segbench" --generate "$list" --seeds "$seeds" "${images[@]}" "$@"
# The cores once more in CPU time, steady where other work shares the machine, each in a
# fresh process.
if [ -x "$build/bench/segcorecpu" ]; then
  "$build/bench/segcorecpu" --seeds "$seeds" "${images[@]}"
fi
