# Soak: the real program for SOAK_FRAMES presented frames (10,000 by default) under scripted input that
# goes round and round: typing into the text box and deleting it again, camera keys, a mouse drag, the
# model-turn key, and a resize every few hundred frames. After a warm-up round, and at the same window
# size and state at the end, the program may hold at most 2 MB more resident memory, and no more open
# files or Vulkan objects; the validation layer must stay silent throughout.
# The Vulkan probe (tests/faults/VulkanProbe.cpp) counts the frames and the objects: VULKAN_PROBE names the
# library, or it is looked for in the build folder next to RUN_DIR.
# In a sanitized build the memory check is left out: AddressSanitizer keeps freed memory in quarantine, so
# resident memory grows there whatever the program does.
source "$(dirname "$0")/e2e_lib.sh"

readonly FRAMES=${SOAK_FRAMES:-10000}
readonly ALLOWED_GROWTH_KB=2048
readonly PROBE=${VULKAN_PROBE:-$(dirname "$RUN_DIR")/tests/faults/libvulkan_probe.so}
readonly COUNTS="$SCRATCH/counts.txt"
[[ -f "$PROBE" ]] || fail "no Vulkan probe at $PROBE"

count_of() {
  local value
  value=$(awk -v name="$1" '$1 == name { print $2 }' "$COUNTS" 2>/dev/null || true)
  echo "${value:-0}"
}

# The probe's live-object counts, one "<kind> <count>" a line.
vulkan_objects() { grep -v -E '^(presents|submissions|allocations) ' "$COUNTS"; }

# Waits until $1 more frames have been presented (up to a minute).
run_frames() {
  local target=$(($(count_of presents) + $1))
  for _ in $(seq 1 600); do
    (($(count_of presents) >= target)) && return 0
    kill -0 "$ENGINE_PID" 2>/dev/null || fail "the program ended during the soak: $(tail -n 3 "$SCRATCH/stderr.txt")"
    sleep 0.1
  done
  fail "fewer than $1 frames in a minute"
}

resident_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$ENGINE_PID/status"; }
open_files() { find "/proc/$ENGINE_PID/fd" -mindepth 1 -maxdepth 1 | wc -l; }

hold_key() {
  xdotool keydown "$1"
  run_frames "$2"
  xdotool keyup "$1"
}

# One round of everything a user does, at the window size it starts and ends with (800 x 600). The keys
# go to the window under the pointer, so the pointer rests on the window between gestures.
input_round() {
  local window=$1
  xdotool mousemove --window "$window" 650 100 click 1  # focus the text box
  xdotool type --delay 20 "soak 123"
  run_frames 50
  for _ in $(seq 1 8); do xdotool key BackSpace; done
  xdotool mousemove --window "$window" 100 550 click 1  # and take the focus away again
  hold_key w 100
  hold_key a 50
  hold_key s 100
  hold_key d 50
  xdotool mousemove --window "$window" 350 450 mousedown 1
  for x in 380 410 440 410 380 350; do
    xdotool mousemove --window "$window" "$x" 430
    run_frames 10
  done
  xdotool mouseup 1
  xdotool mousemove --window "$window" 100 550
  hold_key u 150
  xdotool windowsize "$window" 1024 768
  run_frames 200
  xdotool windowsize "$window" 640 480
  run_frames 200
  xdotool windowsize "$window" 800 600
  run_frames 200
}

# What is compared before and after: taken with the program settled at 800 x 600 and no key held.
sample() {
  run_frames 100
  sleep 0.5  # the probe reports four times a second
  SAMPLE_KB=$(resident_kb)
  SAMPLE_FILES=$(open_files)
  SAMPLE_OBJECTS=$(vulkan_objects)
}

prepare_run_folder
(cd "$SCRATCH/run" &&
  exec env LD_PRELOAD="$PROBE${LD_PRELOAD:+:$LD_PRELOAD}" VULKAN_PROBE_COUNTS="$COUNTS" ./engine \
    >"$SCRATCH/stdout.txt" 2>"$SCRATCH/stderr.txt") &
ENGINE_PID=$!
window=$(wait_for_window 60)
wait_for_title "$window" '^fps: [0-9]+\.[0-9]{6} mspf: [0-9]+\.[0-9]{6}$' 30 >/dev/null
started=$SECONDS

input_round "$window"  # the warm-up: every cache and pool reaches its size
sample
warm_kb=$SAMPLE_KB warm_files=$SAMPLE_FILES warm_objects=$SAMPLE_OBJECTS
warm_frames=$(count_of presents)
echo "after warm-up (${warm_frames} frames): ${warm_kb} kB resident, ${warm_files} open files"
echo "$warm_objects" | tr '\n' ' ' | sed 's/^/Vulkan objects: /'
echo

rounds=1
while (($(count_of presents) < FRAMES)); do
  input_round "$window"
  rounds=$((rounds + 1))
done
sample
frames=$(count_of presents)
elapsed=$((SECONDS - started))
echo "after ${frames} frames (${rounds} rounds of input, ${elapsed} s): ${SAMPLE_KB} kB resident," \
  "$((SAMPLE_KB - warm_kb)) kB more than after the warm-up; ${SAMPLE_FILES} open files"

expect_no_validation_messages
[[ "$SAMPLE_FILES" == "$warm_files" ]] || fail "open files grew from $warm_files to $SAMPLE_FILES"
if [[ "$SAMPLE_OBJECTS" != "$warm_objects" ]]; then
  diff <(echo "$warm_objects") <(echo "$SAMPLE_OBJECTS") >&2 || true
  fail "the number of live Vulkan objects changed"
fi
if [[ -n "${ASAN_OPTIONS:-}" ]]; then
  echo "resident memory not judged: AddressSanitizer's quarantine holds freed memory"
elif ((SAMPLE_KB - warm_kb >= ALLOWED_GROWTH_KB)); then
  fail "resident memory grew by $((SAMPLE_KB - warm_kb)) kB after the warm-up (allowed: under $ALLOWED_GROWTH_KB kB)"
fi

status=0
close_engine || status=$?
[[ $status -eq 0 ]] || fail "exit code $status after closing the window"
echo "PASS"
