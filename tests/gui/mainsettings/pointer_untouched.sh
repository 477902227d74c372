#!/usr/bin/env bash
# Starting the program leaves the desktop's pointer settings as they were: xset q shows the same
# acceleration before the window opens and once it is there, for the server's default and for a
# setting of the user's own. Runs on an X server of its own (xvfb-run), in demo mode.
#
#   pointer_untouched.sh <the zr540 program>
set -euo pipefail
work=$(mktemp -d)
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
# A copy away from the build folder, so the program keeps its data in the folders below.
cp "$1" "$work/zr540"
export HOME="$work" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" TMPDIR="$work" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY XDG_SESSION_TYPE QT_LOGGING_RULES

for setting in "2/1 4" "7/3 5"; do
  xset m $setting
  before=$(xset q | grep -i acceleration)
  "$work/zr540" --simulate >"$work/out.log" 2>&1 &
  pid=$!
  # The page has read the pointer speed before the window is shown.
  xdotool search --sync --onlyvisible --name '^ZR540$' >/dev/null
  after=$(xset q | grep -i acceleration)
  kill "$pid"; wait "$pid" 2>/dev/null || true; pid=""
  if [ "$before" != "$after" ]; then
    echo "starting the program changed the pointer setting $setting:"
    echo "  before: $before"
    echo "  after:  $after"
    exit 1
  fi
  echo "xset m $setting: unchanged ($after)"
done
