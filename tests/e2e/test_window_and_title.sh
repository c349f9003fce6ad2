# The program opens an 800 x 600 client area, shows the frame rate in its title within about a second of
# drawing, and ends with exit code 0 when its window is closed.
source "$(dirname "$0")/e2e_lib.sh"

prepare_run_folder
start_engine
window=$(wait_for_window 30)

eval "$(xdotool getwindowgeometry --shell "$window")"
[[ "$WIDTH" == 800 && "$HEIGHT" == 600 ]] || fail "client area is ${WIDTH} x ${HEIGHT}, expected 800 x 600"

title=$(wait_for_title "$window" '^fps: [0-9]+\.[0-9]{6} mspf: [0-9]+\.[0-9]{6}$' 30)
echo "title: $title"

status=0
close_engine || status=$?
[[ $status -eq 0 ]] || fail "exit code $status after closing the window"
expect_no_validation_messages
echo "PASS"
