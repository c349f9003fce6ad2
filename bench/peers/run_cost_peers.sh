#!/usr/bin/env bash
# What opening a big model costs the engine's viewer against Debian's f3d, on the scaling benchmark's one-mesh
# grids of 10k, 100k and 1M triangles written as binary glTF (.glb), in one run under one X display:
#   - start to first frame: from the launch to the first presented frame (present_counter.so preloaded into
#     both programs, as run_peers.sh counts frames), each program in its 800 x 600 window;
#   - peak resident memory: the process's VmHWM once its first frame is up and a few seconds have passed;
#   - the engine's resident memory right after its first frame against its budget, twice the model's vertex
#     and index bytes plus what the program holds on a two-triangle model (scaling_bench's BM_FreshProcess);
#   - the engine's frame against the same frame in plain Vulkan (scaling_bench's BM_ViewerOverVulkan).
# Targets: first frame and peak memory below f3d's, resident memory within the budget, frame ratio within 1.15.
# Programs alternate engine and f3d per model, PEERS_ROUNDS times; each figure is the median over the rounds.
#
# Usage: bench/peers/run_cost_peers.sh [build folder]   (default: build/)
# Environment: PEERS_ROUNDS (default 3), PEERS_SETTLE_SECONDS after the first frame before the peak is read
#              (default 3), PEERS_F3D the viewer to run (default: f3d on the PATH), PEERS_MODELS the folder of
#              the models (default: a temporary one, removed afterwards).
# Exit code: 0 when every target is met, 1 when one is missed, 2 when something could not be measured.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath -m "${1:-$root/build}")
rounds=${PEERS_ROUNDS:-3}
settle_seconds=${PEERS_SETTLE_SECONDS:-3}
f3d=${PEERS_F3D:-f3d}
first_frame_seconds=120
readonly width=800 height=600 vulkan_ratio_target=1.15
readonly sizes=(10000 100000 1000000)

fail_prefix=run_cost_peers
source "$root/bench/peers/peers_lib.sh"

command -v "$f3d" >/dev/null || fail "$f3d is not installed; install it with 'apt-get install f3d'"

now() { python3 -c 'import time; print(f"{time.monotonic():.6f}")'; }

status_kb() { awk -v field="$2:" '$1 == field { print $2 }' "/proc/$1/status"; }

# Runs the command in its window and sets launch_seconds (launch to first present) and peak_mb.
launch_seconds="" peak_mb=""
measure_launch() {
  local name=$1
  shift
  local log="$scratch/$name.presents" start first
  : >"$log"
  start=$(now)
  PRESENT_LOG="$log" LD_PRELOAD="$counter" "$@" >"$scratch/$name.out" 2>&1 &
  program_pid=$!
  if ! wait_for_first_frame "$log" "$program_pid"; then
    stop_program
    fail "$name presented no frame; it said: $(tail -n 1 "$scratch/$name.out")"
  fi
  first=$(head -n 1 "$log")
  sleep "$settle_seconds"
  peak_mb=$(calc "$(status_kb "$program_pid" VmHWM) / 1024" 0)
  stop_program
  launch_seconds=$(calc "$first - $start" 2)
}

# A counter of the scaling benchmark's run on the .glb grid of $1 triangles.
scaling_counter() {
  local benchmark=$1 triangles=$2 counter=$3
  awk -v prefix="\"name\": \"$benchmark/triangles:$triangles/meshes:1/bones:0/glb:1" -v counter="\"$counter\":" '
    index($0, prefix) && !/_(mean|stddev|cv)/ { found = 1 }
    found && $1 == counter { sub(/,$/, "", $2); print $2; exit }' "$scratch/scaling.json"
}

