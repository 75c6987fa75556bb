#!/usr/bin/env bash
# Builds the benchmark (Release), makes the photographs from ImageMagick's built-in
# images at about 0.25, 1 and 4 megapixels, and runs it on them and on generated images
# of the same sizes. Extra arguments go to segbench (see segbench --help), e.g.
#   bench/run.sh --budget 30 --lambda 10
# SEG_BENCH_SIDES picks other square sides (default "512 1024 2048"); SEG_BENCH_BUILD the
# build folder (default build-bench).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${SEG_BENCH_BUILD:-build-bench}
sides=${SEG_BENCH_SIDES:-"512 1024 2048"}

command -v convert >/dev/null || { echo "bench/run.sh: ImageMagick's convert is needed" >&2; exit 2; }
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target segbench segmentacia-cli

photos=$(mktemp -d)
trap 'rm -rf "$photos"' EXIT
megapixels=()
for s in $sides; do
  for name in rose logo wizard; do
    convert "$name:" -resize "${s}x${s}!" "$photos/$name-$s.png"
  done
  megapixels+=("$(awk -v s="$s" 'BEGIN { print s * s / 1048576 }')")
done
list=$(IFS=,; echo "${megapixels[*]}")

echo "machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name:[[:space:]]*//p')" >&2
images=()
for s in $sides; do
  for name in rose logo wizard; do images+=("$photos/$name-$s.png"); done
done
"$build/bench/segbench" --generate "$list" "${images[@]}" "$@"
