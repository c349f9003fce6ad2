# Sourced by the scripts that need an X display: starts Xvfb on a free display number when DISPLAY is not
# set (or not reachable) and stops it when the calling script exits.
start_virtual_display() {
  if [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  # Xvfb picks the free display itself (-displayfd), so scripts started together never share one. Without
  # -noreset the server starts over whenever its last client leaves, and a program connecting at that
  # moment is refused (SDL then falls back to its off-screen driver and no window appears).
  local number_file
  number_file=$(mktemp)
  Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp -noreset >"$number_file" 2>/dev/null &
  XVFB_PID=$!
  trap 'kill "$XVFB_PID" 2>/dev/null || true' EXIT
  for _ in $(seq 1 100); do
    if [[ -s "$number_file" ]]; then
      export DISPLAY=":$(head -n 1 "$number_file")"
      rm -f "$number_file"
      xdpyinfo >/dev/null 2>&1 && return 0
    fi
    sleep 0.1
  done
  rm -f "$number_file"
  echo "xvfb: could not start Xvfb" >&2
  return 1
}
