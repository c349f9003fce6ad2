# The U key moves the model along a circle in its own plane: tapped a few times, the character travels to
# the right, and every frame that moves it rewrites its per-object constants, which the console traces as
# the byte offsets of its two constant slots.
source "$(dirname "$0")/e2e_lib.sh"

readonly BACKGROUND="240,255,255"

# Lines of the slot-offset trace so far.
count_slot_lines() { grep -c -E '^(0|256)$' "$SCRATCH/stdout.txt" || true; }

prepare_run_folder
start_engine
window=$(wait_for_window 30)
wait_for_output_line "^Resize Performed result:" 30
xdotool mousemove --window "$window" 100 550  # keys go to the window under the pointer
sleep 0.3

screenshot "$window" "$SCRATCH/before.png"
right_before=$(count_unlike "$SCRATCH/before.png" 300x300+500+300 "$BACKGROUND")
lines_before=$(count_slot_lines)
((lines_before == 2)) || fail "the first frame traced $lines_before slot offsets, expected 0 and 256"

# Each frame that sees U moves the model a tenth of a unit (about 18 pixels here); a tap counts for a
# frame even when it is over before the frame looks.
right_after=$right_before
for tap in $(seq 1 40); do
  xdotool key u
  sleep 0.05
  screenshot "$window" "$SCRATCH/after.png"
  right_after=$(count_unlike "$SCRATCH/after.png" 300x300+500+300 "$BACKGROUND")
  ((right_after > right_before + 2000)) && break
done
lines_after=$(count_slot_lines)
echo "lower right covered by the character: $right_before pixels before U, $right_after after $tap taps;" \
  "slot offsets traced: $lines_before before, $lines_after after"
((right_after > right_before + 2000)) || fail "U did not move the model to the right"
((lines_after > lines_before && lines_after % 2 == 0)) || fail "U did not rewrite both constant slots"

status=0
close_engine || status=$?
[[ $status -eq 0 ]] || fail "exit code $status after closing the window"
expect_no_validation_messages
echo "PASS"
