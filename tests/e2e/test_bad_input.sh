# The real program on bad input files, each case in a run folder of its own: every input file missing,
# empty, cut in half and replaced by random bytes, and a few files damaged in particular ways. A case
# either stops during start-up with exit code 1 and a last stderr line naming the file and the problem,
# or, where that is the sound behaviour, runs: shows its window and frame-rate title, draws, and exits
# with 0 when closed. No case may crash, hang or leave a process behind.
# BAD_INPUT_CASES (an extended regular expression) runs only the matching cases.
source "$(dirname "$0")/e2e_lib.sh"

readonly INPUT_FILES=(char.fbx newarial.fnt newarial.png blessing-1x.png
                      Shaders/FontVS.hlsl Shaders/FontPS.hlsl Shaders/objVS.hlsl Shaders/objPS.hlsl)
readonly TITLE_PATTERN='^fps: [0-9]+\.[0-9]{6} mspf: [0-9]+\.[0-9]{6}$'
readonly MODEL_MAKER="$(dirname "$RUN_DIR")/tests/faults/make_bad_models"
failures=()

# --- damaging a file of the run folder $SCRATCH/run --------------------------------------------------------

# The same bytes on every run: awk's generator with a fixed seed, in the C locale so each value is a byte.
random_bytes() {
  LC_ALL=C awk -v count="$1" 'BEGIN { srand(8); for (i = 0; i < count; i++) printf "%c", int(rand() * 256) }'
}

cut_in_half() {
  local file=$1 size
  size=$(stat -c %s "$file")
  truncate -s $((size / 2)) "$file"
}

write_random_bytes() { random_bytes 4096 >"$1"; }

# Replaces the first match of the sed expression $2 in $1 and fails the test if nothing matched: a case
# whose damage did not happen would pass for the wrong reason.
edit_file() {
  local file=$1 expression=$2
  cp "$file" "$file.before"
  sed -i -E "$expression" "$file"
  if cmp -s "$file" "$file.before"; then
    echo "'$expression' changes nothing in $file" >&2
    return 1
  fi
  rm "$file.before"
}

# Overwrites 64 bytes of the first IDAT chunk of the PNG $1 from its 100th data byte, leaving the
# signature, the header chunk and the file's size alone.
damage_pixel_data() {
  local type_offset
  type_offset=$(grep -a -b -o IDAT "$1" | head -n 1 | cut -d: -f1)
  head -c 64 /dev/zero | tr '\0' 'Z' | dd of="$1" bs=1 seek=$((type_offset + 4 + 100)) conv=notrunc status=none
}

# --- running a case -----------------------------------------------------------------------------------------

record_failure() {
  echo "FAIL $1: $2"
  if [[ -s "$SCRATCH/stderr.txt" ]]; then
    tail -n 8 "$SCRATCH/stderr.txt" | sed 's/^/       stderr: /'
  fi
  failures+=("$1")
}

# Processes whose working directory is the case's run folder: the program and anything it started.
processes_left() {
  local process
  for process in /proc/[0-9]*; do
    if [[ "$process/cwd" -ef "$SCRATCH/run" ]]; then
      echo "${process#/proc/}"
    fi
  done
}

# Runs the program in a fresh copy of the run folder after the command $1... has damaged it there.
start_case() {
  rm -rf "$SCRATCH/run"
  prepare_run_folder
  (cd "$SCRATCH/run" && "$@") || fail "setting up the case: $*"
  start_engine
}

check_nothing_left_behind() {
  local left
  left=$(processes_left)
  if [[ -n "$left" ]]; then
    record_failure "$1" "processes left behind: $left"
    kill -KILL $left 2>/dev/null || true
  fi
}

# expect_stop <case> <file named by the last line> <extended regex for the last line> <setup...>
expect_stop() {
  local name=$1 file=$2 pattern=$3
  shift 3
  selected "$name" || return 0
  start_case "$@"
  wait_for_end 60
  local last
  last=$(tail -n 1 "$SCRATCH/stderr.txt")
  if [[ "$STATUS" != 1 ]]; then
    record_failure "$name" "exit code $STATUS, expected 1"
  elif [[ "$last" != *"$file"* || ! "$last" =~ $pattern ]]; then
    record_failure "$name" "last stderr line '$last' does not name $file and match '$pattern'"
  else
    echo "ok   $name: $last"
  fi
  check_nothing_left_behind "$name"
}

