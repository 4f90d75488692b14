#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (build/fuzz) and fuzzes each one for a
# bounded time, starting from its checked-in corpus fuzz/corpus/<target>. A crash, a leak,
# undefined behaviour, a run longer than 5 seconds or more than 2 GB of memory fails the
# target; its input is kept in build/fuzz/artifacts.
#
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
#   default: 60 seconds for each of scene_parser, tga_decode, render_frame and import_reply.
# New inputs found along the way go to build/fuzz/corpus/<target>, never into fuzz/corpus:
# copy an input there (and add a regression test) only when it found a bug.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(scene_parser tga_decode render_frame import_reply)

scripts/install-deps.sh
build=build/fuzz
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DQUELMAR_FUZZ=ON \
      -DQUELMAR_BUILD_TESTS=OFF -DQUELMAR_BUILD_VIEWER=OFF >/dev/null
cmake --build "$build" -j 2 --target quelmar_fuzzers

# Longest input per target. Scenes up to 64 KB parse in well under a millisecond. The drawing
# target gets far less: every triangle may cover the whole window, and with the fuzzing
# instrumentation a full-window triangle costs about 8 ms in the two frames, so 2 KB (at most
# some 300 triangles) keeps every run well inside the 5-second limit.
# A reply of 64 KB holds some two thousand vertices, cut as one polygon in well under a second.
declare -A maxLength=([scene_parser]=65536 [tga_decode]=16384 [render_frame]=2048 [import_reply]=65536)
declare -A dictionary=([scene_parser]=fuzz/scene.dict [render_frame]=fuzz/scene.dict)

artifacts=$root/$build/artifacts
mkdir -p "$artifacts"
passed=0
failed=0
for target in "${targets[@]}"; do
    work=$root/$build/corpus/$target
    rm -rf "$work"
    mkdir -p "$work"
    options=(-max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -max_len="${maxLength[$target]}"
             -artifact_prefix="$artifacts/$target-" -print_final_stats=1)
    [ -z "${dictionary[$target]:-}" ] || options+=(-dict="$root/${dictionary[$target]}")
    echo "== fuzz_$target: $seconds s"
    if "$build/fuzz/fuzz_$target" "${options[@]}" "$work" "$root/fuzz/corpus/$target" 2>"$build/$target.log"; then
        passed=$((passed + 1))
        grep -E "^(Done|stat::number_of_executed_units|stat::peak_rss_mb)" "$build/$target.log" || true
    else
        failed=$((failed + 1))
        tail -n 60 "$build/$target.log"
        echo "fuzz_$target FAILED: the input is in $artifacts"
    fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
