#!/usr/bin/env bash
# Same bits everywhere: renders every reference scene (each case of
# tests/app/reference_images_test.cpp: its scene, keys and window size) and every benchmark scene
# (../shared/bench: Phong, Gouraud, normal mapping off, texturing off, each further camera, at
# the scene's own window) to PFM, with one thread and with two:
#   - by the native release build, once for each SIMD path it reports (QUELMAR_SIMD set to the
#     path), or with its default path when it reports none;
#   - by the same build with its default path on the C library's maths functions for x86-64
#     machines without FMA and AVX (glibc picks them at start-up by the processor; a tunable
#     makes it pick the older ones here), as such a machine would draw;
#   - by the arm64 cross build (preset arm64) under qemu-aarch64, once for each of its paths.
# Every file must equal, bit for bit, the SHA-256 kept in tests/determinism/expected.sha256.
# The arm64 build's tests run too, under the emulator.
#
# Usage: scripts/determinism.sh [--update] [--native-only]
#   --update       after an intended change of the pictures: render, check that every build,
#                  path and thread count agree, and rewrite the expected hashes (commit them
#                  with the reason for the change)
#   --native-only  leave out the arm64 build (quicker, for a local check)
# Where ../shared/bench is absent the benchmark scenes are skipped (and their hashes kept).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

update=0
arm64=1
for argument in "$@"; do
    case $argument in
        --update) update=1 ;;
        --native-only) arm64=0 ;;
        *) echo "usage: scripts/determinism.sh [--update] [--native-only]" >&2; exit 2 ;;
    esac
done

expected=$root/tests/determinism/expected.sha256
bench=$root/../shared/bench
out=$root/build/determinism
unset QUELMAR_SIMD  # the default path is the one the program picks itself

# ---- builds -----------------------------------------------------------------------------------
start=$SECONDS
if [ "$arm64" = 1 ]; then scripts/install-deps.sh --arm64; else scripts/install-deps.sh; fi
cmake --preset release >/dev/null
cmake --build --preset release -j 2 --target quelmar-render
native=("$root/build/release/quelmar-render")
if [ "$arm64" = 1 ]; then
    qemu=$(command -v qemu-aarch64-static || command -v qemu-aarch64)
    cmake --preset arm64 >/dev/null
    cmake --build --preset arm64 -j 2
    # A failed test is reported with the pictures below rather than stopping the check.
    if ctest --preset arm64 >build/arm64/ctest.log 2>&1; then armTests=passed; else armTests=failed; fi
    grep -A 1000 'tests passed' build/arm64/ctest.log
    arm=("$qemu" "$root/build/arm64/quelmar-render")
fi
echo "determinism: builds ready in $((SECONDS - start)) s"

# ---- no fused multiply-add --------------------------------------------------------------------
# The compilers may fuse a * b + c into one instruction, rounded once instead of twice, unless
# told not to; arm64's GCC does so by default. The project's libraries must contain none, in
# either build, whatever the SIMD paths use.
failures=()
[ "${armTests:-passed}" = passed ] ||
    failures+=("FAILED: the arm64 build's tests (listed above; their output is in build/arm64/ctest.log)")
fusedIn() {  # fusedIn BUILD OBJDUMP PATTERN: one failure line per library with fused operations
    local build=$1 objdump=$2 pattern=$3 library functions count
    for library in "$root/build/$build"/libquelmar_*.a; do
        functions=$("$objdump" -d --no-show-raw-insn "$library" |
            awk -v pattern="$pattern" '/^[0-9a-f]+ <.*>:$/ { name = substr($2, 2, length($2) - 3) } $0 ~ pattern { print name }' | sort -u)
        [ -n "$functions" ] || continue
        count=$(wc -l <<<"$functions")
        functions=$(head -n 3 <<<"$functions" | c++filt | sed 's/(.*//' | paste -sd ' ')
        failures+=("FUSED: $build $(basename "$library"): fused multiply-add in $count functions, e.g. $functions")
    done
}
fusedIn release objdump '[[:space:]]v?fn?m(add|sub)[0-9a-z]*[[:space:]]'
[ "$arm64" = 0 ] || fusedIn arm64 aarch64-linux-gnu-objdump '[[:space:]](fn?m(add|sub)|fml[as])[[:space:]]'

# ---- the pictures -----------------------------------------------------------------------------
# One line per picture: name, scene folder, scene file, keys, window size ("" for the default).
pictures=()

# The reference cases, read from the test itself so that the two lists cannot drift apart.
field() { sed -n "s/.*\.$1 = \"\([^\"]*\)\".*/\1/p" <<<"$2"; }
while IFS= read -r line; do
    pictures+=("$(field name "$line")|$root/tests/scenes|$(field scene "$line")|$(field keys "$line")|$(field size "$line")")
