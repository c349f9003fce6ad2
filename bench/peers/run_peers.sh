#!/usr/bin/env bash
# The engine against its peers, in one run, on the same CPU rasterizer under one X display:
#   - the engine's frame rate: frame_bench (the real program off-screen, median frame) and the real
#     program in its 800 x 600 window (presented frames counted from outside, its "fps:" title beside);
#   - the Direct3D 12 layer against direct Vulkan: d3d12_frame_benchmark's alternating comparison of an
#     engine-like frame (text quads, then N textured draws with their own constants, an off-screen present)
#     written once through the layer and once in plain Vulkan. There is no plain-Vulkan copy of the whole
#     engine frame; this is the frame the ratio is measured on;
#   - Debian's f3d viewer playing the animation of assets/char.fbx in an 800 x 600 window.
# and prints frames per second side by side with the targets: within 1.15 x of direct Vulkan, faster than f3d.
#
# How windowed frame rates are measured: each program runs with present_counter.so preloaded, which logs
# a timestamp for every frame it presents (glXSwapBuffers for f3d's OpenGL, vkQueuePresentKHR for the
# engine). After a warm-up the log is emptied; after the measuring time the rate is
# (frames - 1) / (last - first timestamp). Both programs are counted the same way, at what reached the
# screen, whatever their own counters measure. The rounds alternate engine and f3d, so load from other
# processes on the machine falls on both; each figure is the median over the rounds.
#
# Caveats about f3d 1.3.1:
#   - It has no frame-rate report to read (its --fps option draws a counter into the picture) and no
#     option that renders N animation frames; the animation starts with its Space key, sent here.
#   - Playing, it renders one animation step per tick of a repeating timer of 30 per second (shown by a
#     120 x 90 window, which plays at 30.0 fps), so its animated frame rate cannot exceed that tick rate;
#     it has no option to change it. When the measured rate comes within
#     10 % of it the script says so: f3d was waiting on its timer, not on the rasterizer, and the figure
#     is a floor of what it could draw.
#   - It is the peer's OpenGL on llvmpipe against our Vulkan on lavapipe: the same Mesa CPU rasterizer,
#     two front ends.
#
# Usage: bench/peers/run_peers.sh [build folder]   (default: build/, built through scripts/build.sh)
# Environment: PEERS_ROUNDS (default 3), PEERS_SECONDS measured per round (default 5),
#              PEERS_WARMUP_SECONDS before each measurement (default 3).
# Exit code: 0 when both targets are met, 1 when one is missed, 2 when something could not be measured.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath -m "${1:-$root/build}")
rounds=${PEERS_ROUNDS:-3}
measure_seconds=${PEERS_SECONDS:-5}
warmup_seconds=${PEERS_WARMUP_SECONDS:-3}
readonly vulkan_ratio_target=1.15
readonly f3d_tick_rate=30
readonly width=800 height=600

fail() {
  echo "run_peers: $*" >&2
  exit 2
}

# --- Build ---------------------------------------------------------------------------------------------

build_programs() {
  if [[ ! -f "$build/build.ninja" ]]; then
    [[ "$build" == "$root/build" ]] || fail "$build is not a configured build folder"
    "$root/scripts/build.sh"
  fi
  cmake --build "$build" -j2 --target engine frame_bench d3d12_frame_benchmark present_counter >/dev/null \
    || fail "building the benchmark programs in $build failed (run: cmake --build $build)"
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
  awk 'NR == 1 { first = $1 } { last = $1 } END { if (NR > 1 && last > first) printf "%.1f", (NR - 1) / (last - first); else print "0" }' "$1"
}

median() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

calc() {
  awk "BEGIN { printf \"%.${2:-1}f\", $1 }"
}

wait_for_first_frame() {
  local log=$1 pid=$2
  for _ in $(seq 1 300); do
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
  xdotool key --window "$1" space
}

# The engine's own counter, from its title ("fps: 112.000000 mspf: 8.928572"), beside the counted rate.
engine_title_fps=()
read_engine_title() {
  local title fps
  title=$(xdotool getwindowname "$1" 2>/dev/null || true)
  fps=$(sed -n 's/^fps: \([0-9.]*\).*/\1/p' <<<"$title")
  [[ -z "$fps" ]] || engine_title_fps+=("$fps")
}

# --- The run -------------------------------------------------------------------------------------------

