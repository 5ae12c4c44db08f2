#!/usr/bin/env bash
# The main job: sets up, builds everything and says what it built.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
for preset in native win32 win64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" >/dev/null
done

echo "Built:"
find build/native build/win32 build/win64 -maxdepth 3 -type f \( -name '*.exe' -o -name '*.a' -o -perm -u+x \) \
    ! -path '*/CMakeFiles/*' ! -path '*/googletest/*' ! -path '*/wineprefix/*' ! -name '*.sh' -printf '  %p (%s bytes)\n' | sort
