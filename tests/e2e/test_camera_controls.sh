# The camera from the keyboard and the mouse: W brings the character closer, and a left-button drag to
# the right turns the view so the character slides to the left.
source "$(dirname "$0")/e2e_lib.sh"

readonly BACKGROUND="240,255,255"

prepare_run_folder
start_engine
window=$(wait_for_window 30)
wait_for_output_line "^Resize Performed result:" 30
# Keys go to the window under the pointer.
xdotool mousemove --window "$window" 100 550
sleep 0.3

# Covered pixels of the lower half of a new screenshot $1.
lower_half_covered() {
  screenshot "$window" "$SCRATCH/$1.png"
  count_unlike "$SCRATCH/$1.png" 800x300+0+300 "$BACKGROUND"
}

# Every frame that finds W down moves the camera half a unit towards the character, four units away. A
# tap (press and release in one go) lasts a frame or none, so tapping until the character has grown
# cannot carry the camera past it.
start=$(lower_half_covered start)
closer=$start
for tap in $(seq 1 20); do
  xdotool key w
  sleep 0.1
  closer=$(lower_half_covered closer)
  ((closer > start * 6 / 5)) && break
done
echo "lower half covered by the character: $start pixels at the start, $closer after $tap taps of W"
((closer > start * 6 / 5)) || fail "W did not bring the character closer ($start -> $closer pixels)"

# A quarter of a degree per pixel: 100 pixels to the right turn the view 25 degrees to the right.
centre_before=$(count_unlike "$SCRATCH/closer.png" 200x300+300+300 "$BACKGROUND")
xdotool mousemove --window "$window" 350 450 mousedown 1
for x in $(seq 360 10 450); do
  xdotool mousemove --window "$window" "$x" 450
  sleep 0.03
done
xdotool mouseup 1
# A loaded machine may take a moment to draw the turned view: look again for up to ten seconds.
for _ in $(seq 1 50); do
  sleep 0.2
  screenshot "$window" "$SCRATCH/turned.png"
  centre_after=$(count_unlike "$SCRATCH/turned.png" 200x300+300+300 "$BACKGROUND")
  left_after=$(count_unlike "$SCRATCH/turned.png" 300x300+0+300 "$BACKGROUND")
  ((centre_after < centre_before / 3 && left_after > 2000)) && break
done
echo "after the drag: $centre_after pixels in the middle (were $centre_before), $left_after on the left"
((centre_after < centre_before / 3 && left_after > 2000)) || fail "the drag did not turn the view"

status=0
close_engine || status=$?
[[ $status -eq 0 ]] || fail "exit code $status after closing the window"
expect_no_validation_messages
echo "PASS"
