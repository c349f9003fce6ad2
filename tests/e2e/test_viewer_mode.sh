# Viewer mode: the engine started from another folder with a model file of Debian's assimp-testmodels
# (FBX from other exporters, binary glTF) and with models of our own that hold one setting each. Each model
# must be in view, not just background, an animated one must move, each setting must show as the file
# says, and files the engine cannot use stop it with one line naming the file and exit code 1.
source "$(dirname "$0")/e2e_lib.sh"

readonly BACKGROUND="240,255,255"
readonly TEXT_BOX="197,250,224"
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

# The shapes of the view outside the text box (its rectangle, text and all, counts as background), one
# "WxH+X+Y" per line, left to right.
shapes_in_view() {
  local w h x y
  # The box's extent: its colour's bounding box, in an image bordered by one pixel so the corner is not it.
  IFS='x+' read -r w h x y <<<"$(convert "$1" -alpha off -fuzz 1.5% -fill white -opaque "rgb($TEXT_BOX)" \
    -fill black +opaque white -bordercolor black -border 1 -format "%@" info:)"
  convert "$1" -alpha off -fill "rgb($BACKGROUND)" -draw "rectangle $((x - 1)),$((y - 1)) $((x + w - 2)),$((y + h - 2))" \
    -fuzz 1.5% -fill white +opaque "rgb($BACKGROUND)" -fill black -opaque "rgb($BACKGROUND)" \
    -define connected-components:verbose=true -define connected-components:area-threshold=100 \
    -connected-components 8 null: | awk '$NF ~ /255,255,255/ {print $2}' | sort -t+ -k2 -n
}

# The percentage of the rectangle $2 of the PNG $1 where the -fx condition $3 holds.
percent_where() {
  convert "$1" -crop "$2" +repage -alpha off -fx "$3 ? 1 : 0" -format "%[fx:round(100*mean)]" info:
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

# Our own models, in a folder whose name is not ASCII (tests/e2e/make_viewer_models.py says what each holds).
OWN="$SCRATCH/dück"
python3 "$(dirname "$0")/make_viewer_models.py" "$OWN" || fail "make_viewer_models.py could not write the models"

# A rigid and a skinned bar modelled along Z and coloured only per vertex: the root node's rotation stands
# both up, and the start view shows them at least half the window tall.
view_model "$OWN/standing.gltf" "2 meshes, 1 bone, no animation"
mapfile -t bars < <(shapes_in_view "$SCRATCH/view.png")
echo "standing.gltf: ${bars[*]}"
((${#bars[@]} == 2)) || fail "standing.gltf: ${#bars[@]} shapes in view, expected the two bars"
for bar in "${bars[@]}"; do
  IFS='x+' read -r w h _ <<<"$bar"
  ((h > 3 * w && h >= 300)) || fail "standing.gltf: a bar of ${w}x${h} pixels does not stand half the view tall"
  red=$(percent_where "$SCRATCH/view.png" "$bar" "r > 0.5 && g < 0.2 && b < 0.2")
  ((red > 80)) || fail "standing.gltf: a bar is $red % red, not its vertex colour"
done
# A left drag turns the camera about the model, a right drag pans, and R brings back the start view.
for button in 1 3; do
  xdotool mousemove --window "$WINDOW" 300 400 mousedown "$button" mousemove --window "$WINDOW" 340 420 \
    mousemove --window "$WINDOW" 380 440 mouseup "$button"
  moved=$(wait_for_difference "$WINDOW" "$SCRATCH/view.png" "$SCRATCH/dragged.png" 800x600+0+0 2000 10)
  ((moved > 2000)) || fail "standing.gltf: a drag with button $button did not move the view"
  xdotool key --window "$WINDOW" r
  sleep 1
  screenshot "$WINDOW" "$SCRATCH/reset.png"
  back=$(count_differences "$SCRATCH/view.png" "$SCRATCH/reset.png" 800x600+0+0)
  ((back == 0)) || fail "standing.gltf: R left $back pixels unlike the start view"
done
finish_viewer

# A quad whose two morph targets raise its top and widen it in turn: the view changes as they animate.
view_model "$OWN/morph.gltf" "1 mesh, 0 bones, animation \"Grow\" of 2\.00 s \(the first of 2\)"
moved=$(wait_for_difference "$WINDOW" "$SCRATCH/view.png" "$SCRATCH/later.png" 800x600+0+0 5000 15)
echo "morph.gltf: $moved pixels changed as the targets animate"
((moved > 5000)) || fail "the morph targets did not animate"
# Space holds the animation still until it is pressed again.
xdotool key --window "$WINDOW" space
sleep 0.5
screenshot "$WINDOW" "$SCRATCH/paused.png"
sleep 1
screenshot "$WINDOW" "$SCRATCH/still.png"
still=$(count_differences "$SCRATCH/paused.png" "$SCRATCH/still.png" 800x600+0+0)
((still == 0)) || fail "morph.gltf: $still pixels changed while paused"
xdotool key --window "$WINDOW" space
moved=$(wait_for_difference "$WINDOW" "$SCRATCH/still.png" "$SCRATCH/later.png" 800x600+0+0 5000 15)
((moved > 5000)) || fail "morph.gltf: the animation did not resume"
# N and P step through the file's animations, naming each once.
xdotool key --window "$WINDOW" n
wait_for_output_line '^Playing animation "Both" of 1\.00 s \(2 of 2\)$' 10
xdotool key --window "$WINDOW" p
wait_for_output_line '^Playing animation "Grow" of 2\.00 s \(1 of 2\)$' 10
finish_viewer

# A row of material settings, named by a relative path with ".." in the C locale; its textures' names are
# not ASCII either. Left to right: factor x texture of the second UV set (green), double-sided and turned
# away (yellow), masked (its right half, magenta), blended over opaque (purple), then u from 0.75 to 1.75
# over a black | white texture: repeat (half light), clamp (all light), mirror (three quarters light).
LC_ALL=C view_model "../dück/../dück/materials.gltf" "8 meshes, 0 bones, no animation"
[[ ! -s "$SCRATCH/stderr.txt" ]] || fail "materials.gltf: $(cat "$SCRATCH/stderr.txt")"
mapfile -t quads < <(shapes_in_view "$SCRATCH/view.png")
echo "materials.gltf: ${quads[*]}"
((${#quads[@]} == 7)) || fail "materials.gltf: ${#quads[@]} shapes in view, expected 7"
expect_share() {
  local index=$1 condition=$2 low=$3 high=$4 what=$5 share
  share=$(percent_where "$SCRATCH/view.png" "${quads[index]}" "$condition")
  echo "materials.gltf: $what: $share %"
  ((share >= low && share <= high)) || fail "materials.gltf: $what: $share %, expected $low to $high %"
}
expect_share 0 "g > 0.6 && r < 0.2 && b < 0.2" 90 100 "green factor x white texels of UV set 1"
expect_share 1 "r > 0.6 && g > 0.6 && b < 0.2" 90 100 "yellow back face"
expect_share 3 "r > 0.3 && r < 0.55 && b > 0.3 && b < 0.55 && g < 0.1" 85 100 "blue blended over red"
expect_share 4 "r > 0.6" 35 65 "repeat"
expect_share 5 "r > 0.6" 92 100 "clamp"
expect_share 6 "r > 0.6" 62 88 "mirror"
IFS='x+' read -r w h _ <<<"${quads[2]}"
((2 * w < 3 * h / 2 && 3 * w > h)) || fail "materials.gltf: the masked quad shows ${w}x${h} pixels, not its right half"
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
