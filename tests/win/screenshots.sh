#!/usr/bin/env bash
# Screenshots for looking at the UI: builds a win64 gallery and runs it on a private Xvfb display;
# it saves its windows as PNGs into OUTDIR (default: build/win64/<what>-screenshots).
#   tests/win/screenshots.sh ui [OUTDIR]          every toolkit control in every skin state, and a
#                                                  base dialog modal over its owner (UiGallery.cpp)
#   tests/win/screenshots.sh installer [OUTDIR]   the language dialog, the copy-failure dialog and the
#                                                  licence viewer in each language; the proxy settings
#                                                  and failed-download dialogs (DialogsGallery.cpp)
#   tests/win/screenshots.sh mainwindow [OUTDIR]  the installer itself, driven like a user through its
#                                                  input, progress and complete layouts in each language
#                                                  (tests/e2e/installer_ui_e2e.py)
#   tests/win/screenshots.sh uninstaller [OUTDIR] the uninstaller's window in each language: question,
#                                                  progress, end (UninstallGallery.cpp)
# Nothing here is committed: look at the pictures, then throw them away.
set -euo pipefail
case "${1:-}" in
    ui) gallery=ui_gallery ;;
    installer) gallery=dialogs_gallery ;;
    mainwindow) gallery="" ;;
    uninstaller) gallery=uninstall_gallery ;;
    *) echo "usage: $0 ui|installer|mainwindow|uninstaller [OUTDIR]" >&2; exit 2 ;;
esac
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
out="${2:-$root/build/win64/$1-screenshots}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

cd "$root"
[[ -f build/win64/CMakeCache.txt ]] || cmake --preset win64 >/dev/null
if [[ -z "$gallery" ]]; then
    rm -f "$out"/*.png
    cmake --build --preset win64 --target setup-stub setup-builder uninstall e2e-logger
    python3 tests/e2e/installer_ui_e2e.py --source "$root" --build "$root/build/win64" \
        --stub build/win64/Installer/setup-stub-x64.exe \
        --uninstaller build/win64/Uninstaller/uninstall-x64.exe --builder build/win64/Builder/setup-builder.exe \
        --logger build/win64/tests/e2e/e2e-logger.exe --only interactive --shots "$out"
    ls -l "$out"/*.png
    exit
fi
cmake --build --preset win64 --target "$gallery"

# Wine sees the Unix root as drive Z:.
winout="Z:${out//\//\\}"
rm -f "$out"/*.png
"$root/tests/win/xvfb-wine.sh" --prefix="$root/build/win64/wineprefix-ui" \
    "$root/build/win64/tests/win/$gallery.exe" --shot "$winout"
ls -l "$out"/*.png
