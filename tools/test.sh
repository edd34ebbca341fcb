#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test (unit, Wine end-to-end, fuzz).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
"$root/tools/build.sh"
cd "$root/build/native"
ctest --output-on-failure -j 2 "$@"
