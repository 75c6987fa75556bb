#!/usr/bin/env bash
# Installs what is missing, builds both programs (Release) and starts the window.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)" --target segmentacia segmentacia-cli
exec build/segmentacia "$@"
