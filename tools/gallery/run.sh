#!/usr/bin/env bash
# Renders the gallery of the game data into <build>/gallery (or $1) and assembles a contact sheet,
# contact_sheet.png, from the pictures. Uses Xvfb when no display is set.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${GORVANE_BUILD_DIR:-$root/build}
out=${1:-$build/gallery}
cmake --build "$build" --target gallery >/dev/null
rm -rf "$out"
mkdir -p "$out"
cd "$build/bin"
if [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$build/bin/gallery" "$build/data" "$out"
else
    "$build/bin/gallery" "$build/data" "$out"
fi
cd "$out"
montage -label '%t' -pointsize 11 -fill '#ddd' -background '#202020' -geometry 240x180+3+3 -tile 8x \
    arena_*.png mesh_*.png anim_*.png effect_*.png material_*.png contact_sheet.png
echo "$out/contact_sheet.png"
