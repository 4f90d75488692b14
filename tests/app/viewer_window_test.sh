#!/usr/bin/env bash
# The viewer as a user meets it, in an X server of its own (Xvfb): the window's title and size,
# the picture after each key press compared with quelmar-render of the same scene and keys,
# the console output (the load log, the key guide byte for byte, then a status line after each
# key), the mouse (a left drag, a wheel step and a right drag each give the picture that
# quelmar-render draws for the camera the status line reports; a middle click brings the file's
# camera back), and that destroying the window from another program ends the viewer.
#
# Usage: viewer_window_test.sh VIEWER RENDERER SCENE
# Exit status: 0 passed, 1 failed, 77 skipped because no X server can be started here.
#
# The window shows the frame as 8-bit colour converted exactly as quelmar-render's PNG is, so
# the two must hold the same bytes (tolerance 0). The viewer draws the frame from raster
# position (-1, -1): image column i, row j (from the bottom) lands on window column i - 1, row
# j - 1. The window's picture is therefore the image moved one pixel left and one down; the
# window's top row and right column and the image's left column and bottom row have no partner
# and are left out of the comparison.
set -u

if [ $# -ne 3 ]; then
    echo "usage: $0 VIEWER RENDERER SCENE" >&2
    exit 2
fi
# Absolute paths: the viewer runs in the test's own folder.
viewer=$(realpath -m "$1")
renderer=$(realpath -m "$2")
scene=$(realpath -m "$3")

readonly skipped=77
readonly title="Quelmar, Instructions in Console"
readonly tolerance=0                # 8-bit steps per channel
readonly convert=/usr/bin/convert   # ImageMagick's own, whatever else PATH offers
# Xvfb and the viewer end on their own after this many seconds, even if this script is killed
# before it can stop them.
readonly lifetime=100
# Key presses in order: the X key name and the character the viewer receives. Each one changes
# the picture (N before S: normal maps play no part in Gouraud shading).
readonly keyNames=(n t s greater greater less S)
readonly keyChars=(n t s '>' '>' '<' S)

work=$(mktemp -d "${TMPDIR:-/tmp}/quelmar-viewer-test.XXXXXX") || exit 1
xvfbPid=
viewerPid=
failures=0

. "$(dirname "$0")/x_server.sh"

cleanUp() {
    stopProcess "$viewerPid"
    stopProcess "$xvfbPid"
    if [ "$failures" -eq 0 ]; then
        rm -rf "$work"
    else
        echo "Captures and logs kept in $work" >&2
    fi
}
trap cleanUp EXIT
trap 'failures=$((failures + 1)); exit 1' INT TERM

# ---- the X server and tools -----------------------------------------------------------------

startXServer 1280x1024x24
for tool in xdotool xwd xwininfo "$convert" cmp awk; do
    if ! command -v "$tool" >/dev/null; then
        fail "$tool is missing (scripts/install-deps.sh installs it)"
        exit 1
    fi
done
for file in "$viewer" "$renderer" "$scene"; do
    [ -e "$file" ] || { fail "$file does not exist"; exit 1; }
done

# ---- the viewer, and what its window should show --------------------------------------------

# -geometry is GLUT's own option (it must take it out of the arguments before the scene file is
# read); it puts the window fully on the screen, where xwd can read all of it. The viewer
# starts first so that it loads while the reference frames are drawn.
#
# The software GL driver, loaded at run time, keeps memory of its own until the process ends and
# is unloaded before a leak checker looks, which then blames the viewer's exit for it. The
# viewer's own code is leak-checked by the other tests, so a sanitizer build's viewer skips it.
(cd "$work" && ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
    exec timeout "$lifetime" "$viewer" -geometry 300x300+0+0 "$scene" \
    >"$work/viewer.out" 2>"$work/viewer.err") &
viewerPid=$!

# The window is the viewport's maximum corner plus 40 pixels, truncated.
read -r width height < <(awk '/^MAX:/ { print int($2 + 40), int($3 + 40); exit }' "$scene")
if [ -z "${width:-}" ]; then
    fail "no MAX line in $scene"
    exit 1
fi
compareSize="$((width - 1))x$((height - 1))"

# reference N KEYS: the frame after the first N key presses, as raw RGB without the image's
# left column and bottom row. The first one also records the load log.
reference() {
    local png="$work/reference-$1.png"
    local log=/dev/null
    [ "$1" -eq 0 ] && log="$work/expected-load-log.txt"
    "$renderer" -s "${width}x${height}" -k "$2" -o "$png" "$scene" >"$log" 2>"$work/renderer-$1.err" ||
        { fail "quelmar-render failed for keys '$2': $(cat "$work/renderer-$1.err")"; return 1; }
    "$convert" "$png" -crop "${compareSize}+1+0" +repage -alpha off -depth 8 "rgb:$work/reference-$1.rgb"
}

keys=
reference 0 "" || exit 1
for i in "${!keyChars[@]}"; do
    keys+=${keyChars[$i]}
    reference $((i + 1)) "$keys" || exit 1
done

window=
findWindow() {
    kill -0 "$viewerPid" 2>/dev/null || return 0
    window=$(xdotool search --name "^${title}\$" 2>/dev/null | head -n 1)
    [ -n "$window" ]
}
waitFor 15 findWindow
if [ -z "$window" ]; then
    fail "no window titled '$title' appeared; the viewer said: $(tail -n 5 "$work/viewer.err")"
    exit 1
fi

# capture NAME: the window as an X dump.
capture() { timeout 10 xwd -silent -id "$window" -out "$work/$1.xwd" 2>/dev/null; }

# asRgb NAME: the dump as raw RGB without the window's top row and right column.
asRgb() {
    timeout 20 "$convert" "xwd:$work/$1.xwd" -crop "${compareSize}+0+1" +repage -alpha off -depth 8 \
        "rgb:$work/$1.rgb" 2>/dev/null
}

# Sets `different` (channels more than `tolerance` apart) and `largest` (the largest difference)
# for two raw RGB files; pictures of another size count as wholly different.
difference() {
    if [ "$(stat -c %s "$1")" != "$(stat -c %s "$2")" ]; then
        different=all
        largest=size
        return
    fi
    read -r different largest < <(cmp -l "$1" "$2" | awk -v tolerance="$tolerance" '
        function octal(text,   value, k) {
            value = 0
            for (k = 1; k <= length(text); k++) value = value * 8 + substr(text, k, 1)
            return value
        }
        {
            d = octal($2) - octal($3)
            if (d < 0) d = -d
            if (d > tolerance) count++
            if (d > most) most = d
        }
        END { print count + 0, most + 0 }')
}

# matches N: the window now shows reference N. Where the key should change the picture, one
# identical to the one before the key press is the old frame still on show: not compared.
matches() {
    capture "window-$1" || return 1
    if [ "$1" -gt 0 ] && cmp -s "$work/window-$1.xwd" "$work/window-$(($1 - 1)).xwd" &&
        ! cmp -s "$work/reference-$1.rgb" "$work/reference-$(($1 - 1)).rgb"; then
        different="all (no new frame)"
        largest=none
        return 1
    fi
    asRgb "window-$1" || return 1
    difference "$work/window-$1.rgb" "$work/reference-$1.rgb"
    [ "$different" = 0 ]
}

# expectPicture N WHAT: waits for the window to show reference N (the viewer draws on its own
# time), failing with the last difference found.
expectPicture() {
    different=none
    largest=none
    if ! waitFor 20 matches "$1"; then
        fail "$2: the window does not show what quelmar-render draws" \
            "($different channels differ by more than $tolerance, the largest by $largest)"
        return 1
    fi
    echo "ok: $2 (largest channel difference $largest)"
}

expectPicture 0 "first frame" || exit 1

geometry=$(xwininfo -id "$window")
actualWidth=$(awk '/^ *Width:/ { print $2 }' <<<"$geometry")
actualHeight=$(awk '/^ *Height:/ { print $2 }' <<<"$geometry")
if [ "$actualWidth" != "$width" ] || [ "$actualHeight" != "$height" ]; then
    fail "the window is ${actualWidth}x${actualHeight}, not ${width}x${height}"
else
    echo "ok: window size ${width}x${height}"
fi
actualTitle=$(xdotool getwindowname "$window")
[ "$actualTitle" = "$title" ] || fail "the window's title is '$actualTitle', not '$title'"

# The console: the load log as quelmar-render prints it, then the key guide, nothing else.
{
    cat "$work/expected-load-log.txt"
    printf '\n\n\n\n\n\n\n\n\n\n\n\n\nWelcome to Quelmar'"'"'s Graphical Programming Assignment.\n'
    printf '\n\n'
    printf 'Buttons:\n'
    printf 'S turns on/off Phong Shading and replaces it with Gouraud\n'
    printf 'T turns on/off Diffuse Texturing\n'
    printf 'N turns on/off Normal Mapping\n'
    printf '< or > switches cameras.\n\n'
    printf 'Hope you enjoy!\n\n\n\n\n\n\n\n\n\n\n\n\n'
} >"$work/expected-console.txt"
if [ ! -s "$work/expected-load-log.txt" ]; then
    fail "quelmar-render printed no load log for $scene"
elif ! cmp -s "$work/expected-console.txt" "$work/viewer.out"; then
    fail "the console output differs from the load log and key guide:"
    diff "$work/expected-console.txt" "$work/viewer.out" | head -n 20 >&2
else
    echo "ok: console output"
fi
if grep -q -e '^ERROR' -e 'failed to open' "$work/expected-load-log.txt" "$work/viewer.err"; then
    fail "loading reported errors: $(grep -h -e '^ERROR' -e 'failed to open' "$work/expected-load-log.txt" "$work/viewer.err")"
fi

# expectStatus KEY: sets `status` to the status line after KEY: the current camera by number, count and name (as the scene file
# writes it), and the three effects.
mapfile -t cameraNames < <(awk -F'"' '/^CAMERA "/ { print $2 }' "$scene")
currentCamera=0
phong=on texturing=on normalMapping=on
flip() { if [ "$1" = on ]; then echo off; else echo on; fi; }
expectStatus() {
    local count=${#cameraNames[@]}
    case "$1" in
        n | N) normalMapping=$(flip "$normalMapping") ;;
        s | S) phong=$(flip "$phong") ;;
        t | T) texturing=$(flip "$texturing") ;;
        '>' | .) currentCamera=$(((currentCamera + 1) % count)) ;;
        '<' | ,) currentCamera=$(((currentCamera + count - 1) % count)) ;;
    esac
    status="Camera $((currentCamera + 1)) of $count \"${cameraNames[$currentCamera]}\"; Phong shading $phong,"
    status+=" texturing $texturing, normal mapping $normalMapping"
}

