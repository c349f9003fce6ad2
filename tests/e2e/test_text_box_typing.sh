# The text box takes typed keys while it has the focus: a click into it and "Hi" draw two characters in
# the box; after a click outside, typing changes neither the box nor the console.
source "$(dirname "$0")/e2e_lib.sh"

# The box's first text line: the box is half the client area from (500, 0) after the first resize, and the
# character's hand swings into its lower left corner.
readonly TEXT_LINE=300x60+500+0

prepare_run_folder
start_engine
window=$(wait_for_window 30)
wait_for_output_line "^Resize Performed result:" 30
sleep 0.3
screenshot "$window" "$SCRATCH/empty.png"

xdotool mousemove --window "$window" 650 100 click 1
sleep 0.2
xdotool type --delay 80 "Hi"
typed=$(wait_for_difference "$window" "$SCRATCH/empty.png" "$SCRATCH/typed.png" "$TEXT_LINE" 20)
echo "typing into the box changed $typed pixels of its first line"
((typed > 20)) || fail "typing with the focus did not change the box"

xdotool mousemove --window "$window" 100 500 click 1
sleep 0.2
output_before=$(wc -l <"$SCRATCH/stdout.txt")
screenshot "$window" "$SCRATCH/unfocused.png"
xdotool type --delay 80 "Hi"
# Nothing should change, so there is nothing to wait for: give the keys ample time to arrive.
sleep 1
screenshot "$window" "$SCRATCH/ignored.png"
ignored=$(count_differences "$SCRATCH/unfocused.png" "$SCRATCH/ignored.png" "$TEXT_LINE")
output_after=$(wc -l <"$SCRATCH/stdout.txt")
echo "typing without the focus changed $ignored pixels of that line and wrote $((output_after - output_before)) lines"
((ignored == 0)) || fail "typing without the focus changed the box"
((output_after == output_before)) || fail "typing without the focus wrote to the console"

status=0
close_engine || status=$?
[[ $status -eq 0 ]] || fail "exit code $status after closing the window"
expect_no_validation_messages
echo "PASS"
