#!/usr/bin/env bash
# Frame times of the benchmark scenes, measured with quelmar-render in one run.
#
#   scripts/bench.sh [BENCH_FOLDER] [FRAMES]
#
# BENCH_FOLDER holds the scenes and their textures (default: ../shared/bench beside the
# project). Prints the median milliseconds per frame for Phong and Gouraud shading at the
# scenes' own window size and at 1920x1080, with 1 thread and with one per core.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bench="$(cd "${1:-$root/../shared/bench}" && pwd)"
frames="${2:-20}"
render="$root/build/release/quelmar-render"
[ -x "$render" ] || { cmake --preset release >/dev/null && cmake --build --preset release -j2 --target quelmar-render; }

median() { "$render" -q -f "$frames" "$@" | sed -n 's/.*median \([0-9.]*\).*/\1/p'; }

cores=$(nproc)
printf '%-16s %-10s %-8s %12s %12s\n' scene size shading "1 thread" "$cores threads"
cd "$bench"
for scene in teapot sphere-1k sphere-10k sphere-100k; do
  [ -f "$scene.txt" ] || continue
  for size in default 1920x1080; do
    sizeArgs=(); [ "$size" = default ] || sizeArgs=(-s "$size")
    for shading in phong gouraud; do
      keys=(); [ "$shading" = gouraud ] && keys=(-k s)
      one=$(median "${sizeArgs[@]}" "${keys[@]}" -j 1 "$scene.txt")
      all=$(median "${sizeArgs[@]}" "${keys[@]}" -j "$cores" "$scene.txt")
      printf '%-16s %-10s %-8s %12s %12s\n' "$scene" "$size" "$shading" "$one" "$all"
    done
  done
done
