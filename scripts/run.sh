#!/usr/bin/env bash
# Builds the engine (Release) and runs it from its staged run folder, build/run. With an argument, it
# runs in viewer mode on that model file (named relative to the folder run.sh was started from).
# With a display it opens the window and runs until you close it. Without one it runs the program under
# Xvfb for a few seconds, saves a screenshot to build/screenshot.png and closes the window.
set -euo pipefail
model=()
if [[ $# -gt 0 ]]; then
  model=("$(realpath -m -- "$1")")
fi
cd "$(dirname "$0")/.."
root=$(pwd)

./scripts/install-deps.sh
./scripts/build.sh

cd build/run
if [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then
  exec ./engine "${model[@]}"
fi

source "$root/scripts/xvfb.sh"
start_virtual_display
seconds=${RUN_SECONDS:-5}
echo "No display: running the engine under Xvfb ($DISPLAY) for $seconds seconds"
./engine "${model[@]}" &
engine_pid=$!
sleep "$seconds"

window=$(xdotool search --sync --limit 1 --pid "$engine_pid" 2>/dev/null | head -n 1 || true)
screenshot="$root/build/screenshot.png"
if [[ -n "$window" ]]; then
  import -window "$window" "$screenshot"
  echo "Window title: $(xdotool getwindowname "$window")"
else
  import -window root "$screenshot"
fi

# SIGTERM reaches the program as a close request, so it leaves its loop and exits normally.
kill -TERM "$engine_pid" 2>/dev/null || true
status=0
wait "$engine_pid" || status=$?
echo "Screenshot saved to $screenshot"
echo "Engine exit code: $status"
exit "$status"
