#!/usr/bin/env bash
# Formats every C and C++ source of the repository with .clang-format (Debian's clang-format 14).
#   scripts/format.sh          rewrite the files in place
#   scripts/format.sh --check  change nothing; list what is off and fail if anything is
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c')
if [[ "${1:-}" == "--check" ]]; then
    clang-format --dry-run --Werror "${files[@]}"
else
    clang-format -i "${files[@]}"
fi
