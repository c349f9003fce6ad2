# Viewer mode: the engine started from another folder with a model file of Debian's assimp-testmodels
# (FBX from other exporters, binary glTF). Each model must be in view, not just background, an animated
# one must move, and files the engine cannot use stop it with one line naming the file and exit code 1.
source "$(dirname "$0")/e2e_lib.sh"

readonly BACKGROUND="240,255,255"
readonly MODELS=/usr/share/assimp/models
readonly MODEL_MAKER="$(dirname "$RUN_DIR")/tests/faults/make_bad_models"
[[ -d "$MODELS" ]] || fail "$MODELS is missing: install assimp-testmodels (scripts/install-deps.sh)"

# Starts the engine of the scratch run folder from $SCRATCH/elsewhere with the model path $1, so that the
# shaders and the font can only be found beside the executable; sets ENGINE_PID.
start_viewer() {
  mkdir -p "$SCRATCH/elsewhere"
  : >"$SCRATCH/stdout.txt"
  : >"$SCRATCH/stderr.txt"
  (cd "$SCRATCH/elsewhere" && exec ../run/engine "$1" >"$SCRATCH/stdout.txt" 2>"$SCRATCH/stderr.txt") &
  ENGINE_PID=$!
}

# Opens the model, checks the console's description and that the model covers the middle of the window,
# and leaves the window's id in WINDOW.
view_model() {
  local model=$1 description=$2
  start_viewer "$model"
  WINDOW=$(wait_for_window 60)
  wait_for_output_line "^Resize Performed result:" 60
  grep -q -x -E "Viewing $(basename "$model"): $description" "$SCRATCH/stdout.txt" ||
    fail "the console did not describe $(basename "$model") as '$description': $(grep '^Viewing' "$SCRATCH/stdout.txt")"
  screenshot "$WINDOW" "$SCRATCH/view.png"
  # The text box covers the upper right; the model is framed about the window's centre.
  local covered
  covered=$(count_unlike "$SCRATCH/view.png" 400x300+200+150 "$BACKGROUND")
  echo "$(basename "$model"): $covered of 120000 central pixels covered"
  ((covered > 3000)) || fail "$(basename "$model") is not in view ($covered central pixels covered)"
}

finish_viewer() {
  local status=0
  close_engine || status=$?
  [[ $status -eq 0 ]] || fail "exit code $status after closing the window"
  expect_no_validation_messages
}

prepare_run_folder

# A rigid model of 19 meshes placed by their nodes, some of them only lines.
view_model "$MODELS/FBX/spider.fbx" "[0-9]+ meshes, 0 bones, no animation"
finish_viewer

# 34 meshes and more: more than device setup's descriptor heap holds, given by a relative path.
cp "$MODELS/glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb" "$SCRATCH/elsewhere/engine.glb"
view_model "engine.glb" "[0-9]+ meshes, 0 bones, no animation"
finish_viewer

# A material's own texture, embedded in a binary glTF: blue and green, which the character's texture
# has little of at this size and a missing texture would not show at all.
view_model "$MODELS/glTF2/BoxTextured-glTF-Binary/BoxTextured.glb" "1 mesh, 0 bones, no animation"
blue=$(count_blue "$SCRATCH/view.png" 400x300+200+150)
echo "BoxTextured.glb: $blue clearly blue central pixels"
((blue > 3000)) || fail "the box does not wear its own texture ($blue blue pixels)"
finish_viewer

# A skinned, animated model: two views some time apart differ.
view_model "$MODELS/FBX/huesitos.fbx" "1 mesh, 9 bones, animation \"Armature\|Action\" of 1\.56 s"
moved=$(wait_for_difference "$WINDOW" "$SCRATCH/view.png" "$SCRATCH/later.png" 400x300+200+150 500 15)
echo "huesitos.fbx: $moved central pixels changed as it animates"
((moved > 500)) || fail "the animated model did not move"
finish_viewer

# A rigid model without bones whose smaller cube hangs under an animated node: it moves too.
view_model "$MODELS/ASE/anim.ASE" "2 meshes, 0 bones, animation \"\" of 3\.33 s"
moved=$(wait_for_difference "$WINDOW" "$SCRATCH/view.png" "$SCRATCH/later.png" 400x300+200+150 500 15)
echo "anim.ASE: $moved central pixels changed as its node animates"
((moved > 500)) || fail "the mesh under the animated node did not move"
finish_viewer

# Files it cannot use: missing, a folder, not a model, more bones than the palette holds.
printf 'this is not a model\n' >"$SCRATCH/elsewhere/garbage.fbx"
mkdir -p "$SCRATCH/elsewhere/folder.fbx"
"$MODEL_MAKER" "$REPO_ROOT/engine/assets/char.fbx" "$SCRATCH/elsewhere" || fail "make_bad_models could not write the models"
for model in missing.fbx folder.fbx garbage.fbx too-many-bones.fbx; do
  start_viewer "$model"
  wait_for_end 60
  [[ "$STATUS" == 1 ]] || fail "$model: exit code $STATUS, expected 1"
  lines=$(wc -l <"$SCRATCH/stderr.txt")
  ((lines == 1)) || fail "$model: $lines lines on stderr, expected one: $(cat "$SCRATCH/stderr.txt")"
  grep -q "$model" "$SCRATCH/stderr.txt" || fail "$model: the line does not name the file: $(cat "$SCRATCH/stderr.txt")"
  echo "ok   $model: $(cat "$SCRATCH/stderr.txt")"
done
echo "PASS"