lineCount() { wc -l <"$work/viewer.out"; }
keys=
for i in "${!keyNames[@]}"; do
    keys+=${keyChars[$i]}
    linesBefore=$(lineCount)
    if ! timeout 10 xdotool key --window "$window" "${keyNames[$i]}" 2>/dev/null; then
        fail "xdotool could not press ${keyNames[$i]}"
        break
    fi
    expectPicture $((i + 1)) "after keys '$keys'" || break
    expectStatus "${keyChars[$i]}"
    newLines=$(tail -n +$((linesBefore + 1)) "$work/viewer.out")
    [ "$newLines" = "$status" ] || fail "after key '${keyChars[$i]}' the console says '$newLines', not '$status'"
done

# ---- the mouse ------------------------------------------------------------------------------

# mouse N WHAT XDOTOOL-ARGUMENTS...: does the mouse action, waits for the status line it prints,
# renders the camera that line reports with quelmar-render and expects that picture (number N).
mouse() {
    local number=$1 what=$2
    shift 2
    local before
    before=$(lineCount)
    if ! timeout 10 xdotool "$@" 2>/dev/null; then
        fail "xdotool could not do the $what"
        return 1
    fi
    newStatusLine() { [ "$(lineCount)" -gt "$before" ]; }
    if ! waitFor 10 newStatusLine; then
        fail "no status line after the $what"
        return 1
    fi
    local line camera
    line=$(tail -n 1 "$work/viewer.out")
    camera=$(sed -n 's/.* moved: --camera \([^;]*\);.*/\1/p' <<<"$line")
    if [ -z "$camera" ]; then
        fail "the status line after the $what gives no camera: '$line'"
        return 1
    fi
    "$renderer" -q -s "${width}x${height}" -k "$keys" --camera "$camera" -o "$work/reference-$number.png" "$scene" \
        2>"$work/renderer-$number.err" || { fail "quelmar-render --camera $camera failed"; return 1; }
    "$convert" "$work/reference-$number.png" -crop "${compareSize}+1+0" +repage -alpha off -depth 8 \
        "rgb:$work/reference-$number.rgb"
    expectPicture "$number" "after the $what (--camera $camera)"
}

