#!/usr/bin/env bash
# Regenerates every asset in assets/ from its script, checks each one the way the engine reads it, and
# renders preview images of the character into <build dir>/previews. Run from anywhere:
#   tools/make_assets.sh [build dir, default build-tools]
# Tools-only dependencies (not needed to build or test the engine): blender, python3-pil,
# python3-fonttools, fonts-liberation2; the checkers also need cmake, ninja-build, libassimp-dev, libpng-dev.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$repo/build-tools}
python=/usr/bin/python3  # Debian's Python, where python3-pil and python3-fonttools live

missing=()
for tool in blender cmake ninja; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
"$python" -c "import PIL, fontTools" 2>/dev/null || missing+=("python3-pil/python3-fonttools")
[[ -f /usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf ]] || missing+=("fonts-liberation2")
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "make_assets: missing ${missing[*]}; on Debian: apt-get install blender python3-pil" \
       "python3-fonttools fonts-liberation2 cmake ninja-build libassimp-dev libpng-dev" >&2
  exit 1
fi

"$python" "$repo/tools/make_texture.py" "$repo/engine/assets/blessing-1x.png"
blender --background --factory-startup --python "$repo/tools/make_character.py" -- "$repo/engine/assets/char.fbx" \
  | grep '^make_character' || { echo "make_assets: make_character.py failed" >&2; exit 1; }
"$python" "$repo/tools/make_font.py" "$repo/engine/assets"

cmake -G Ninja -S "$repo/tools" -B "$build" >/dev/null
cmake --build "$build" -j2 >/dev/null
"$build/model/check_model" "$repo/engine/assets/char.fbx"
mkdir -p "$build/previews"
"$build/model/preview_model" "$repo/engine/assets/char.fbx" "$repo/engine/assets/blessing-1x.png" \
  "$build/previews/char-front.png" 0 0.3125 0.625 0.9375
"$build/model/preview_model" "$repo/engine/assets/char.fbx" "$repo/engine/assets/blessing-1x.png" \
  "$build/previews/char-side.png" --side 0 0.3125 0.625 0.9375
"$python" "$repo/tools/check_font.py" "$repo/engine/assets/newarial.fnt" --preview "$build/previews/font-layout.png"
