#!/usr/bin/env bash
# Frame times side by side: quelmar-render against the same scenes drawn with OpenGL
# (quelmar-gl-bench) on Mesa's llvmpipe, the software OpenGL, at 1920x1080, interleaved in one
# run of ROUNDS rounds of FRAMES frames. One line per case with both medians (the median over
# the rounds of each round's median frame time, in ms) and the ratio llvmpipe / Quelmar (above
# 1: Quelmar is faster), then the geometric mean of the ratios.
#
#   scripts/compare-gl.sh [THREADS] [ROUNDS] [FRAMES]
#
# THREADS (default: one per core) is given to both: quelmar-render -j and LP_NUM_THREADS.
# The scenes are the generated ones (scripts/bench-scenes.sh). quelmar-gl-bench needs the EGL
# and OpenGL development files when it is built and Mesa's drivers when it runs (Debian:
# libegl-dev libgl-dev libegl-mesa0 libgl1-mesa-dri).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
threads="${1:-$(nproc)}"; rounds="${2:-3}"; frames="${3:-30}"
render="$root/build/release/quelmar-render"
gl="$root/build/release/quelmar-gl-bench"
if [ ! -x "$render" ] || [ ! -x "$gl" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release -j2 --target quelmar-render quelmar-gl-bench >&2 || true
fi
if [ ! -x "$gl" ]; then
  echo "scripts/compare-gl.sh: quelmar-gl-bench was not built (no EGL/OpenGL development files?)." >&2
  echo "Install them (Debian: apt-get install libegl-dev libgl-dev libegl-mesa0 libgl1-mesa-dri) and" >&2
  echo "run cmake --preset release again." >&2
  exit 1
fi
bench="$("$root/scripts/bench-scenes.sh")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for file in "$bench"/*; do ln -s "$file" "$work/"; done
cd "$work"
cases="sphere-1k sphere-10k sphere-100k sphere-1m knot fill"
for c in $cases; do sed 's/^MAX: 640 480$/MAX: 1920 1080/' "$c.txt" > "$c-hd.txt"; done

median_of() { sed -n 's/.*median \([0-9.]*\).*/\1/p'; }
declare -A Q G
for round in $(seq "$rounds"); do
  for c in $cases; do
    q=$("$render" -q -j "$threads" -s 1920x1080 -f "$frames" "$c-hd.txt" | median_of)
    g=$(LP_NUM_THREADS="$threads" "$gl" -s 1920x1080 -f "$frames" "$c-hd.txt" | median_of)
    Q[$c]="${Q[$c]:-} $q"; G[$c]="${G[$c]:-} $g"
  done
done
med() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
printf '%-12s %12s %12s %8s\n' case quelmar_ms llvmpipe_ms ratio
product=1; n=0
for c in $cases; do
  q=$(echo ${Q[$c]} | med); g=$(echo ${G[$c]} | med)
  ratio=$(awk -v q="$q" -v g="$g" 'BEGIN {printf "%.2f", (q > 0) ? g / q : 0}')
  printf '%-12s %12s %12s %8s\n' "$c" "$q" "$g" "$ratio"
  product=$(awk -v p="$product" -v r="$ratio" 'BEGIN {print p * r}'); n=$((n + 1))
done
awk -v p="$product" -v n="$n" -v t="$threads" \
  'BEGIN {printf "geometric mean llvmpipe/quelmar at 1920x1080, %s thread(s): %.2f\n", t, p ^ (1 / n)}'
