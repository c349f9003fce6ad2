# The console can never stop or hang the program: with its output piped into a reader that leaves after
# the first line, or with its standard streams closed, it still starts, draws and exits with 0 when asked
# to close. A second close request that arrives while the first is under way still ends with 0.
source "$(dirname "$0")/e2e_lib.sh"

readonly TITLE='^fps: [0-9]+\.[0-9]{6} mspf: [0-9]+\.[0-9]{6}$'

# expect_draws_and_closes <case>: the engine started by the caller shows the frame rate and exits with 0.
expect_draws_and_closes() {
  local window status=0
  window=$(wait_for_window 30)
  wait_for_title "$window" "$TITLE" 30 >/dev/null
  close_engine || status=$?
  ((status == 0)) || fail "$1: exit code $status after the close request"
  echo "ok   $1"
}

prepare_run_folder

# Output into a pipe whose reader leaves after the first line.
mkfifo "$SCRATCH/pipe"
head -n 1 <"$SCRATCH/pipe" >"$SCRATCH/first_line.txt" &
(cd "$SCRATCH/run" && exec ./engine >"$SCRATCH/pipe" 2>"$SCRATCH/stderr.txt") &
ENGINE_PID=$!
expect_draws_and_closes "stdout into a pipe closed after one line"
grep -q "^Initializing factory result:" "$SCRATCH/first_line.txt" || fail "the reader got '$(cat "$SCRATCH/first_line.txt")'"

# All three standard streams closed: the log must not end up in the display connection.
(cd "$SCRATCH/run" && exec ./engine <&- >&- 2>&-) &
ENGINE_PID=$!
expect_draws_and_closes "standard streams closed"

# Two termination signals a millisecond apart, as `timeout` sends one to the process and one to its group.
for attempt in 1 2 3 4 5; do
  start_engine
  window=$(wait_for_window 30)
  wait_for_title "$window" "$TITLE" 30 >/dev/null
  kill -TERM "$ENGINE_PID"
  sleep 0.001
  kill -TERM "$ENGINE_PID" 2>/dev/null || true
  status=0
  wait_for_exit 30 || status=$?
  ((status == 0)) || fail "two signals, attempt $attempt: exit code $status"
done
echo "ok   two signals a millisecond apart, five times"
expect_no_validation_messages
echo "PASS"
