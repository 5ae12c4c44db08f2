#!/usr/bin/env bash
# Runs a 64-bit Windows executable under wine64 in a private prefix that never touches $HOME.
# Used as CMAKE_CROSSCOMPILING_EMULATOR and by the end-to-end scripts.
#   WINE_PREFIX_DIR  prefix to use (default: <this build tree>/wineprefix, given by CMake as $1 --prefix=DIR)
set -euo pipefail
if [[ "${1:-}" == --prefix=* ]]; then
    export WINEPREFIX="${1#--prefix=}"
    shift
fi
: "${WINEPREFIX:?WINEPREFIX or --prefix=DIR must be given}"
export WINEPREFIX
export WINELOADER=/usr/lib/wine/wine64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="winemenubuilder.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
export WINEARCH=win64

prepare_prefix() {
    mkdir -p "$WINEPREFIX"
    # Keep Wine away from the real home: its shell folders become plain folders inside the prefix.
    HOME="$WINEPREFIX/home" "$WINELOADER" wineboot -i >/dev/null 2>&1 || true
    HOME="$WINEPREFIX/home" /usr/lib/wine/wineserver -w || true
    local d
    for d in "$WINEPREFIX"/drive_c/users/*/; do
        local f
        for f in "$d"*; do
            if [[ -L "$f" ]]; then
                rm -f "$f"
                mkdir -p "$f"
            fi
        done
    done
    touch "$WINEPREFIX/.lusetup-ready"
}

mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
[[ -f "$WINEPREFIX/.lusetup-ready" ]] || prepare_prefix
flock -u 9
exec 9>&-

# Wine resolves a relative Unix path against its own idea of the current folder: make it absolute.
if [[ $# -gt 0 && -f "$1" && "$1" != /* ]]; then
    set -- "$PWD/$1" "${@:2}"
fi

export HOME="$WINEPREFIX/home"
mkdir -p "$HOME"
exec "$WINELOADER" "$@"
