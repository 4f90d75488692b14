#!/usr/bin/env bash
# Prints the folder of the benchmark scenes, writing them first with quelmar-make-bench (and
# building it) when the folder does not hold them yet: build/bench-scenes by default.
#
#   scripts/bench-scenes.sh [FOLDER]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
folder="${1:-$root/build/bench-scenes}"
if [ ! -f "$folder/sphere-1m.txt" ] || [ ! -f "$folder/fill.txt" ]; then
  make_bench="$root/build/release/quelmar-make-bench"
  if [ ! -x "$make_bench" ]; then
    cmake --preset release >/dev/null
    cmake --build --preset release -j2 --target quelmar-make-bench >&2
  fi
  "$make_bench" "$folder"
fi
cd "$folder" && pwd
