#!/usr/bin/env bash
# Screenshots of the UI toolkit: builds the win64 gallery (tests/win/UiGallery.cpp) and runs it on
# a private Xvfb display; it saves each of its forms as a PNG (every control, every skin state, a
# base dialog modal over its owner) into OUTDIR (default: build/win64/ui-screenshots).
#   tests/win/ui_screenshots.sh [OUTDIR]
# Nothing here is committed: look at the pictures, then throw them away.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
out="${1:-$root/build/win64/ui-screenshots}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

cd "$root"
[[ -f build/win64/CMakeCache.txt ]] || cmake --preset win64 >/dev/null
cmake --build --preset win64 --target ui_gallery

# Wine sees the Unix root as drive Z:.
winout="Z:${out//\//\\}"
rm -f "$out"/*.png
"$root/tests/win/xvfb-wine.sh" --prefix="$root/build/win64/wineprefix-ui" \
    "$root/build/win64/tests/win/ui_gallery.exe" --shot "$winout"
ls -l "$out"/*.png