main() {
  build_programs
  local frame_bench="$build/bench/frame/frame_bench" layer_bench="$build/bench/d3d12/d3d12_frame_benchmark"
  counter="$build/bench/peers/present_counter.so"
  model="$build/run/char.fbx"
  for file in "$build/run/engine" "$frame_bench" "$layer_bench" "$counter" "$model"; do
    [[ -e "$file" ]] || fail "$file is missing after the build"
  done
  have_f3d=1
  if ! command -v f3d >/dev/null; then
    have_f3d=0
    echo "run_peers: f3d is not installed; install it with 'apt-get install f3d' (Debian 12: 1.3.1) to" \
      "compare with the viewer. Only this benchmark needs it, so scripts/install-deps.sh leaves it out." >&2
  fi

  source "$root/scripts/xvfb.sh"
  start_virtual_display || fail "no X display"
  scratch=$(mktemp -d)
  trap 'stop_program; rm -rf "$scratch"; [[ -z "${XVFB_PID:-}" ]] || kill "$XVFB_PID" 2>/dev/null || true' EXIT

  echo "Measuring on $(nproc) cores under display $DISPLAY: $rounds rounds of $measure_seconds s" \
    "after $warmup_seconds s of warm-up (load average before: $(cut -d ' ' -f 1-3 /proc/loadavg))"

  # (a) The real program off-screen: frame_bench's median frame.
  "$frame_bench" --benchmark_filter='BM_Frame' --benchmark_out="$scratch/frame.json" \
    --benchmark_out_format=json >/dev/null 2>"$scratch/frame.err" \
    || fail "frame_bench failed: $(tail -n 1 "$scratch/frame.err")"

  # (b) The layer against direct Vulkan, both frames in turn in one process, at 10 and 100 draws; the
  # median of three repetitions, since a busy machine can slow one frame and not the other for a while.
  "$layer_bench" --benchmark_filter='LayerOverVulkan' --benchmark_min_time=1 --benchmark_repetitions=3 \
    --benchmark_out="$scratch/layer.json" --benchmark_out_format=json >/dev/null 2>"$scratch/layer.err" \
    || fail "d3d12_frame_benchmark failed: $(tail -n 1 "$scratch/layer.err")"

  # (a) and (c) in their windows, in turn.
  engine_fps=() f3d_fps=()
  for round in $(seq 1 "$rounds"); do
    measure_window engine '' nothing read_engine_title env -C "$build/run" ./engine
    engine_fps+=("$measured_fps")
    if ((have_f3d)); then
      measure_window f3d '^F3D' play_f3d_animation nothing f3d --resolution "$width,$height" "$model"
      f3d_fps+=("$measured_fps")
    fi
    echo "  round $round: engine ${engine_fps[-1]} fps, f3d ${f3d_fps[-1]:-(not measured)} fps"
  done
  report
}

# --- The report ----------------------------------------------------------------------------------------

row() {
  printf '  %-58s %8s %10s   %s\n' "$@"
}

milliseconds() {
  calc "1000 / $1" 2
}

report() {
  local offscreen_fps offscreen_ms window_fps title_note
  offscreen_ms=$(calc "$(json_counter "$scratch/frame.json" BM_Frame/iterations:500 median_frame_ms)" 2)
  offscreen_fps=$(calc "$(json_counter "$scratch/frame.json" BM_Frame/iterations:500 fps)")
  window_fps=$(median "${engine_fps[@]}")
  title_note="its own title was unreadable"
  ((${#engine_title_fps[@]} == 0)) || title_note="its own title says $(calc "$(median "${engine_title_fps[@]}")")"

  echo
  echo "Frames per second at ${width} x ${height}, Mesa's CPU rasterizer (lavapipe / llvmpipe)"
  row "" "fps" "frame ms" ""
  row "engine, off-screen (frame_bench, median frame)" "$offscreen_fps" "$offscreen_ms" ""
  row "engine, in its window (presented frames)" "$window_fps" "$(milliseconds "$window_fps")" \
    "$title_note"
  local f3d_median="" f3d_note=""
  if ((have_f3d)); then
    f3d_median=$(median "${f3d_fps[@]}")
    if awk "BEGIN { exit !($f3d_median >= 0.9 * $f3d_tick_rate) }"; then
      f3d_note="near its $f3d_tick_rate Hz animation tick: a floor, not its limit"
    fi
    row "f3d $(f3d --version 2>/dev/null | sed -n '1s/^f3d //p'), char.fbx animated (presented frames)" \
      "$f3d_median" "$(milliseconds "$f3d_median")" "$f3d_note"
  else
    row "f3d, char.fbx animated" "n/a" "" "f3d is not installed"
  fi

  local worst_ratio=0 draws comparison layer_ms vulkan_ms ratio
  for draws in 10 100; do
    comparison="LayerOverVulkan/$draws/real_time_median"
    layer_ms=$(json_counter "$scratch/layer.json" "$comparison" layer_ms)
    vulkan_ms=$(json_counter "$scratch/layer.json" "$comparison" vulkan_ms)
    ratio=$(calc "$(json_counter "$scratch/layer.json" "$comparison" ratio)" 3)
    row "engine-like frame, $draws draws, through the Direct3D 12 layer" \
      "$(calc "1000 / $layer_ms")" "$(calc "$layer_ms" 2)" ""
    row "engine-like frame, $draws draws, direct Vulkan" "$(calc "1000 / $vulkan_ms")" "$(calc "$vulkan_ms" 2)" \
      "layer / Vulkan = $ratio"
    worst_ratio=$(awk "BEGIN { print ($ratio > $worst_ratio) ? $ratio : $worst_ratio }")
  done

  echo
  echo "Targets"
  local status=0 verdict
  if awk "BEGIN { exit !($worst_ratio <= $vulkan_ratio_target) }"; then verdict=met; else verdict=MISSED; status=1; fi
  printf '  %-58s %s\n' "layer within $vulkan_ratio_target x of direct Vulkan (worst: $worst_ratio x)" "$verdict"
  if ((have_f3d)); then
    if awk "BEGIN { exit !($window_fps > $f3d_median) }"; then verdict=met; else verdict=MISSED; status=1; fi
    printf '  %-58s %s\n' "engine faster than f3d ($window_fps vs $f3d_median fps, $(calc "$window_fps / $f3d_median") x)" \
      "$verdict"
  else
    printf '  %-58s %s\n' "engine faster than f3d" "not measured"
    status=2
  fi
  echo "  (load average after: $(cut -d ' ' -f 1-3 /proc/loadavg))"
  exit "$status"
}

main "$@"
