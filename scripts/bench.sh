#!/usr/bin/env bash
# Frame times of the benchmark scenes, measured with quelmar-render in one run.
#
#   scripts/bench.sh [BENCH_FOLDER] [FRAMES]
#
# BENCH_FOLDER holds the scenes and their textures (default, or empty: the generated ones,
# written by quelmar-make-bench into build/bench-scenes on first use; scripts/bench-scenes.sh). For
# every scene it prints the median milliseconds per frame, Phong and Gouraud, at the scene's
# own window (viewport 640 x 480) and in full HD (a copy of the scene whose viewport is
# 1920 x 1080, drawn into a 1920 x 1080 window), with one thread and with one thread per core,
# and the speed-up of the second over the first.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ -n "${1:-}" ]; then
  bench="$1"
  if [ ! -d "$bench" ]; then
    echo "scripts/bench.sh: no benchmark folder at '$bench'." >&2
    exit 1
  fi
else
  bench="$("$root/scripts/bench-scenes.sh")"
fi
bench="$(cd "$bench" && pwd)"
scenes="knot teapot sphere-1k sphere-10k sphere-100k sphere-1m fill"
found=0
for scene in $scenes; do [ -f "$bench/$scene.txt" ] && found=1; done
if [ "$found" -eq 0 ]; then
  echo "scripts/bench.sh: '$bench' holds none of the benchmark scenes (sphere-1k.txt, knot.txt, ...)." >&2
  exit 1
fi
frames="${2:-20}"
render="$root/build/release/quelmar-render"
if [ ! -x "$render" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release -j2 --target quelmar-render
fi

# The full-HD copies live in a scratch folder beside links to the textures, which the scenes
# name by bare file name.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for file in "$bench"/*; do ln -s "$file" "$work/"; done

median() { "$render" -q -f "$frames" "$@" | sed -n 's/.*median \([0-9.]*\).*/\1/p'; }

cores=$(nproc)
printf '%-12s %-10s %-8s %10s %10s %8s\n' scene frame shading "1 thread" "$cores threads" speed-up
cd "$work"
for scene in $scenes; do
  [ -f "$scene.txt" ] || continue
  sed 's/^MAX: 640 480$/MAX: 1920 1080/' "$scene.txt" > "$scene-hd.txt"
  for frame in 680x520 1920x1080; do
    file="$scene.txt"; size=()
    [ "$frame" = 1920x1080 ] && { file="$scene-hd.txt"; size=(-s 1920x1080); }
    for shading in phong gouraud; do
      keys=(); [ "$shading" = gouraud ] && keys=(-k s)
      one=$(median "${size[@]}" "${keys[@]}" -j 1 "$file")
      all=$(median "${size[@]}" "${keys[@]}" -j "$cores" "$file")
      printf '%-12s %-10s %-8s %10s %10s %7.2fx\n' "$scene" "$frame" "$shading" "$one" "$all" \
        "$(awk -v a="$one" -v b="$all" 'BEGIN { print a / b }')"
    done
  done
done