middleX=$((width / 2))
middleY=$((height / 2))
first=$((${#keyChars[@]} + 1))
mouse "$first" "left drag" mousemove --window "$window" "$middleX" "$middleY" mousedown 1 \
    mousemove --window "$window" $((middleX + 30)) $((middleY + 10)) \
    mousemove --window "$window" $((middleX + 60)) $((middleY + 25)) mouseup 1 &&
    mouse $((first + 1)) "wheel step" click --window "$window" 4 &&
    mouse $((first + 2)) "right drag" mousemove --window "$window" "$middleX" "$middleY" mousedown 3 \
        mousemove --window "$window" $((middleX - 20)) $((middleY - 10)) \
        mousemove --window "$window" $((middleX - 40)) $((middleY + 15)) mouseup 3

# A middle click (no drag) puts the camera back where the file has it: the picture after the
# keys alone.
cp "$work/reference-${#keyChars[@]}.rgb" "$work/reference-$((first + 3)).rgb"
if timeout 10 xdotool mousemove --window "$window" "$middleX" "$middleY" click --window "$window" 2 2>/dev/null; then
    expectPicture $((first + 3)) "after a middle click (the file's camera again)"
else
    fail "xdotool could not click the middle button"
fi

if ! kill -0 "$viewerPid" 2>/dev/null; then
    fail "the viewer ended by itself: $(tail -n 5 "$work/viewer.err")"
    exit 1
fi

# Another program destroying the window (rather than the window manager closing it) ends the
# viewer too, and as quietly: status 0, nothing on the console after the key guide.
viewerEnded() { ! kill -0 "$viewerPid" 2>/dev/null; }
cp "$work/viewer.out" "$work/console-before-close.txt"
if ! timeout 10 xdotool windowclose "$window" 2>/dev/null; then
    fail "xdotool could not destroy the window"
elif ! waitFor 5 viewerEnded; then
    fail "the viewer lives on after its window was destroyed"
else
    wait "$viewerPid"
    status=$?
    viewerPid=
    if [ "$status" -ne 0 ]; then
        fail "the viewer ended with status $status after its window was destroyed: $(tail -n 5 "$work/viewer.err")"
    elif ! cmp -s "$work/console-before-close.txt" "$work/viewer.out" || [ -s "$work/viewer.err" ]; then
        fail "the viewer printed something when its window was destroyed: $(tail -n 5 "$work/viewer.err")"
    else
        echo "ok: the viewer ends when its window is destroyed"
    fi
fi

if [ "$failures" -ne 0 ]; then
    exit 1
fi
echo "PASSED: the viewer's window, pictures and console output"