main() {
  cmake --build "$build" -j2 --target engine scaling_bench present_counter >/dev/null \
    || fail "building the programs in $build failed (run: cmake --build $build)"
  counter="$build/bench/peers/present_counter.so"
  source "$root/scripts/xvfb.sh"
  start_virtual_display || fail "no X display"
  scratch=$(mktemp -d)
  local models=${PEERS_MODELS:-$scratch/models}
  trap 'stop_program; rm -rf "$scratch"; [[ -z "${XVFB_PID:-}" ]] || kill "$XVFB_PID" 2>/dev/null || true' EXIT
  "$build/bench/scaling/scaling_bench" --write_models="$models" >/dev/null \
    || fail "scaling_bench could not write the models"

  local filter
  filter="BM_(FreshProcess|ViewerOverVulkan)/triangles:($(IFS='|'; echo "${sizes[*]}"))/meshes:1/bones:0/glb:1"
  echo "Measuring on $(nproc) cores under display $DISPLAY, $rounds rounds (load average before:" \
    "$(cut -d ' ' -f 1-3 /proc/loadavg)); scaling_bench first"
  "$build/bench/scaling/scaling_bench" --benchmark_filter="$filter" --benchmark_out="$scratch/scaling.json" \
    --benchmark_out_format=json >/dev/null || fail "scaling_bench failed on $filter"

  local size round status=0
  declare -A engine_start engine_peak f3d_start f3d_peak
  for size in "${sizes[@]}"; do
    local model="$models/scaling_${size}_1_0.glb" es=() ep=() fs=() fp=()
    for round in $(seq 1 "$rounds"); do
      measure_launch engine env -C "$build/run" ./engine "$model"
      es+=("$launch_seconds") ep+=("$peak_mb")
      measure_launch f3d "$f3d" --resolution "$width,$height" "$model"
      fs+=("$launch_seconds") fp+=("$peak_mb")
    done
    engine_start[$size]=$(median "${es[@]}") engine_peak[$size]=$(median "${ep[@]}")
    f3d_start[$size]=$(median "${fs[@]}") f3d_peak[$size]=$(median "${fp[@]}")
    echo "  $size triangles: engine ${es[*]} s, ${ep[*]} MiB; f3d ${fs[*]} s, ${fp[*]} MiB"
  done

  echo
  echo "Opening the .glb grids, 800 x 600, Mesa's CPU rasterizer; f3d $("$f3d" --version 2>/dev/null | sed -n '1s/^f3d //p')"
  printf '  %-10s %18s %18s %24s %14s   %s\n' triangles "first frame s" "peak MiB" "RSS after 1st / budget" \
    "frame / Vulkan" "targets"
  printf '  %-10s %18s %18s %24s %14s\n' "" "engine    f3d" "engine    f3d" "MiB" "ratio"
  for size in "${sizes[@]}"; do
    local rss budget ratio verdict=met
    rss=$(scaling_counter BM_FreshProcess "$size" first_rss_mb)
    budget=$(scaling_counter BM_FreshProcess "$size" rss_budget_mb)
    ratio=$(scaling_counter BM_ViewerOverVulkan "$size" ratio)
    [[ -n "$rss" && -n "$budget" && -n "$ratio" ]] || fail "no scaling_bench figures for $size triangles"
    if ! awk "BEGIN { exit !(${engine_start[$size]} < ${f3d_start[$size]} && ${engine_peak[$size]} < ${f3d_peak[$size]} \
              && $rss <= $budget && $ratio <= $vulkan_ratio_target) }"; then
      verdict=MISSED status=1
    fi
    printf '  %-10s %8s %9s %8s %9s %11s / %-10s %14s   %s\n' "$size" "${engine_start[$size]}" "${f3d_start[$size]}" \
      "${engine_peak[$size]}" "${f3d_peak[$size]}" "$(calc "$rss" 0)" "$(calc "$budget" 0)" "$(calc "$ratio" 3)" "$verdict"
  done
  echo "  (load average after: $(cut -d ' ' -f 1-3 /proc/loadavg))"
  exit "$status"
}

main "$@"
