#!/usr/bin/env bash
# The viewer over a session, in an X server of its own (Xvfb): destroying its window while a
# large frame is on its way ends it quietly with status 0; editing the scene file or an image it
# names reloads the scene, keeping the keys' state, while a broken edit keeps the last picture
# and prints its error once; a model file opened directly shows the model.
#
# Usage: viewer_session_test.sh VIEWER RENDERER DEMO-SCENE
# Exit status: 0 passed, 1 failed, 77 skipped because no X server can be started here.
set -u

if [ $# -ne 3 ]; then
    echo "usage: $0 VIEWER RENDERER DEMO-SCENE" >&2
    exit 2
fi
viewer=$(realpath -m "$1")
renderer=$(realpath -m "$2")
demo=$(realpath -m "$3")

readonly skipped=77
readonly title="Quelmar, Instructions in Console"
readonly lifetime=150  # Xvfb and every viewer end on their own after this many seconds

work=$(mktemp -d "${TMPDIR:-/tmp}/quelmar-session-test.XXXXXX") || exit 1
xvfbPid=
viewerPid=
failures=0

. "$(dirname "$0")/x_server.sh"

cleanUp() {
    stopProcess "$viewerPid"
    stopProcess "$xvfbPid"
    if [ "$failures" -eq 0 ]; then rm -rf "$work"; else echo "Logs kept in $work" >&2; fi
}
trap cleanUp EXIT
trap 'failures=$((failures + 1)); exit 1' INT TERM

startXServer 2048x1152x24
readonly convert=/usr/bin/convert  # ImageMagick's own, whatever else PATH offers
for tool in xdotool xwd "$convert" /usr/bin/identify "$renderer" cmp; do
    command -v "$tool" >/dev/null || { fail "$tool is missing (scripts/install-deps.sh installs it)"; exit 1; }
done

# startViewer FOLDER ARGUMENTS...: the viewer in FOLDER, its window in `window`.
window=
startViewer() {
    local folder=$1
    shift
    (cd "$folder" && ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
        exec timeout "$lifetime" "$viewer" -geometry 300x300+0+0 "$@" >"$work/viewer.out" 2>"$work/viewer.err") &
    viewerPid=$!
    findWindow() {
        kill -0 "$viewerPid" 2>/dev/null || return 0
        window=$(xdotool search --name "^${title}\$" 2>/dev/null | head -n 1)
        [ -n "$window" ]
    }
    window=
    waitFor 20 findWindow
    [ -n "$window" ] || { fail "no window appeared: $(tail -n 3 "$work/viewer.err")"; return 1; }
}

# endViewer WHAT: waits for the viewer to end and expects status 0 and nothing on stderr.
endViewer() {
    viewerEnded() { ! kill -0 "$viewerPid" 2>/dev/null; }
    if ! waitFor 10 viewerEnded; then
        fail "$1: the viewer lives on"
        stopProcess "$viewerPid"
    else
        wait "$viewerPid"
        local status=$?
        if [ "$status" -ne 0 ] || [ -s "$work/viewer.err" ]; then
            fail "$1: the viewer ended with status $status: $(tail -n 3 "$work/viewer.err")"
        else
            echo "ok: $1"
        fi
    fi
    viewerPid=
}

# ---- destroying the window while a 1920x1080 frame is drawn and presented -------------------

demoFolder=$(dirname "$demo")
sed -e 's/^MAX: .*/MAX: 1880 1040/' "$demo" >"$work/large.txt"
for delay in 0.02 0.08 0.15; do
    startViewer "$demoFolder" "$work/large.txt" || break
    sleep 1
    timeout 10 xdotool key --window "$window" s 2>/dev/null
    sleep "$delay"
    timeout 10 xdotool windowclose "$window" 2>/dev/null
    endViewer "window destroyed ${delay}s after a key at 1920x1080"
done

# ---- a pure expose shows the frame held --------------------------------------------------------

# cpuTicks: the viewer's CPU time so far (user and system, in clock ticks, its threads included).
cpuTicks() {
    local pid
    pid=$(pgrep -P "$viewerPid" | head -n 1)
    awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/${pid:-$viewerPid}/stat"
}

# Ten keys that change nothing still draw ten frames; ten exposes (the window unmapped and
# mapped again) draw none, and cost much less.
startViewer "$demoFolder" "$work/large.txt" || exit 1
sleep 2
start=$(cpuTicks)
for _ in $(seq 10); do timeout 10 xdotool key --window "$window" x 2>/dev/null; sleep 0.4; done
keyTicks=$(($(cpuTicks) - start))
start=$(cpuTicks)
for _ in $(seq 10); do
    timeout 10 xdotool windowunmap --sync "$window" windowmap --sync "$window" 2>/dev/null
    sleep 0.4
done
exposeTicks=$(($(cpuTicks) - start))
if [ $((exposeTicks * 3)) -lt "$keyTicks" ]; then
    echo "ok: ten exposes cost $exposeTicks ticks of CPU, ten redrawn frames $keyTicks"
else
    fail "ten exposes cost $exposeTicks ticks of CPU, ten redrawn frames $keyTicks: exposes draw frames"
fi
stopProcess "$viewerPid"
viewerPid=

# ---- live reload ----------------------------------------------------------------------------

# windowShows PNG: the window holds exactly the picture (the window is the image moved one pixel
# left and down, see viewer_window_test.sh).
windowShows() {
    local size
    size=$(/usr/bin/identify -format '%wx%h' "$1" 2>/dev/null) || return 1
    local width=${size%x*} height=${size#*x}
    "$convert" "$1" -crop "$((width - 1))x$((height - 1))+1+0" +repage -alpha off -depth 8 "rgb:$work/expected.rgb" &&
        timeout 10 xwd -silent -id "$window" -out "$work/window.xwd" 2>/dev/null &&
        "$convert" "xwd:$work/window.xwd" -crop "$((width - 1))x$((height - 1))+0+1" +repage -alpha off -depth 8 \
            "rgb:$work/window.rgb" 2>/dev/null &&
        cmp -s "$work/expected.rgb" "$work/window.rgb"
}

# expectPicture KEYS WHAT [FILE]: the window shows what quelmar-render draws for the folder's
# scene.txt (or FILE) now.
expectPicture() {
    (cd "$folder" && "$renderer" -q -k "$1" -o "$work/expected.png" "${3:-scene.txt}") ||
        { fail "$2: quelmar-render failed"; return 1; }
    if waitFor 15 windowShows "$work/expected.png"; then echo "ok: $2"; else fail "$2: the window differs"; fi
}

folder="$work/reload"
mkdir -p "$folder"
cp "$demoFolder"/*.tga "$folder/"
cp "$demo" "$folder/scene.txt"
startViewer "$folder" scene.txt || exit 1
timeout 10 xdotool key --window "$window" n greater 2>/dev/null
expectPicture "n>" "before any edit"

# An edit: another light colour (written in place, as editors do).
sed -i -e '0,/^\tCOLOUR: .*/s//\tCOLOUR: 0.2 0.9 0.3 1/' "$folder/scene.txt"
expectPicture "n>" "after an edit of the scene file (keys kept)"
reloads=$(grep -c "Camera 2 of 3" "$work/viewer.out")
[ "$reloads" -ge 2 ] || fail "no status line after the reload: $(tail -n 3 "$work/viewer.out")"

# A broken edit (text the mesh section does not allow): the last picture stays, the error is
# printed once.
cp "$folder/scene.txt" "$work/good.txt"
echo "half a line" >>"$folder/scene.txt"
failedOnce() { [ "$(grep -c "^Reloading 'scene.txt' failed" "$work/viewer.out")" -ge 1 ]; }
if ! waitFor 10 failedOnce; then
    fail "no message after a broken edit"
else
    sleep 1.5
    cp "$work/good.txt" "$work/check.txt"
    count=$(grep -c "^Reloading 'scene.txt' failed" "$work/viewer.out")
    [ "$count" -eq 1 ] || fail "the broken edit was reported $count times"
    grep -q "^ERROR: Expected a TRIMESH block but found 'half a line'" "$work/viewer.out" ||
        fail "the broken edit's error line is missing: $(tail -n 3 "$work/viewer.out")"
    (cd "$folder" && "$renderer" -q -k "n>" -o "$work/expected.png" "$work/good.txt") &&
        windowShows "$work/expected.png" && echo "ok: a broken edit keeps the last picture" ||
        fail "the window changed after a broken edit"
fi

# Mending the file and changing an image it names: both are picked up.
cp "$work/good.txt" "$folder/scene.txt"
cp "$folder/bricks.tga" "$folder/tiles.tga"
expectPicture "n>" "after mending the file and changing an image"

# A smaller viewport, in the same window: where the old one was is white again.
sed -i -e 's/^MAX: .*/MAX: 420 300/' "$folder/scene.txt"
(cd "$folder" && "$renderer" -q -k "n>" -s 860x660 -o "$work/smaller.png" scene.txt) ||
    fail "a smaller viewport: quelmar-render failed"
if waitFor 15 windowShows "$work/smaller.png"; then echo "ok: a smaller viewport"; else fail "a smaller viewport: the window differs"; fi
stopProcess "$viewerPid"
viewerPid=

# ---- a model opened directly ----------------------------------------------------------------

# A small pyramid with two materials, written here; the viewer imports it in memory and writes
# nothing beside it.
folder="$work/model"
mkdir -p "$folder"
cat >"$folder/pyramid.mtl" <<'MTL'
newmtl Yellow
Kd 0.9 0.8 0.1
Ks 0.5 0.5 0.5
Ns 40
newmtl Blue
Kd 0.1 0.3 0.9
MTL
cat >"$folder/pyramid.obj" <<'OBJ'
mtllib pyramid.mtl
v -1 0 -1
v 1 0 -1
v 1 0 1
v -1 0 1
v 0 1.5 0
usemtl Yellow
f 1 2 5
f 2 3 5
f 3 4 5
f 4 1 5
usemtl Blue
f 1 4 3 2
OBJ
ls "$folder" >"$work/model-folder-before.txt"
startViewer "$folder" pyramid.obj || exit 1
expectPicture "" "a model opened directly" pyramid.obj
timeout 10 xdotool key --window "$window" greater 2>/dev/null
expectPicture ">" "the model's second camera, from the front" pyramid.obj
ls "$folder" | cmp -s - "$work/model-folder-before.txt" || fail "opening the model wrote files beside it"
grep -q '^Camera 2 of 4 "Front"' "$work/viewer.out" || fail "no status line for the model's front camera"
stopProcess "$viewerPid"
viewerPid=

if [ "$failures" -ne 0 ]; then
    exit 1
fi
echo "PASSED: the viewer over a session"
