#!/usr/bin/env bash
# Runs a 64-bit Windows executable under wine64 on a private X display: windows need one.
#   xvfb-wine.sh --prefix=DIR PROGRAM.exe [ARGS...]
# Xvfb picks a free display itself (-displayfd). The prefix should be one that no concurrent test
# shares, since its server is stopped. Two lessons of Wine shape the run:
# - The first program of a server that needs a window starts the desktop process (explorer.exe)
#   with its own DISPLAY, and every later window of that server goes through it: a server left
#   from another display fails every window with "no driver could be loaded". So any server left
#   in the prefix is stopped first, and stopped again at the end.
# - A program waits only ten seconds for a starting desktop process; on a loaded machine that is
#   too short and the program's windows fail (CreateWindow, error 0) for its whole life. So the
#   server is started by this script, kept running, and the desktop is brought up on this display
#   (and its readiness seen) before the program runs.
# The end-to-end tests do the same in Python (tests/e2e/e2elib.py).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
prefix=""
if [[ "${1:-}" == --prefix=* ]]; then
    prefix="${1#--prefix=}"
    shift
fi
: "${prefix:?--prefix=DIR must be given}"
wineserver=/usr/lib/wine/wineserver
ws() { WINEPREFIX="$prefix" HOME="$prefix/home" "$wineserver" "$@" >/dev/null 2>&1; }
# SIGINT: the server ends its programs and writes the registry files before it exits. Plain -k
# would follow with SIGKILL after two seconds, which on a loaded machine can come before the files
# are written.
stop_wineserver() {
    ws -k2 || return 0
    WINEPREFIX="$prefix" HOME="$prefix/home" timeout 60 "$wineserver" -w 2>/dev/null || ws -k || true
}
# Exit code of rundll32 running ExitProcess: the handle of the window rundll32 creates first
# (low byte; 0 when it has none). Nonzero means a window could be created on this display.
desktop_ready() {
    local rc=0
    "$root/cmake/wine-run.sh" --prefix="$prefix" rundll32.exe kernel32.dll,ExitProcess >/dev/null 2>&1 || rc=$?
    [[ $rc -ne 0 ]]
}

geometry="${XVFB_SCREEN:-1280x1024x24}"
fdfile="$(mktemp)"
Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp -nolisten unix-abstract 3>"$fdfile" >/dev/null 2>&1 &
xvfb_pid=$!
cleanup() {
    stop_wineserver
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    rm -f "$fdfile"
}
trap cleanup EXIT
for _ in $(seq 100); do
    [[ -s "$fdfile" ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { echo "xvfb-wine.sh: Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done
display="$(tr -d '[:space:]' <"$fdfile")"
[[ -n "$display" ]] || { echo "xvfb-wine.sh: Xvfb gave no display" >&2; exit 1; }
export DISPLAY=":$display"

[[ -d "$prefix" ]] && stop_wineserver
# Prefix settings, once: without a window manager Wine waits two seconds on every hidden "managed"
# window for a state change that never comes, so windows are unmanaged; and the Windows CJK faces
# (and the Chinese fallback of Tahoma) map to the installed WenQuanYi font, so that Chinese
# captions render as text rather than boxes. A crash prints its backtrace and ends the program
# instead of waiting on Wine's crash dialog, which nobody would close on this display.
if [[ ! -f "$prefix/.lusetup-ui-ready-2" ]]; then
    regfile="$prefix/lusetup-ui.reg"
    mkdir -p "$prefix"
    printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
        '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '' \
        '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' \
        '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
        '"微软雅黑"="WenQuanYi Micro Hei"' '"Microsoft YaHei"="WenQuanYi Micro Hei"' \
        '"宋体"="WenQuanYi Micro Hei"' '"SimSun"="WenQuanYi Micro Hei"' '' |
        iconv -f UTF-8 -t UTF-16 >"$regfile"
    "$root/cmake/wine-run.sh" --prefix="$prefix" regedit /S "$(printf 'Z:%s' "${regfile//\//\\}")" >/dev/null 2>&1 &&
    "$root/cmake/wine-run.sh" --prefix="$prefix" reg add \
        'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
        /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1 &&
        touch "$prefix/.lusetup-ui-ready-2"
    stop_wineserver
fi

WINEPREFIX="$prefix" HOME="$prefix/home" "$wineserver" -p
ready=""
for _ in 1 2 3 4 5 6; do
    desktop_ready && { ready=1; break; }
done
[[ -n "$ready" ]] || echo "xvfb-wine.sh: no window can be created on $DISPLAY" >&2

set +e
"$root/cmake/wine-run.sh" --prefix="$prefix" "$@"
rc=$?
set -e
exit "$rc"
