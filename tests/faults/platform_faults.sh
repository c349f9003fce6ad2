# Faults of the platform under the real program: no display at all, a display that cannot be reached, a
# device lost during start-up and while drawing, and memory running out at every allocation start-up
# makes and at a resize. Without a display the program runs and draws off-screen. On a lost device or a
# failed allocation it stops with exit code 1 and a last stderr line naming the call and the real error
# code. Nothing may crash, hang or leave a process behind.
# The faults come from the Vulkan probe (VulkanProbe.cpp), preloaded between the layer and the loader;
# the caller sets VULKAN_PROBE to the library, besides what the end-to-end harness needs.
source "$REPO_ROOT/tests/e2e/e2e_lib.sh"

readonly TITLE_PATTERN='^fps: [0-9]+\.[0-9]{6} mspf: [0-9]+\.[0-9]{6}$'
readonly COUNTS="$SCRATCH/counts.txt"
failures=()

record_failure() {
  echo "FAIL $1: $2"
  if [[ -s "$SCRATCH/stderr.txt" ]]; then
    tail -n 5 "$SCRATCH/stderr.txt" | sed 's/^/       stderr: /'
  fi
  failures+=("$1")
}

# Starts the program in a fresh copy of the run folder with the probe and the environment changes $@
# (arguments of env, options before assignments: -u DISPLAY, or VULKAN_PROBE_FAULT=device-lost:1).
start_probed_engine() {
  rm -rf "$SCRATCH/run" "$COUNTS"
  prepare_run_folder
  local preload="$VULKAN_PROBE${LD_PRELOAD:+:$LD_PRELOAD}"
  (cd "$SCRATCH/run" &&
    exec env "$@" LD_PRELOAD="$preload" VULKAN_PROBE_COUNTS="$COUNTS" ./engine >"$SCRATCH/stdout.txt" \
      2>"$SCRATCH/stderr.txt") &
  ENGINE_PID=$!
}

# The probe's latest count of $1 (presents, submissions, allocations, ...), 0 before its first report.
count_of() {
  local value
  value=$(awk -v name="$1" '$1 == name { print $2 }' "$COUNTS" 2>/dev/null || true)
  echo "${value:-0}"
}

