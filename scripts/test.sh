#!/usr/bin/env bash
# Sets up and runs every test: installs the dependencies, builds the four presets (native,
# native-asan, win32, win64), runs the native tests, the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the win64 tests under wine64; first it checks the sources'
# format (scripts/format.sh --check). Stops at the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

echo "== format"
scripts/format.sh --check

for preset in native native-asan win32 win64; do
    echo "== build $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

for preset in native native-asan win64; do
    echo "== test $preset"
    ctest --preset "$preset"
done
