#!/usr/bin/env bash
# Fails when a C or C++ source of the project is not formatted with the committed .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -- '*.cpp' '*.h' '*.c')
else
  mapfile -t files < <(find classlib src generator tools tests bench -name '*.cpp' -o -name '*.h' -o -name '*.c')
fi
clang-format --dry-run -Werror "${files[@]}"
echo "format: ${#files[@]} files formatted"