# expect_run <case> <setup...>: the program starts, titles its window with the frame rate, and exits with
# 0 on a close request. Leaves a screenshot in $SCRATCH/first.png and one half a second later in
# $SCRATCH/second.png.
expect_run() {
  local name=$1
  shift
  selected "$name" || return 0
  # The screenshots of an earlier case must not stand in for this one's.
  rm -f "$SCRATCH/first.png" "$SCRATCH/second.png"
  start_case "$@"
  local window="" title=""
  for _ in $(seq 1 300); do
    window=$(xdotool search --onlyvisible --pid "$ENGINE_PID" 2>/dev/null | head -n 1 || true)
    [[ -n "$window" ]] && title=$(xdotool getwindowname "$window" 2>/dev/null || true)
    [[ "$title" =~ $TITLE_PATTERN ]] && break
    kill -0 "$ENGINE_PID" 2>/dev/null || break
    sleep 0.1
  done
  if [[ ! "$title" =~ $TITLE_PATTERN ]]; then
    wait_for_end 1
    record_failure "$name" "no window with a frame-rate title (exit code $STATUS)"
    check_nothing_left_behind "$name"
    return 0
  fi
  screenshot "$window" "$SCRATCH/first.png"
  sleep 0.5
  screenshot "$window" "$SCRATCH/second.png"
  kill -TERM "$ENGINE_PID"
  wait_for_end 30
  if [[ "$STATUS" != 0 ]]; then
    record_failure "$name" "exit code $STATUS after the close request, expected 0"
  elif grep -q -i "validation" "$SCRATCH/stderr.txt"; then
    record_failure "$name" "the Vulkan validation layer reported messages"
  else
    echo "ok   $name: runs ($title)"
  fi
  check_nothing_left_behind "$name"
}

selected() { [[ -z "${BAD_INPUT_CASES:-}" || "$1" =~ $BAD_INPUT_CASES ]]; }

# --- the cases ------------------------------------------------------------------------------------------------

# What each file's stop line says, beyond its name. The font reads a missing or empty file as one without
# words, whose size value is no number.
stop_reason() {
  case "$1/$2" in
    char.fbx/*) echo "cannot import the model: .+" ;;
    newarial.fnt/missing) echo ": invalid stoi argument \(the file cannot be opened\)$" ;;
    newarial.fnt/*) echo ": (invalid stoi argument|stoi argument out of range|bad array new length)$" ;;
    *.png/missing) echo "cannot open the image: .+\(0x80070002\)$" ;;
    *.png/cut) echo "cannot decode the pixels: .+\(0x[0-9A-F]{8}\)$" ;;
    *.png/*) echo "cannot open the image: .+\(0x88982F50\)$" ;;  # WINCODEC_ERR_COMPONENTNOTFOUND
    Shaders/*/missing) echo ": error: file not found$" ;;
    Shaders/*) echo "(:[0-9]+)?: error: .+" ;;  # an empty file has no line to blame: no entry point
  esac
}

# Every input file missing, empty, cut in half and replaced by random bytes. A font cut in half still
# runs: the reader cannot tell a file that ends early from a short one, and takes every later value from
# the last word it read (here "xoffset=5" of a char line), so the program starts with a strange font.
for file in "${INPUT_FILES[@]}"; do
  expect_stop "$file missing" "$file" "$(stop_reason "$file" missing)" rm "$file"
  expect_stop "$file empty" "$file" "$(stop_reason "$file" empty)" truncate -s 0 "$file"
  if [[ "$file" == newarial.fnt ]]; then
    expect_run "$file cut in half" cut_in_half "$file"
  else
    expect_stop "$file cut in half" "$file" "$(stop_reason "$file" cut)" cut_in_half "$file"
  fi
  expect_stop "$file random bytes" "$file" "$(stop_reason "$file" random)" write_random_bytes "$file"
done

# The font: a value that is no number, a negative count, and a file that ends after its char lines (the
# kerning count then comes from the last char line's last word, chnl=15, and so do the pairs: it runs).
expect_stop "font with a bad number" newarial.fnt ": invalid stoi argument$" \
  edit_file newarial.fnt 's/lineHeight=167/lineHeight=tall/'
expect_stop "font with a negative count" newarial.fnt ": bad array new length$" \
  edit_file newarial.fnt 's/chars count=95/chars count=-95/'
expect_run "font ending early" edit_file newarial.fnt '/^kernings/,$d'

# An image whose header is sound but whose pixel data is damaged: the decoder finds out at CopyPixels.
expect_stop "texture with damaged pixel data" blessing-1x.png "cannot decode the pixels: .+" \
  damage_pixel_data blessing-1x.png

# A shader with a syntax error: the compiler's line with file and line number.
expect_stop "shader with a syntax error" Shaders/FontPS.hlsl ":[0-9]+: error" \
  edit_file Shaders/FontPS.hlsl '0,/return/s/return/return return/'

# Models written by make_bad_models: the character without its animation runs and stands still in its
# bind pose; a model with 97 bones is refused, since the bone palette holds 96.
models="$SCRATCH/models"
mkdir -p "$models"
"$MODEL_MAKER" "$REPO_ROOT/engine/assets/char.fbx" "$models" || fail "make_bad_models could not write the models"
expect_run "model without an animation" cp "$models/no-animation.fbx" char.fbx
if selected "model without an animation" && [[ -f "$SCRATCH/second.png" ]]; then
  changed=$(count_differences "$SCRATCH/first.png" "$SCRATCH/second.png" 300x600+250+0)
  character=$(count_unlike "$SCRATCH/first.png" 200x500+300+50 "240,255,255")
  if ((changed != 0 || character < 10000)); then
    record_failure "model without an animation" "$character character pixels, $changed changed in half a second"
  fi
fi
expect_stop "model with 97 bones" char.fbx "97 bones.*96" cp "$models/too-many-bones.fbx" char.fbx

if ((${#failures[@]} > 0)); then
  fail "${#failures[@]} case(s): $(printf '%s; ' "${failures[@]}")"
fi
echo "PASS"
