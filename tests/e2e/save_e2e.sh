#!/usr/bin/env bash
# End to end, as a person works: start Quorix on a virtual display, press a
# render button, choose File > Save with its shortcut, cancel the dialog,
# choose it again, type a file name, quit, and check the PNG that lands on
# disk. Qt's own command-line options given to the program change nothing,
# and the program leaves nothing behind in the home, configuration and
# temporary folders: the PNG is the only file it writes.
# Usage: save_e2e.sh PATH-TO-quorix [SCREENSHOT-DIR]
set -euo pipefail
app=$(realpath "$1")
shots=${2:-}
for tool in xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" TMPDIR="$work/tmp"
export QT_QPA_PLATFORM=xcb
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" "$TMPDIR" "$work/out" && chmod 700 "$XDG_RUNTIME_DIR"
export APP="$app" WORK="$work" SHOTS="$shots"

xvfb-run -a -s "-screen 0 1280x1024x24" bash -euo pipefail -c '
  shot() { [ -n "$SHOTS" ] && command -v import >/dev/null && import -window root "$SHOTS/$1.png" || true; }
  # Waits until the command succeeds, polling; fails with the message if it
  # never does.
  wait_for() {
    for _ in $(seq 1 1200); do eval "$1" && return; sleep 0.1; done
    echo "FAIL: $2"; cat "$WORK/app.log"; exit 1
  }
  # Options that Qt would take from the command line; the program gives Qt none.
  "$APP" -qwindowtitle NotQuorix -qwindowgeometry 300x200+0+0 -reverse >"$WORK/app.log" 2>&1 &
  pid=$!
  trap "kill $pid 2>/dev/null || true" EXIT
  win=$(timeout 60 xdotool search --sync --onlyvisible --name "^Quorix\$" | head -n1) ||
    { echo "FAIL: no window titled Quorix"; xdotool search --onlyvisible --name . getwindowname %@ || true; exit 1; }
  shot started
  # The window content is 676 x 506; the menu bar lies above it.
  eval "$(xdotool getwindowgeometry --shell "$win")"
  [ "$WIDTH" -eq 676 ] && [ "$HEIGHT" -gt 506 ] || { echo "FAIL: the window is ${WIDTH}x${HEIGHT}"; exit 1; }
  # The "Quorix0" button sits at 523, 410 (60 x 18) in the window content;
  # the render it starts is done before the program reads the next key.
  xdotool mousemove --window "$win" 553 $((HEIGHT - 506 + 419)) click 1
  shot rendered

  # Opens the save dialog and waits until it has the keyboard focus.
  open_dialog() {
    xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
    xdotool key --clearmodifiers ctrl+s
    dialog=""
    wait_for "dialog=\$(xdotool search --onlyvisible --name . 2>/dev/null | grep -v \"^$win\\\$\" | head -n1); [ -n \"\$dialog\" ]" "no save dialog appeared"
    wait_for "[ \"\$(xdotool getwindowfocus)\" = \"\$dialog\" ]" "the save dialog never got the keyboard focus"
  }
  # First the dialog is cancelled: nothing may be written.
  open_dialog
  xdotool key Escape
  wait_for "! xdotool search --onlyvisible --name . | grep -qx \"\$dialog\"" "the cancelled dialog stayed"
  # Then a file name is typed into the name field (it has the focus).
  open_dialog
  shot dialog
  xdotool key --clearmodifiers ctrl+a
  xdotool type --delay 20 "$WORK/out/saved-by-hand"
  xdotool key Return
  wait_for "[ -s \"\$WORK/out/saved-by-hand.png\" ]" "no file was saved"
  shot saved
  xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus --sync "$win"
  xdotool key --clearmodifiers ctrl+q
  wait_for "! kill -0 $pid 2>/dev/null" "Ctrl+Q did not quit"
  trap - EXIT
'

file="$work/out/saved-by-hand.png"
[ -s "$file" ] || { echo "FAIL: no file was saved"; cat "$work/app.log"; exit 1; }
# PNG signature, then the IHDR chunk: width and height, big-endian.
sig=$(head -c 8 "$file" | od -An -tx1 | tr -d ' \n')
[ "$sig" = "89504e470d0a1a0a" ] || { echo "FAIL: not a PNG ($sig)"; exit 1; }
width=$((16#$(dd if="$file" bs=1 skip=16 count=4 2>/dev/null | od -An -tx1 | tr -d ' \n')))
height=$((16#$(dd if="$file" bs=1 skip=20 count=4 2>/dev/null | od -An -tx1 | tr -d ' \n')))
[ "$width" -eq 500 ] && [ "$height" -eq 500 ] || { echo "FAIL: picture is ${width}x${height}"; exit 1; }
# A rendered canvas compresses far worse than the empty, transparent one.
size=$(stat -c %s "$file")
[ "$size" -gt 8000 ] || { echo "FAIL: the saved picture looks empty ($size bytes)"; exit 1; }
echo "PASS: saved the rendered canvas as a 500x500 PNG through the dialog"
# The one file written is the PNG; home and configuration stay empty.
[ "$(ls -A "$work/out")" = "saved-by-hand.png" ] || { echo "FAIL: the folder holds $(ls -A "$work/out")"; exit 1; }
left=$(find "$HOME" "$XDG_CONFIG_HOME" "$TMPDIR" -mindepth 1)
[ -z "$left" ] || { echo "FAIL: the program left files behind:"; echo "$left"; exit 1; }
echo "PASS: no option reached Qt, and nothing but the PNG was written"
