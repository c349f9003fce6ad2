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
  fail "no window within $seconds seconds; the engine said: $(cat "$SCRATCH/stderr.txt")"
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

# Waits until the engine's console output has a line matching the extended regular expression $1 (up to
# $2 seconds).
wait_for_output_line() {
  local pattern=$1 seconds=${2:-20}
  for _ in $(seq 1 $((seconds * 10))); do
    grep -q -E "$pattern" "$SCRATCH/stdout.txt" 2>/dev/null && return 0
    sleep 0.1
  done
  fail "no output line matching '$pattern' within $seconds seconds"
}

# Sets STATUS to the exit code, or "hang" (and kills the program) when it still runs after $1 seconds.
wait_for_end() {
  STATUS=hang
  for _ in $(seq 1 $(($1 * 10))); do
    if ! kill -0 "$ENGINE_PID" 2>/dev/null; then
      STATUS=0
      wait "$ENGINE_PID" || STATUS=$?
      ENGINE_PID=""
      return 0
    fi
    sleep 0.1
  done
  kill -KILL "$ENGINE_PID" 2>/dev/null || true
  wait "$ENGINE_PID" 2>/dev/null || true
  ENGINE_PID=""
}

# Waits for the engine to exit on its own (up to $1 seconds) and returns its exit code.
wait_for_exit() {
  local seconds=${1:-30} status=0
  for _ in $(seq 1 $((seconds * 10))); do
    kill -0 "$ENGINE_PID" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$ENGINE_PID" 2>/dev/null && fail "the engine still runs after $seconds seconds"
  wait "$ENGINE_PID" || status=$?
  ENGINE_PID=""
  return "$status"
}

# Saves what the window shows to the PNG $2. Right after the window is mapped or resized, X shows black
# until the program presents its next frame; the program never draws pure black in the lower left
# corner, so until it is there the screenshot is taken again (for up to ten seconds).
screenshot() {
  for _ in $(seq 1 100); do
    import -window "$1" "$2"
    local height
    height=$(identify -format "%h" "$2")
    [[ "$(pixel_at "$2" 1 $((height - 2)))" != "0,0,0" ]] && return 0
    sleep 0.1
  done
  fail "the window stayed black"
}

# How many pixels of the rectangle $2 ("WxH+X+Y") of the PNG $1 are not the colour $3 ("r,g,b"), give or
# take 1.5 %.
count_unlike() {
  convert "$1" -crop "$2" +repage -alpha off -fuzz 1.5% -fill black -opaque "rgb($3)" -fill white +opaque black \
    -format "%[fx:round(mean*w*h)]" info:
}

# How many pixels of the rectangle $3 ("WxH+X+Y") differ between the PNGs $1 and $2.
count_differences() {
  local left="$SCRATCH/left.png" right="$SCRATCH/right.png"
  convert "$1" -crop "$3" +repage -alpha off "$left"
  convert "$2" -crop "$3" +repage -alpha off "$right"
  compare -metric AE "$left" "$right" null: 2>&1 || true
}

# Takes screenshots of the window $1 into $3 until more than $5 pixels of the rectangle $4 differ from the
# PNG $2 (up to $6 seconds, default 10); prints the count. A loaded machine may take a while to draw the
# change, so this waits for it instead of sleeping a fixed time.
wait_for_difference() {
  local window=$1 reference=$2 output=$3 rectangle=$4 minimum=$5 seconds=${6:-10} differences=0
  for _ in $(seq 1 $((seconds * 5))); do
    screenshot "$window" "$output"
    differences=$(count_differences "$reference" "$output" "$rectangle")
    ((differences > minimum)) && { echo "$differences"; return 0; }
    sleep 0.2
  done
  echo "$differences"
}

# Fails unless the pixel ($2, $3) of the PNG $1 is within $5 (default 3) of the colour $4 ("r,g,b") in
# every channel.
expect_pixel_near() {
  local file=$1 x=$2 y=$3 expected=$4 tolerance=${5:-3} actual
  actual=$(pixel_at "$file" "$x" "$y")
  local -a got want
  IFS=, read -r -a got <<<"$actual"
  IFS=, read -r -a want <<<"$expected"
  for channel in 0 1 2; do
    local difference=$((got[channel] - want[channel]))
    ((difference <= tolerance && -difference <= tolerance)) ||
      fail "pixel ($x, $y) of $(basename "$file") is ($actual), expected about ($expected)"
  done
}

# How many pixels of the rectangle $2 ("WxH+X+Y") of the PNG $1 are clearly blue (blue above red by more
# than 40 of 255): the character's shirt and trousers, which an untextured model would not show.
count_blue() {
  convert "$1" -crop "$2" +repage -alpha off -fx "b > r + 0.157 ? 1 : 0" -format "%[fx:round(mean*w*h)]" info:
}

# The console's log messages (the lines with a result text), without their result texts, in order.
log_messages() {
  grep " result:" "$SCRATCH/stdout.txt" | sed 's/ result:.*//'
}
