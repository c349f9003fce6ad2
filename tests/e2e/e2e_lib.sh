# Shared helpers of the end-to-end tests. The caller sets ENGINE (the executable), RUN_DIR (the staged run
# folder) and REPO_ROOT; every test gets a scratch copy of the run folder so it may change files in it.
set -euo pipefail

source "$REPO_ROOT/scripts/xvfb.sh"
start_virtual_display

SCRATCH=$(mktemp -d)
ENGINE_PID=""
cleanup_e2e() {
  if [[ -n "$ENGINE_PID" ]] && kill -0 "$ENGINE_PID" 2>/dev/null; then
    kill -KILL "$ENGINE_PID" 2>/dev/null || true
  fi
  rm -rf "$SCRATCH"
  [[ -n "${XVFB_PID:-}" ]] && kill "$XVFB_PID" 2>/dev/null || true
}
trap cleanup_e2e EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Copies the run folder into $SCRATCH/run.
prepare_run_folder() {
  cp -r "$RUN_DIR" "$SCRATCH/run"
  cp "$ENGINE" "$SCRATCH/run/engine"
}

# Starts the engine in $SCRATCH/run with stdout and stderr captured; sets ENGINE_PID.
start_engine() {
  (cd "$SCRATCH/run" && exec ./engine >"$SCRATCH/stdout.txt" 2>"$SCRATCH/stderr.txt") &
  ENGINE_PID=$!
}

# Prints the id of the engine's window once it is mapped (waits up to $1 seconds).
wait_for_window() {
  local seconds=${1:-20} window=""
  for _ in $(seq 1 $((seconds * 10))); do
    window=$(xdotool search --onlyvisible --pid "$ENGINE_PID" 2>/dev/null | head -n 1 || true)
    [[ -n "$window" ]] && { echo "$window"; return 0; }
    kill -0 "$ENGINE_PID" 2>/dev/null || fail "the engine exited before showing its window: $(cat "$SCRATCH/stderr.txt")"
    sleep 0.1
  done
  fail "no window within $seconds seconds"
}

# Waits until the window title matches the extended regular expression $2 (up to $3 seconds).
wait_for_title() {
  local window=$1 pattern=$2 seconds=${3:-20} title=""
  for _ in $(seq 1 $((seconds * 10))); do
    title=$(xdotool getwindowname "$window" 2>/dev/null || true)
    [[ "$title" =~ $pattern ]] && { echo "$title"; return 0; }
    sleep 0.1
  done
  fail "title '$title' did not match '$pattern' within $seconds seconds"
}

# Asks the program to close its window (SIGTERM becomes a close request) and returns its exit code.
close_engine() {
  kill -TERM "$ENGINE_PID"
  local status=0
  for _ in $(seq 1 300); do
    kill -0 "$ENGINE_PID" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$ENGINE_PID" 2>/dev/null && fail "the engine did not exit within 30 seconds of the close request"
  wait "$ENGINE_PID" || status=$?
  ENGINE_PID=""
  return "$status"
}

# Fails if the Vulkan validation layer said anything.
expect_no_validation_messages() {
  if grep -q -i "validation" "$SCRATCH/stderr.txt"; then
    grep -i "validation" "$SCRATCH/stderr.txt" | head -n 5 >&2
    fail "the Vulkan validation layer reported messages"
  fi
}

# Prints "r,g,b" of the pixel (x, y) of a PNG.
pixel_at() {
  convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:
}
