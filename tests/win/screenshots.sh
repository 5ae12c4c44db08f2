#!/usr/bin/env bash
# Screenshots for looking at the UI: builds a win64 gallery and runs it on a private Xvfb display;
# it saves its windows as PNGs into OUTDIR (default: build/win64/<what>-screenshots).
#   tests/win/screenshots.sh ui [OUTDIR]          every toolkit control in every skin state, and a
#                                                  base dialog modal over its owner (UiGallery.cpp)
#   tests/win/screenshots.sh installer [OUTDIR]   the language dialog, the copy-failure dialog and the
#                                                  licence viewer in each language (DialogsGallery.cpp)
#   tests/win/screenshots.sh uninstaller [OUTDIR] the uninstaller's window in each language: question,
#                                                  progress, end (UninstallGallery.cpp)
# Nothing here is committed: look at the pictures, then throw them away.
set -euo pipefail
case "${1:-}" in
    ui) gallery=ui_gallery ;;
    installer) gallery=dialogs_gallery ;;
    uninstaller) gallery=uninstall_gallery ;;
    *) echo "usage: $0 ui|installer|uninstaller [OUTDIR]" >&2; exit 2 ;;
esac
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
out="${2:-$root/build/win64/$1-screenshots}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

cd "$root"
[[ -f build/win64/CMakeCache.txt ]] || cmake --preset win64 >/dev/null
cmake --build --preset win64 --target "$gallery"

# Wine sees the Unix root as drive Z:.
winout="Z:${out//\//\\}"
rm -f "$out"/*.png
"$root/tests/win/xvfb-wine.sh" --prefix="$root/build/win64/wineprefix-ui" \
    "$root/build/win64/tests/win/$gallery.exe" --shot "$winout"
ls -l "$out"/*.png
