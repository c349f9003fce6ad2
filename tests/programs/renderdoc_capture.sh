#!/usr/bin/env bash
# A frame of a sample-style program captured with RenderDoc: the program starts under `renderdoccmd capture`
# (whose capture layer offers Vulkan 1.2), a capture of one frame is asked for through RenderDoc's target
# control, and the capture, converted to XML, must hold the command list's event names.
# Environment: PROGRAM (the sample executable), PROGRAM_DIR (its folder, with its shaders), REPO_ROOT.
set -euo pipefail

command -v renderdoccmd >/dev/null || { echo "FAIL: renderdoccmd is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
source "$REPO_ROOT/scripts/xvfb.sh"
start_virtual_display

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"; [[ -n "${XVFB_PID:-}" ]] && kill "$XVFB_PID" 2>/dev/null || true' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# More frames than the capture needs; the trigger ends the program once the capture is written. Without -w,
# renderdoccmd returns once the program runs, with the target id (not a status) as its exit code.
renderdoccmd capture -d "$PROGRAM_DIR" -c "$scratch/frame" "$PROGRAM" -frames 100000 >"$scratch/launch.txt" 2>&1 || true
ident=$(grep -oE 'Launched as ID [0-9]+' "$scratch/launch.txt" | grep -oE '[0-9]+$' || true)
[[ -n "$ident" ]] || fail "renderdoccmd could not start the program: $(cat "$scratch/launch.txt")"

capture=$(/usr/bin/python3 "$(dirname "$0")/renderdoc_trigger.py" "$ident" 120) || fail "no capture was made"
[[ -s "$capture" ]] || fail "the capture file '$capture' is missing or empty"

renderdoccmd convert -f "$capture" -o "$scratch/frame.xml" -c xml >"$scratch/convert.txt" 2>&1 ||
  fail "renderdoccmd convert failed: $(cat "$scratch/convert.txt")"
for label in "Bundle sample frame" "Draw the bundle"; do
  grep -qF "$label" "$scratch/frame.xml" || fail "the capture holds no event '$label'"
done
echo "captured $(basename "$capture") with both event labels"
