#!/usr/bin/env bash
# Mutation check: plants each single-point fault of tests/mutants/*.patch in turn, rebuilds,
# runs the default test suite (everything but the `long` label) and reverts. A fault the suite
# notices is "caught"; one it does not is "survived"; a patch that no longer applies (the code
# it names was rewritten) or no longer builds is "stale", not a failure: refresh or drop it.
#
#   scripts/mutants.sh [--build DIR] [PATCH...]      (default: every patch, build/release)
#
# Run it by hand, under `nice -n 15`: every fault costs a rebuild and a test run (ccache keeps
# the reverts cheap). It works on the tree it lives in and restores it on exit, so do not edit
# that tree while it runs; copy the tree elsewhere to go on working. A patch may say in its
# header why it survives by design ("Equivalent: ..."); such faults are listed as equivalent.
# Exit status: 0 when every fault is caught or shown equivalent, 1 otherwise.
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/release"
patches=()
while (($#)); do
    case "$1" in
        --build) build=$(cd "$2" && pwd); shift 2 ;;
        -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) patches+=("$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"); shift ;;
    esac
done
((${#patches[@]})) || patches=("$root"/tests/mutants/*.patch)
[[ -f "$build/CMakeCache.txt" ]] || { echo "mutants: no configured build in $build" >&2; exit 1; }

cd "$root"
log=$(mktemp -d)
applied=""
restore() {
    if [[ -n "$applied" ]]; then git apply -R "$applied" && applied=""; fi
}
trap 'restore; rm -rf "$log"; exit 130' INT TERM

build_tree() { cmake --build "$build" -j2 > "$log/build" 2>&1; }

build_tree || { echo "mutants: the unmodified tree does not build" >&2; cat "$log/build" >&2; exit 1; }

caught=0 survived=0 equivalent=0 stale=0
survivors=()
for patch in "${patches[@]}"; do
    name=$(basename "$patch" .patch)
    reason=$(sed -n 's/^# Equivalent: //p' "$patch" | head -n 1)
    if ! git apply --check "$patch" 2> /dev/null; then
        echo "$name: stale (no longer applies)"
        ((stale++)); continue
    fi
    git apply "$patch" && applied="$patch"
    if ! build_tree; then
        echo "$name: stale (does not build)"
        ((stale++)); restore; continue
    fi
    start=$SECONDS
    # Not the viewer's window test: it compares two programs built from the same faulty code,
    # so it finds next to nothing the other tests miss, and it costs the most.
    if ctest --test-dir "$build" -LE long -E '^viewer_window$' --stop-on-failure --timeout 300 -j2 \
        > "$log/test" 2>&1; then
        if [[ -n "$reason" ]]; then
            echo "$name: equivalent ($reason)"
            ((equivalent++))
        else
            echo "$name: SURVIVED"
            ((survived++)); survivors+=("$name")
        fi
    else
        first=$(grep -m 1 -E 'Test +#[0-9]+: [^ ]+ .*\*\*\*(Failed|Exception|Timeout)' "$log/test" | sed -E 's/.*Test +#[0-9]+: ([^ ]+).*/\1/')
        echo "$name: caught by ${first:-the suite} ($((SECONDS - start)) s)"
        ((caught++))
    fi
    restore
done
build_tree || echo "mutants: the restored tree does not build" >&2
rm -rf "$log"

total=${#patches[@]}
live=$((caught + survived + equivalent))
echo "mutants: $caught caught, $survived survived, $equivalent equivalent, $stale stale (of $total)"
((live)) && echo "mutants: $((100 * caught / live))% of the faults that apply caught, $((100 * (caught + equivalent) / live))% caught or equivalent"
((survived)) && echo "mutants: survivors: ${survivors[*]}"
((survived == 0))
