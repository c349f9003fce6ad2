# Resizing the window to 1024 x 768 and back: each size change is one resize in the log, and each frame
# after it fills the new client area, with the text box across half of it and the character in the middle.
# A size the device cannot make keeps the last one and the program running.
source "$(dirname "$0")/e2e_lib.sh"

readonly BACKGROUND="240,255,255"
readonly TEXT_BOX="197,250,224"

# Waits until the log holds $1 resize lines.
wait_for_resizes() {
  for _ in $(seq 1 100); do
    (($(grep -c "^Resize Performed result:" "$SCRATCH/stdout.txt") >= $1)) && return 0
    sleep 0.1
  done
  fail "the log shows $(grep -c "^Resize Performed result:" "$SCRATCH/stdout.txt") resizes, expected $1"
}

# The frame of a width x height client area: background corners, the box from (500, 0) across half the
# client area, and the character around the middle.
expect_frame_of_size() {
  local width=$1 height=$2 shot="$SCRATCH/frame_$1x$2.png"
  sleep 0.3
  screenshot "$window" "$shot"
  [[ "$(identify -format '%wx%h' "$shot")" == "${width}x${height}" ]] || fail "the window shows $(identify -format '%wx%h' "$shot")"
  expect_pixel_near "$shot" 5 $((height - 5)) "$BACKGROUND"
  expect_pixel_near "$shot" $((width - 5)) $((height - 5)) "$BACKGROUND"
  local box_right=$((500 + width / 2 < width ? 500 + width / 2 : width))
  expect_pixel_near "$shot" 495 10 "$BACKGROUND"
  expect_pixel_near "$shot" 505 10 "$TEXT_BOX"
  expect_pixel_near "$shot" $((box_right - 5)) $((height / 2 - 5)) "$TEXT_BOX"
  expect_pixel_near "$shot" $((box_right - 5)) $((height / 2 + 5)) "$BACKGROUND"
  ((box_right == width)) || expect_pixel_near "$shot" $((box_right + 5)) 10 "$BACKGROUND"
  local character
  character=$(count_unlike "$shot" "$((width / 4))x$((height / 2))+$((width * 3 / 8))+$((height / 2))" "$BACKGROUND")
  ((character > 2000)) || fail "no character in the middle of the $width x $height frame"
  echo "$width x $height: box and background in place, character covers $character pixels of the lower middle"
}

prepare_run_folder
start_engine
window=$(wait_for_window 30)
wait_for_resizes 1
expect_frame_of_size 800 600

xdotool windowsize "$window" 1024 768
wait_for_resizes 2
expect_frame_of_size 1024 768

xdotool windowsize "$window" 800 600
wait_for_resizes 3
expect_frame_of_size 800 600

# Wider than any texture the device can make: one line says so, and the program draws on at the size it
# had, so going back to a size it can make works as before.
xdotool windowsize "$window" 17000 100
for _ in $(seq 1 100); do
  grep -q "cannot resize to 17000 x 100" "$SCRATCH/stderr.txt" && break
  kill -0 "$ENGINE_PID" 2>/dev/null || fail "the program stopped at 17000 x 100: $(tail -n 1 "$SCRATCH/stderr.txt")"
  sleep 0.1
done
grep -E "cannot resize to 17000 x 100 \(0x[0-9A-F]{8}\); drawing on at 800 x 600$" "$SCRATCH/stderr.txt" ||
  fail "no line about the size it cannot make: $(tail -n 2 "$SCRATCH/stderr.txt")"
xdotool windowsize "$window" 640 480
wait_for_resizes 4
expect_frame_of_size 640 480

status=0
close_engine || status=$?
[[ $status -eq 0 ]] || fail "exit code $status after closing the window"
expect_no_validation_messages
echo "PASS"