done < <(grep '^ *{\.name = "' tests/app/reference_images_test.cpp)
if [ ${#pictures[@]} -eq 0 ]; then
    echo "determinism: no reference cases found in tests/app/reference_images_test.cpp" >&2
    exit 1
fi

declare -A rendered  # picture group -> 1 when its pictures are rendered in this run
rendered[reference]=1
if [ -d "$bench" ]; then
    rendered[bench]=1
    for file in "$bench"/*.txt; do
        scene=$(basename "$file" .txt)
        pictures+=("bench-$scene-phong|$bench|$scene.txt||" "bench-$scene-gouraud|$bench|$scene.txt|s|"
                   "bench-$scene-normal-mapping-off|$bench|$scene.txt|n|"
                   "bench-$scene-texturing-off|$bench|$scene.txt|t|")
        cameras=$(grep -c '^CAMERA' "$file" || true)
        keys=""
        for ((camera = 2; camera <= cameras; ++camera)); do
            keys+=">"
            pictures+=("bench-$scene-camera-$camera|$bench|$scene.txt|$keys|")
        done
    done
else
    echo "determinism: no benchmark scenes at $bench: skipped"
fi

# ---- rendering --------------------------------------------------------------------------------
# The SIMD paths a build runs on this machine, from its "SIMD paths: a b c (default b)" line;
# "default" alone when it reports none.
simdPaths() {
    local paths
    paths=$("$@" --version 2>/dev/null | sed -n 's/^SIMD paths: *\([^(]*\).*/\1/p' || true)
    echo "${paths:-default}"
}

# Renders every picture with one build, both thread counts and each SIMD path (PATHS "all") or
# its default path only (PATHS "default"), into $out/<build>-<path>-j<threads>/<picture>.pfm;
# the variant folders are listed in `variants`.
#   renderAll BUILD PATHS COMMAND...
variants=()
renderAll() {
    local build=$1 paths=default
    [ "$2" = default ] || paths=$(simdPaths "${@:3}")
    shift 2
    local path threads entry name folder scene keys size variant arguments
    for path in $paths; do
        for threads in 1 2; do
            variant=$build-$path-j$threads
            variants+=("$variant")
            mkdir -p "$out/$variant"
            local began=$SECONDS
            for entry in "${pictures[@]}"; do
                IFS='|' read -r name folder scene keys size <<<"$entry"
                arguments=(-q -j "$threads" -o "$out/$variant/$name.pfm")
                [ -z "$keys" ] || arguments+=(-k "$keys")
                [ -z "$size" ] || arguments+=(-s "$size")
                if [ "$path" = default ]; then
                    (cd "$folder" && "$@" "${arguments[@]}" "$scene") || failures+=("FAILED: $name as $variant: the renderer failed")
                else
                    (cd "$folder" && QUELMAR_SIMD=$path "$@" "${arguments[@]}" "$scene") ||
                        failures+=("FAILED: $name as $variant: the renderer failed")
                fi
            done
            echo "determinism: rendered ${#pictures[@]} pictures as $variant in $((SECONDS - began)) s"
        done
    done
}

rm -rf "$out"
start=$SECONDS
renderAll native all "${native[@]}"
renderAll native-libm-without-fma default env GLIBC_TUNABLES=glibc.cpu.hwcaps=-AVX,-AVX2,-FMA "${native[@]}"
echo "determinism: native part took $((SECONDS - start)) s"
if [ "$arm64" = 1 ]; then
    start=$SECONDS
    renderAll arm64 all "${arm[@]}"
    echo "determinism: arm64 part took $((SECONDS - start)) s"
fi

# ---- comparison -------------------------------------------------------------------------------
declare -A want
if [ -f "$expected" ]; then
    while read -r hash file; do want[${file%.pfm}]=$hash; done <"$expected"
fi

# How a picture was made, for the report.
describe() {
    local name folder scene keys size
    IFS='|' read -r name folder scene keys size <<<"$1"
    echo "$name (${folder#"$root"/}/$scene, keys '${keys}', window ${size:-default})"
}

# Each rendered file counts once. A picture that differs gets one report line per wrong result,
# naming the builds, paths and thread counts that drew it.
passed=0
failed=${#failures[@]}
declare -A got
for entry in "${pictures[@]}"; do
    name=${entry%%|*}
    declare -A drewBy=()
    order=()
    for variant in "${variants[@]}"; do
        file=$out/$variant/$name.pfm
        [ -f "$file" ] || continue
        hash=$(sha256sum "$file" | cut -d' ' -f1)
        [ -n "${drewBy[$hash]:-}" ] || order+=("$hash")
        drewBy[$hash]+=" $variant"
    done
    [ ${#order[@]} -gt 0 ] || continue
    # Updating: the first build's result is the new expectation, and the others must agree.
    right=${want[$name]:-}
    [ "$update" = 0 ] || right=${order[0]}
    got[$name]=${order[0]}
    for hash in "${order[@]}"; do
        count=$(wc -w <<<"${drewBy[$hash]}")
        if [ "$hash" = "$right" ]; then
            passed=$((passed + count))
            continue
        fi
        failed=$((failed + count))
        if [ -z "$right" ]; then
            failures+=("DIFFERS: $(describe "$entry"): no expected hash (a new picture? run with --update); drawn by${drewBy[$hash]}")
        else
            failures+=("DIFFERS: $(describe "$entry"): drawn as $hash by${drewBy[$hash]}; expected $right")
        fi
    done
    unset drewBy
done

for failure in "${failures[@]}"; do echo "$failure"; done
[ "$failed" -eq 0 ] || echo "determinism: the rendered files are in $out"

if [ "$update" = 1 ] && [ "$failed" -eq 0 ]; then
    # Pictures of a group not rendered in this run (the benchmark scenes when absent) keep
    # their hashes.
    mkdir -p "$(dirname "$expected")"
    {
        for name in "${!got[@]}"; do echo "${got[$name]}  $name.pfm"; done
        for name in "${!want[@]}"; do
            group=reference
            [[ $name != bench-* ]] || group=bench
            [ -n "${rendered[$group]:-}" ] || echo "${want[$name]}  $name.pfm"
        done
    } | LC_ALL=C sort -k2 >"$expected"
    echo "determinism: rewrote $expected (${#got[@]} pictures rendered)"
fi
echo "determinism: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
