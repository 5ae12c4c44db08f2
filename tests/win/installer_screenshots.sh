#!/usr/bin/env bash
# Screenshots of the installer's dialogs: builds the win64 dialogs gallery
# (tests/win/DialogsGallery.cpp) and runs it on a private Xvfb display; it saves the language
# dialog, the copy-failure dialog and the licence viewer in each language as PNGs into OUTDIR
# (default: build/win64/installer-screenshots).
#   tests/win/installer_screenshots.sh [OUTDIR]
# Nothing here is committed: look at the pictures, then throw them away.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
out="${1:-$root/build/win64/installer-screenshots}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

cd "$root"
[[ -f build/win64/CMakeCache.txt ]] || cmake --preset win64 >/dev/null
cmake --build --preset win64 --target dialogs_gallery

# Wine sees the Unix root as drive Z:.
winout="Z:${out//\//\\}"
rm -f "$out"/*.png
"$root/tests/win/xvfb-wine.sh" --prefix="$root/build/win64/wineprefix-ui" \
    "$root/build/win64/tests/win/dialogs_gallery.exe" --shot "$winout"
ls -l "$out"/*.png
