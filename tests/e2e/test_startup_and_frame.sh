# Start-up and the running frame: the log of start-up in order, the light background, the translucent text
# box in the upper right, the textured character in the middle, its animation, the frame rate in the title
# and a clean exit.
source "$(dirname "$0")/e2e_lib.sh"

readonly BACKGROUND="240,255,255"
readonly TEXT_BOX="197,250,224"  # the box's colour at 20 % over the background

prepare_run_folder
start_engine
window=$(wait_for_window 30)
wait_for_output_line "^Resize Performed result:" 30
title=$(wait_for_title "$window" '^fps: [0-9]+\.[0-9]{6} mspf: [0-9]+\.[0-9]{6}$' 2)
echo "title: $title"

# Device setup, textures, content, then the first pass of the loop resizes to the window's size.
expected=("Initializing factory" "Initialized factory" "command list Created" "Initializing renderbuffers"
          "Materialas Loaded" "Loading meshes completed" "Resize Performed")
next=0
while IFS= read -r message; do
  [[ $next -lt ${#expected[@]} && "$message" == "${expected[$next]}" ]] && next=$((next + 1))
done < <(log_messages)
[[ $next -eq ${#expected[@]} ]] || fail "start-up log out of order, missing '${expected[$next]}': $(log_messages | tr '\n' '|')"

screenshot "$window" "$SCRATCH/first.png"
sleep 0.5
screenshot "$window" "$SCRATCH/second.png"

shot="$SCRATCH/first.png"
expect_pixel_near "$shot" 5 595 "$BACKGROUND"
expect_pixel_near "$shot" 795 595 "$BACKGROUND"
# The box: half the client area from (500, 0), translucent over the background.
expect_pixel_near "$shot" 510 10 "$TEXT_BOX"
expect_pixel_near "$shot" 795 295 "$TEXT_BOX"
expect_pixel_near "$shot" 795 305 "$BACKGROUND"
expect_pixel_near "$shot" 495 10 "$BACKGROUND"

character=$(count_unlike "$shot" 200x500+300+50 "$BACKGROUND")
blue=$(count_blue "$shot" 200x500+300+50)
echo "character: $character pixels, $blue of them blue"
((character > 10000)) || fail "no character in the middle of the window ($character pixels)"
((blue > 2000 && blue < character - 2000)) || fail "the character is not textured ($blue blue of $character)"

moved=$(count_differences "$SCRATCH/first.png" "$SCRATCH/second.png" 300x600+250+0)
still=$(count_differences "$SCRATCH/first.png" "$SCRATCH/second.png" 100x100+0+500)
echo "half a second later: $moved pixels changed around the character, $still in the corner"
((moved > 500)) || fail "the character does not move between two screenshots"
((still == 0)) || fail "the background changed between two screenshots"

status=0
close_engine || status=$?
[[ $status -eq 0 ]] || fail "exit code $status after closing the window"
expect_no_validation_messages
echo "PASS"
