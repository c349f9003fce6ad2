#!/usr/bin/env bash
# The engine's viewer mode against Debian's f3d on the scaling benchmark's models (10k, 100k and 1M triangles
# in one mesh; 10k over 16, 100 and 1000 meshes; 10k with 1 and 96 animated bones), in one run under one X
# display on the same CPU rasterizer, and prints frames per second side by side per model with the target:
# the engine faster than f3d on every one.
#
# The models are written by `scaling_bench --write_models=FOLDER` (ASCII FBX). The machinery is run_peers.sh's
# (peers_lib.sh): each program runs with present_counter.so preloaded, which logs every presented frame.
#   - the engine: `engine MODEL` in its 800 x 600 window, drawing flat out as it always does; after a
#     warm-up, the rate of presented frames over the measuring time;
#   - f3d, flat out through its interaction replay, one frame per replayed step after the warm-up steps: for
#     an animated model Space and then timer events (one animation step and render each, as run_peers.sh
#     does), for a still model a drag with the left button held, one pixel per step (one camera turn and
#     render each: f3d draws nothing new while nothing changes, where the engine draws every frame).
# Models alternate engine and f3d, so load from other processes on the machine falls on both.
#
# Usage: bench/peers/run_scaling_peers.sh [build folder]   (default: build/)
# Environment: PEERS_SECONDS measured per model (default 4), PEERS_WARMUP_SECONDS before (default 2),
#              PEERS_F3D_FRAMES replayed per model (default 60) of which PEERS_F3D_WARMUP_FRAMES
#              (default 10) are not counted, PEERS_F3D the viewer to run (default: f3d on the PATH),
#              PEERS_MODELS the folder for the models (default: a temporary one, removed afterwards).
# Exit code: 0 when the engine is faster on every model, 1 when not, 2 when something could not be measured.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath -m "${1:-$root/build}")
measure_seconds=${PEERS_SECONDS:-4}
warmup_seconds=${PEERS_WARMUP_SECONDS:-2}
f3d=${PEERS_F3D:-f3d}
f3d_frames=${PEERS_F3D_FRAMES:-60}
f3d_warmup_frames=${PEERS_F3D_WARMUP_FRAMES:-10}
# Importing the 1M-triangle model takes either program several seconds.
first_frame_seconds=120
readonly width=800 height=600

fail_prefix=run_scaling_peers
source "$root/bench/peers/peers_lib.sh"

((f3d_frames > f3d_warmup_frames + 1)) || fail "PEERS_F3D_FRAMES must exceed PEERS_F3D_WARMUP_FRAMES + 1"
command -v "$f3d" >/dev/null || fail "$f3d is not installed; install it with 'apt-get install f3d'"

# A drag across the window: the left button held, then one pixel to the right per step.
write_f3d_drag_replay() {
  local y=300 x
  {
    echo "# StreamVersion 1.1"
    echo "ExposeEvent 0 $((height - 1)) 0 0 0 0"
    echo "LeftButtonPressEvent 200 $y 0 0 0 0"
    for x in $(seq 201 $((200 + f3d_frames))); do echo "MouseMoveEvent $x $y 0 0 0 0"; done
    echo "LeftButtonReleaseEvent $((200 + f3d_frames)) $y 0 0 0 0"
    printf '%s\n' "KeyPressEvent 400 299 0 0 1 Escape" "CharEvent 400 299 0 27 1 Escape" \
      "KeyReleaseEvent 400 299 0 0 1 Escape"
  } >"$1"
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
  "$build/bench/scaling/scaling_bench" --write_models="$models" >"$scratch/models.txt" \
    || fail "scaling_bench could not write the models"

  echo "Measuring on $(nproc) cores under display $DISPLAY: $measure_seconds s after $warmup_seconds s of" \
    "warm-up per model (load average before: $(cut -d ' ' -f 1-3 /proc/loadavg))"
  local names=() engine=() viewer=() status=0 name bones
  while read -r model; do
    name=$(basename "$model" .fbx)
    name=${name#scaling_}
    measure_window engine '' nothing nothing env -C "$build/run" ./engine "$model"
    engine+=("$measured_fps")
    bones=${name##*_}
    if ((bones > 0)); then measure_f3d_replay; else measure_f3d_replay write_f3d_drag_replay; fi
    viewer+=("$measured_fps")
    names+=("$name")
    echo "  $name: engine ${engine[-1]} fps, f3d ${viewer[-1]} fps"
  done <"$scratch/models.txt"

  echo
  echo "Frames per second at $width x $height, Mesa's CPU rasterizer; f3d $("$f3d" --version 2>/dev/null | sed -n '1s/^f3d //p')"
  printf '  %-26s %10s %10s %8s   %s\n' "triangles_meshes_bones" engine f3d ratio target
  local i verdict
  for i in "${!names[@]}"; do
    verdict=met
    if ! awk "BEGIN { exit !(${engine[i]} > ${viewer[i]}) }"; then verdict=MISSED; status=1; fi
    printf '  %-26s %10s %10s %8s   %s\n' "${names[i]}" "${engine[i]}" "${viewer[i]}" \
      "$(calc "${engine[i]} / ${viewer[i]}" 2)" "$verdict"
  done
  echo "  (load average after: $(cut -d ' ' -f 1-3 /proc/loadavg))"
  exit "$status"
}

main "$@"
