#!/usr/bin/env bash
# The Windows build started outside our own layer: build-windows/run/engine.exe (scripts/windows-build.sh)
# under Debian's Wine, in Xvfb. Passes when the program gets through the device, the render buffers and the
# textures (the "Materialas Loaded result:" line), says on its console what the Linux program says up to
# there, and then either stops cleanly or is still running after a few seconds; fails on a crash.
# Today's Wine stops it at objVS.hlsl: its HLSL compiler is older than Windows' (no [unroll], no user
# functions, no run-time index into a constant buffer array), and the program exits with that one line.
# A fresh Wine prefix in the scratch folder takes some 40 seconds to create on a loaded 2-core machine.
source "$REPO_ROOT/tests/e2e/e2e_lib.sh"

WINDOWS_RUN_DIR=${WINDOWS_RUN_DIR:-$REPO_ROOT/build-windows/run}
[[ -f "$WINDOWS_RUN_DIR/engine.exe" ]] ||
  fail "$WINDOWS_RUN_DIR/engine.exe is missing: ./scripts/windows-build.sh builds it"
WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
[[ -x "$WINE" ]] || fail "wine64 is not installed (scripts/install-deps.sh installs it)"

LOADED_LINE='^Materialas Loaded result:'
# Wine starts slowly on a busy machine: up to START_SECONDS for the loaded textures, then RUN_SECONDS more.
START_SECONDS=${WINE_START_SECONDS:-150}
RUN_SECONDS=${WINE_RUN_SECONDS:-5}

# The console up to the loaded textures, without Windows' line ends, in the words both systems share:
# Wine's message table calls S_OK "Success." where Windows (and our layer) say "The operation completed
# successfully.", and whether the device comes from the default adapter depends on the adapters the
# system lists (Wine lists lavapipe as a hardware one), so that line is left out on both sides.
console_until_loaded() {
  tr -d '\r' <"$1" | sed -n "1,/$LOADED_LINE/p" | sed 's/result:Success\.$/result:The operation completed successfully./' |
    grep -v '^Falling back to the default adapter' || true
}

# The Linux program's console, for the comparison.
prepare_run_folder
start_engine
for _ in $(seq 1 600); do
  grep -q "$LOADED_LINE" "$SCRATCH/stdout.txt" && break
  kill -0 "$ENGINE_PID" 2>/dev/null || break
  sleep 0.1
done
close_engine || true
console_until_loaded "$SCRATCH/stdout.txt" >"$SCRATCH/linux.txt"
grep -q "$LOADED_LINE" "$SCRATCH/linux.txt" || fail "the Linux program never loaded its textures: $(cat "$SCRATCH/stderr.txt")"

# Wine's own state lives in the scratch folder; no Mono or Gecko installer dialogs, no debug channels.
export WINEPREFIX=$SCRATCH/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
trap 'WINEPREFIX=$WINEPREFIX "$(dirname "$WINE")/wineserver" -k 2>/dev/null || true; cleanup_e2e' EXIT
started=$(date +%s)
"$WINE" wineboot --init >/dev/null 2>&1 || fail "wineboot could not create the Wine prefix"
echo "Wine prefix created in $(($(date +%s) - started)) s"

cp -r "$WINDOWS_RUN_DIR" "$SCRATCH/windows"
(cd "$SCRATCH/windows" && exec "$WINE" engine.exe >"$SCRATCH/wine_stdout.txt" 2>"$SCRATCH/wine_stderr_raw.txt") &
WINE_PID=$!
status=running
loaded_at=""
for tick in $(seq 1 $((START_SECONDS * 10))); do
  if ! kill -0 "$WINE_PID" 2>/dev/null; then
    status=0
    wait "$WINE_PID" || status=$?
    break
  fi
  if [[ -z "$loaded_at" ]] && grep -q "$LOADED_LINE" "$SCRATCH/wine_stdout.txt"; then loaded_at=$tick; fi
  [[ -n "$loaded_at" && $((tick - loaded_at)) -ge $((RUN_SECONDS * 10)) ]] && break
  sleep 0.1
done
[[ "$status" == running ]] && kill -KILL "$WINE_PID" 2>/dev/null
echo "engine.exe under Wine: $([[ "$status" == running ]] && echo "still running" || echo "exit code $status") after $((tick / 10)) s"

# Wine's remarks about itself (fixme:, err:, the 32-bit half it was installed without) are not the program's.
grep -v -E '^[0-9a-f]{4}:(fixme|err|warn|trace):|^wine: failed to open .*syswow64' "$SCRATCH/wine_stderr_raw.txt" |
  tr -d '\r' >"$SCRATCH/wine_stderr.txt" || true
sed 's/^/  stderr: /' "$SCRATCH/wine_stderr.txt"

if grep -q -E 'Unhandled (exception|page fault)|[Aa]ssertion|terminate called' "$SCRATCH/wine_stderr.txt"; then
  fail "engine.exe crashed under Wine"
fi
# 0 and 1 are the program's own ends (closed, or one stopping line); anything else is a crash.
[[ "$status" == running || "$status" == 0 || "$status" == 1 ]] || fail "engine.exe ended with exit code $status"

console_until_loaded "$SCRATCH/wine_stdout.txt" >"$SCRATCH/wine.txt"
grep -q "$LOADED_LINE" "$SCRATCH/wine.txt" || {
  sed 's/^/  stdout: /' "$SCRATCH/wine_stdout.txt" >&2
  fail "engine.exe did not reach the loaded textures under Wine within $START_SECONDS s"
}
diff -u "$SCRATCH/linux.txt" "$SCRATCH/wine.txt" >&2 ||
  fail "the console under Wine differs from the Linux program's before the textures were loaded"
echo "PASS: engine.exe starts under Wine and says what the Linux program says up to its loaded textures"