# Waits up to $2 seconds until the probe has counted at least $1 queue submissions; false if the program
# ended or the time ran out first.
wait_for_submissions() {
  for _ in $(seq 1 $(($2 * 10))); do
    (($(count_of submissions) >= $1)) && return 0
    kill -0 "$ENGINE_PID" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

check_nothing_left_behind() {
  local process
  for process in /proc/[0-9]*; do
    if [[ "$process/cwd" -ef "$SCRATCH/run" ]]; then
      record_failure "$1" "process ${process#/proc/} left behind"
      kill -KILL "${process#/proc/}" 2>/dev/null || true
    fi
  done
}

# The window's id once its title shows the frame rate, or nothing within $1 seconds.
titled_window() {
  local window="" title=""
  for _ in $(seq 1 $(($1 * 10))); do
    window=$(xdotool search --onlyvisible --pid "$ENGINE_PID" 2>/dev/null | head -n 1 || true)
    if [[ -n "$window" ]]; then
      title=$(xdotool getwindowname "$window" 2>/dev/null || true)
      if [[ "$title" =~ $TITLE_PATTERN ]]; then
        echo "$window"
        return 0
      fi
    fi
    kill -0 "$ENGINE_PID" 2>/dev/null || return 0
    sleep 0.1
  done
}

# expect_stop <case> <extended regex for the last stderr line>: the program started by the caller ends
# within 60 seconds with exit code 1 and that line.
expect_stop() {
  local name=$1 pattern=$2 last
  wait_for_end 60
  last=$(tail -n 1 "$SCRATCH/stderr.txt")
  if [[ "$STATUS" != 1 ]]; then
    record_failure "$name" "exit code $STATUS, expected 1"
  elif [[ ! "$last" =~ $pattern ]]; then
    record_failure "$name" "last stderr line '$last' does not match '$pattern'"
  else
    echo "ok   $name: $last"
  fi
  check_nothing_left_behind "$name"
}

# A resize the device cannot honour is no reason to stop: one line says so and the program draws on at the
# size it had.
readonly KEPT_SIZE='cannot resize to [0-9]+ x [0-9]+ \(0x8007000E\); drawing on at [0-9]+ x [0-9]+$'

kept_size_line() { grep -E "$KEPT_SIZE" "$SCRATCH/stderr.txt" | tail -n 1; }

# Waits up to 60 seconds until the program has ended or written the kept-size line.
wait_for_end_or_kept_size() {
  for _ in $(seq 1 600); do
    kill -0 "$ENGINE_PID" 2>/dev/null || return 0
    [[ -n "$(kept_size_line)" ]] && return 0
    sleep 0.1
  done
}

# expect_kept_size <case>: after the kept-size line the program goes on drawing, and exits with 0 when
# asked to close.
expect_kept_size() {
  local name=$1
  wait_for_end_or_kept_size
  if [[ -z "$(kept_size_line)" ]]; then
    wait_for_end 1
    record_failure "$name" "no line about the kept size (exit code $STATUS): $(tail -n 1 "$SCRATCH/stderr.txt")"
  elif ! wait_for_submissions $(($(count_of submissions) + 20)) 30; then
    wait_for_end 1
    record_failure "$name" "drew nothing after the failed resize (exit code $STATUS)"
  elif ! close_engine; then
    record_failure "$name" "did not exit with 0 when closed"
  else
    echo "ok   $name: $(kept_size_line)"
  fi
  check_nothing_left_behind "$name"
}

# expect_stop_or_kept_size <case> <pattern>: as expect_stop, unless the failure hit the first resize, which
# keeps the size instead and draws on (when memory allows even the old size no more, it stops after all).
expect_stop_or_kept_size() {
  wait_for_end_or_kept_size
  if [[ -n "$(kept_size_line)" ]] && wait_for_submissions $(($(count_of submissions) + 20)) 30; then
    expect_kept_size "$1"
  else
    expect_stop "$1" "$2"
  fi
}

# expect_offscreen_run <case> <env arguments...>: without a usable display the program still draws (the
# probe sees its queue submissions go on, with no frame presented to a window) and exits with 0 when asked
# to close.
expect_offscreen_run() {
  local name=$1
  shift
  start_probed_engine "$@"
  if ! wait_for_submissions 200 60; then
    wait_for_end 1
    record_failure "$name" "drew no frames (exit code $STATUS, $(count_of submissions) submissions)"
  else
    local presents
    presents=$(count_of presents)
    kill -TERM "$ENGINE_PID"
    wait_for_end 30
    if [[ "$STATUS" != 0 ]]; then
      record_failure "$name" "exit code $STATUS after the close request, expected 0"
    elif ((presents != 0)); then
      record_failure "$name" "$presents frames went to a window"
    elif grep -q -i "validation" "$SCRATCH/stderr.txt"; then
      record_failure "$name" "the Vulkan validation layer reported messages"
    else
      echo "ok   $name: drew off-screen ($(count_of submissions) submissions) and closed with 0"
    fi
  fi
  check_nothing_left_behind "$name"
}

# --- a sound run first: how many allocations and submissions start-up takes --------------------------------

start_probed_engine
window=$(titled_window 60)
[[ -n "$window" ]] || fail "the program did not start without faults: $(tail -n 3 "$SCRATCH/stderr.txt")"
sleep 0.5  # the probe reports four times a second
startup_allocations=$(count_of allocations)
running_submissions=$(count_of submissions)
close_engine || fail "the sound run did not exit with 0"
echo "a sound start-up makes $startup_allocations memory allocations; $running_submissions submissions by the first title"
((startup_allocations > 0 && running_submissions > 0)) || fail "the probe counted nothing"

# --- no display --------------------------------------------------------------------------------------------

expect_offscreen_run "no display" -u DISPLAY -u WAYLAND_DISPLAY
unused_display=99
while [[ -e "/tmp/.X11-unix/X$unused_display" ]]; do unused_display=$((unused_display + 1)); done
expect_offscreen_run "a display that cannot be reached" DISPLAY=":$unused_display"
grep -q "the display \":$unused_display\" could not be reached" "$SCRATCH/stderr.txt" ||
  record_failure "a display that cannot be reached" "no line names the display: $(head -n 3 "$SCRATCH/stderr.txt")"

# --- lost device -------------------------------------------------------------------------------------------

readonly LOST='^IDXGISwapChain::Present: the device was lost \(0x887A000[567]\)$'
start_probed_engine VULKAN_PROBE_FAULT=device-lost:1
expect_stop "device lost at the first submission" "$LOST"
start_probed_engine VULKAN_PROBE_FAULT=device-lost:$((running_submissions + 100))
expect_stop "device lost while drawing" "$LOST"

# --- memory running out -------------------------------------------------------------------------------------

# From the k-th allocation on every allocation fails, as on a machine out of memory, for every k that
# start-up reaches: whichever object that hits, the program has to stop cleanly, or, for the buffers of the
# loop's first resize, draw on at the size it has.
readonly OUT_OF_MEMORY=': .*\(0x8007000E\)$'
for k in $(seq 1 "$startup_allocations"); do
  start_probed_engine VULKAN_PROBE_FAULT=out-of-memory:"$k"
  expect_stop_or_kept_size "out of memory from allocation $k of start-up" "$OUT_OF_MEMORY"
done

# Memory that runs out after start-up: the next resize cannot make its buffers, and the window is drawn on
# at its old size.
start_probed_engine VULKAN_PROBE_FAULT=out-of-memory:$((startup_allocations + 1))
window=$(titled_window 60)
if [[ -z "$window" ]]; then
  wait_for_end 1
  record_failure "out of memory at a resize" "no running window (exit code $STATUS)"
else
  xdotool windowsize "$window" 900 700
  expect_kept_size "out of memory at a resize"
fi

if ((${#failures[@]} > 0)); then
  fail "${#failures[@]} case(s): $(printf '%s; ' "${failures[@]}")"
fi
echo "PASS"
