# A shader that does not compile stops the program during start-up: one line on stderr with the compiler's
# file, line and message, a non-zero exit code, and no pipeline or frame built from missing byte code.
source "$(dirname "$0")/e2e_lib.sh"

prepare_run_folder
# A stray word before the vertex shader's first constant buffer.
line=$(grep -n '^cbuffer' "$SCRATCH/run/Shaders/objVS.hlsl" | head -n 1 | cut -d: -f1)
sed -i "${line}s/^/oops /" "$SCRATCH/run/Shaders/objVS.hlsl"
start_engine
status=0
wait_for_exit 60 || status=$?

echo "exit code $status; stderr: $(tr '\n' '|' <"$SCRATCH/stderr.txt")"
((status != 0)) || fail "the program went on with a broken shader"
grep -q -E "^Shaders/objVS\\.hlsl:$line: error" "$SCRATCH/stderr.txt" || fail "no compiler line naming Shaders/objVS.hlsl"
! grep -q "Loading meshes completed" "$SCRATCH/stdout.txt" || fail "content loading went on after the failure"

# A line that once crashed the compiler's front end: the program still gets the compiler's message and
# stops with it, exit code 1, instead of dying of a signal.
cp "$RUN_DIR/Shaders/objVS.hlsl" "$SCRATCH/run/Shaders/objVS.hlsl"
line=$(grep -n 'float diffuse' "$SCRATCH/run/Shaders/objPS.hlsl" | head -n 1 | cut -d: -f1)
sed -i "${line}a float4 q = mul((float1)diffuse, (float4x4)0);" "$SCRATCH/run/Shaders/objPS.hlsl"
start_engine
status=0
wait_for_exit 60 || status=$?
echo "exit code $status; stderr: $(tr '\n' '|' <"$SCRATCH/stderr.txt")"
((status == 1)) || fail "the program did not stop with exit code 1 on the crashing line"
grep -q -E "^Shaders/objPS\\.hlsl(:[0-9]+)?: error" "$SCRATCH/stderr.txt" || fail "no compiler line naming Shaders/objPS.hlsl"
echo "PASS"
