# Sourced by the peer benchmarks (run_peers.sh, run_scaling_peers.sh): reading Google Benchmark reports,
# frame rates from present logs, medians, and running a program in its window or f3d's interaction replay
# with present_counter.so preloaded. The caller sets `fail_prefix`, `scratch`, `counter`, `f3d`, `model`,
# `width`, `height`, `warmup_seconds`, `measure_seconds`, `f3d_frames` and `f3d_warmup_frames`.

fail() {
  echo "${fail_prefix:-peers}: $*" >&2
  exit 2
}

# --- Helpers -------------------------------------------------------------------------------------------

# A counter of one benchmark in a Google Benchmark JSON report.
json_counter() {
  local file=$1 benchmark=$2 counter=$3 value
  value=$(awk -v benchmark="\"name\": \"$benchmark\"," -v counter="\"$counter\":" '
    index($0, benchmark) { found = 1 }
    found && $1 == counter { sub(/,$/, "", $2); print $2; exit }' "$file")
  [[ -n "$value" ]] || fail "no counter $counter of $benchmark in $file"
  echo "$value"
}

# Frames per second from a log of presentation timestamps, one per line.
presented_fps() {
  awk 'NR == 1 { first = $1 }
       { last = $1 }
       END { if (NR > 1 && last > first) printf "%.1f", (NR - 1) / (last - first); else print "0" }' "$1"
}

median() {
  printf '%s\n' "$@" | sort -g | awk '
    { value[NR] = $1 }
    END { if (NR % 2) print value[(NR + 1) / 2]; else printf "%.1f", (value[NR / 2] + value[NR / 2 + 1]) / 2 }'
}

calc() {
  awk "BEGIN { printf \"%.${2:-1}f\", $1 }"
}

# Up to first_frame_seconds (default 30): a large model takes its time to load.
wait_for_first_frame() {
  local log=$1 pid=$2
  for _ in $(seq 1 $((${first_frame_seconds:-30} * 10))); do
    [[ -s "$log" ]] && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# The program being measured; stopped on every way out of the script.
program_pid=""
stop_program() {
  [[ -n "$program_pid" ]] || return 0
  kill -TERM "$program_pid" 2>/dev/null || true
  for _ in $(seq 1 50); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$program_pid" 2>/dev/null || true
  wait "$program_pid" 2>/dev/null || true
  program_pid=""
}

# Runs a program with the present counter for warm-up plus measuring time and sets measured_fps to its
# presented frame rate. on_start runs with the window id once the first frame is up, on_end with the window
# id when the measurement ends (before the program is stopped).
# Usage: measure_window <name> <window title pattern, or '' to find it by pid> <on_start> <on_end> <command...>
measured_fps=""
measure_window() {
  local name=$1 window_pattern=$2 on_start=$3 on_end=$4
  shift 4
  local log="$scratch/$name.presents" window_log="$scratch/$name.window"
  : >"$log"
  PRESENT_LOG="$log" LD_PRELOAD="$counter" "$@" >"$scratch/$name.out" 2>&1 &
  program_pid=$!
  if ! wait_for_first_frame "$log" "$program_pid"; then
    stop_program
    fail "$name presented no frame; it said: $(tail -n 1 "$scratch/$name.out")"
  fi
  # Without a title pattern the window is found by its process id (_NET_WM_PID, which f3d's does not carry).
  local search=(--pid "$program_pid") window
  [[ -z "$window_pattern" ]] || search=(--name "$window_pattern")
  window=$(timeout 10 xdotool search --sync --limit 1 "${search[@]}" 2>/dev/null | head -n 1 || true)
  [[ -n "$window" ]] || { stop_program; fail "no window of $name found"; }
  "$on_start" "$window"
  sleep "$warmup_seconds"
  : >"$log"
  sleep "$measure_seconds"
  cp "$log" "$window_log"
  "$on_end" "$window"
  stop_program
  measured_fps=$(presented_fps "$window_log")
  [[ "$measured_fps" != 0 ]] || fail "$name presented fewer than two frames in $measure_seconds s"
}

nothing() { :; }

# f3d shows the model still until its Space key starts the animation.
play_f3d_animation() {
  # Xvfb has no window manager, so xdotool complains about the input focus; the key arrives all the same.
  xdotool key --window "$1" space 2>/dev/null
}

# An f3d interaction log (the format its --interaction-test-record writes): Space starts the animation,
# each timer event plays one step and renders it, Escape ends the program.
write_f3d_replay() {
  local key="400 299 0"
  {
    echo "# StreamVersion 1.1"
    echo "ExposeEvent 0 $((height - 1)) 0 0 0 0"
    printf '%s\n' "KeyPressEvent $key 32 1 space" "CharEvent $key 32 1 space" "KeyReleaseEvent $key 32 1 space"
    for _ in $(seq 1 "$f3d_frames"); do echo "TimerEvent $key 0 0 0"; done
    printf '%s\n' "KeyPressEvent $key 0 1 Escape" "CharEvent $key 27 1 Escape" "KeyReleaseEvent $key 0 1 Escape"
  } >"$1"
}

# Replays a log in f3d and sets measured_fps to the rate of its frames after the warm-up ones. The log comes
# from the writer function named by the argument (default write_f3d_replay), which makes one frame per step.
measure_f3d_replay() {
  local replay="$scratch/f3d.replay" log="$scratch/f3d-replay.presents" frames
  "${1:-write_f3d_replay}" "$replay"
  : >"$log"
  # f3d leaves with exit code 1 ("Interactor has been stopped") after the Escape of the log. The time limit
  # allows a second per step, should a different f3d ignore the Escape.
  PRESENT_LOG="$log" LD_PRELOAD="$counter" timeout "$((30 + f3d_frames))" \
    "$f3d" --resolution "$width,$height" --interaction-test-play="$replay" "$model" >"$scratch/f3d-replay.out" 2>&1 &
  program_pid=$!
  wait "$program_pid" || true
  program_pid=""
  # The first presented frame is the one before the replay starts.
  frames=$(wc -l <"$log")
  ((frames > f3d_frames)) \
    || fail "f3d presented $frames frames replaying $f3d_frames steps; it said: $(tail -n 1 "$scratch/f3d-replay.out")"
  tail -n "$((f3d_frames - f3d_warmup_frames))" "$log" >"$scratch/f3d-replay.counted"
  measured_fps=$(presented_fps "$scratch/f3d-replay.counted")
}

# The engine's own counter, from its title ("fps: 112.000000 mspf: 8.928572"), beside the counted rate.
engine_title_fps=()
read_engine_title() {
  local title fps
  title=$(xdotool getwindowname "$1" 2>/dev/null || true)
  fps=$(sed -n 's/^fps: \([0-9.]*\).*/\1/p' <<<"$title")
  [[ -z "$fps" ]] || engine_title_fps+=("$fps")
}
