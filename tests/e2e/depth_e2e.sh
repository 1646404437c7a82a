#!/usr/bin/env bash
# On a display of 8 bits of colour, which Qt cannot paint on, Quorix says so
# and exits with a status other than 0, by returning, not by a signal; on a
# display of 16 bits its window appears. One X server holds both screens.
# Usage: depth_e2e.sh PATH-TO-quorix
set -uo pipefail
app=$(realpath "$1")
for tool in xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work" XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=xcb APP="$app"

xvfb-run -a -s "-screen 0 1280x1024x8 -screen 1 1280x1024x16" bash -c '
  server=${DISPLAY%.*}
  out=$(DISPLAY=$server.0 timeout 60 "$APP" 2>&1)
  status=$?
  echo "$out"
  echo "exit status $status on 8 bits"
  [ "$status" -gt 0 ] && [ "$status" -lt 124 ] && grep -q "^Quorix: the display has 8 bits of colour" <<<"$out" ||
    { echo "FAIL: no refusal on 8 bits"; exit 1; }
  DISPLAY=$server.1 "$APP" >/dev/null 2>&1 &
  DISPLAY=$server.1 timeout 60 xdotool search --sync --onlyvisible --name "^Quorix\$" >/dev/null ||
    { echo "FAIL: no window on 16 bits"; kill $!; exit 1; }
  kill $!' || exit 1
echo "PASS: refused on 8 bits with the reason, started on 16 bits"
