# Sourced by the scripts that need an X display: starts Xvfb on a free display number when DISPLAY is not
# set (or not reachable) and stops it when the calling script exits.
start_virtual_display() {
  if [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local number=99
  while [[ -e /tmp/.X${number}-lock || -e /tmp/.X11-unix/X${number} ]]; do number=$((number + 1)); done
  Xvfb ":${number}" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  trap 'kill "$XVFB_PID" 2>/dev/null || true' EXIT
  export DISPLAY=":${number}"
  for _ in $(seq 1 50); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "xvfb: could not start Xvfb on $DISPLAY" >&2
  return 1
}
