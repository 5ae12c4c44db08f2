#!/usr/bin/env bash
# The main job: builds the demo product's installer (examples/demo) and installs it under Wine in a
# private prefix, then prints what was installed: the files, the registry values, the shortcuts and
# the uninstall entry and the uninstaller it names. Without a display the installer runs with /Silent on a private Xvfb display;
# with one it opens its window and you install by hand.
#   scripts/demo.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

scripts/install-deps.sh

echo "== Building the builder (native) and the x64 installer stub, uninstaller and demo program (win64)"
cmake --preset native >/dev/null
cmake --build --preset native --target setup-builder >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target hello >/dev/null
stub=build/win64/Installer/setup-stub-x64.exe
uninstaller=build/win64/Uninstaller/uninstall-x64.exe
if ! cmake --build --preset win64 --target setup-stub uninstall >/dev/null 2>&1 || [[ ! -f "$stub" || ! -f "$uninstaller" ]]; then
    echo "demo.sh: the installer stub $stub or the uninstaller $uninstaller could not be built;" >&2
    echo "         run 'cmake --build --preset win64 --target setup-stub uninstall' to see why." >&2
    exit 1
fi

echo "== Building the demo installer"
out=build/demo
mkdir -p "$out"
build/native/Builder/setup-builder build examples/demo/demo.xml -o "$out" --arch x64 --stub "$stub" \
    --uninstaller "$uninstaller"
setup="$root/$out/LuSetupDemo-setup.exe"

# A fresh prefix each time, so that the listing shows this run's installation only.
prefix="$root/$out/wineprefix"
HOME="$prefix/home" WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
rm -rf "$prefix" "$prefix.lock"
wine=(cmake/wine-run.sh --prefix="$prefix")
wait_wine() { HOME="$prefix/home" WINEPREFIX="$prefix" /usr/lib/wine/wineserver -w; }

status=0
if [[ -n "${DISPLAY:-}" ]]; then
    echo "== Running the installer in its window (DISPLAY=$DISPLAY)"
    "${wine[@]}" "$setup" || status=$?
    wait_wine
else
    echo "== Running the installer silently (/Silent) on a private Xvfb display"
    # The display lives as long as xvfb-run: wait there for every Wine process (the programs the
    # installer starts without waiting included) before it goes.
    PREFIX="$prefix" xvfb-run -a bash -c '"$@"; rc=$?; HOME="$PREFIX/home" WINEPREFIX="$PREFIX" /usr/lib/wine/wineserver -w; exit $rc' \
        _ "${wine[@]}" "$setup" /Silent || status=$?
fi
echo "installer exit code: $status"

app="$prefix/drive_c/Program Files/LuSetup Demo"
echo
echo "== Files under C:\\Program Files\\LuSetup Demo"
if [[ -d "$app" ]]; then
    (cd "$app" && find . -type f -printf '  %-32P %8s bytes  %TY-%Tm-%Td %TH:%TM\n' | sort)
    if [[ -f "$app/bin/hello.log" ]]; then
        echo "  bin/hello.log (written by the programs the installer started):"
        sed 's/^/    /' "$app/bin/hello.log"
    fi
else
    echo "  (not installed)"
fi

echo
echo "== Registry: HKCU\\Software\\LuSetupDemo"
"${wine[@]}" reg query 'HKCU\Software\LuSetupDemo' /s 2>/dev/null | tr -d '\r' | sed '/^$/d; s/^/  /' || echo "  (missing)"

echo
echo "== Shortcuts"
find "$prefix/drive_c/users" "$prefix/drive_c/ProgramData" -name '*.lnk' -printf '  %P\n' 2>/dev/null \
    | grep -i 'demo' || echo "  (none)"

echo
echo "== Uninstall entry (the key is named after the product GUID)"
guid='{943F5540-C4AF-4874-A020-E9C202A01C21}'
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
key="$("${wine[@]}" reg query "$uninstall" 2>/dev/null | tr -d '\r' | grep -F "$guid" | head -n 1 || true)"
if [[ -n "$key" ]]; then
    "${wine[@]}" reg query "$key" 2>/dev/null | tr -d '\r' | sed '/^$/d; s/^/  /'
    # The program the entry's UninstallString names, e.g. "C:\Program Files\LuSetup Demo\Uninstall.exe".
    command="$("${wine[@]}" reg query "$key" /v UninstallString 2>/dev/null | tr -d '\r' |
        sed -n 's/^ *UninstallString *REG_SZ *//p')"
    program="${command#\"}"
    program="${program%%\"*}"
    unixpath="$prefix/drive_c/$(printf '%s' "${program#?:\\}" | tr '\\' '/')"
    echo
    echo "== The uninstaller the entry names"
    if [[ -n "$program" && -f "$unixpath" ]]; then
        printf '  %s  (%s bytes)\n' "$program" "$(stat -c %s "$unixpath")"
    else
        echo "  $command: missing"
        status=1
    fi
else
    echo "  (missing)"
fi
wait_wine
exit "$status"
