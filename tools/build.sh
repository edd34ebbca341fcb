#!/usr/bin/env bash
# Builds both trees: build/native (host tools, native generator, unit tests; the test runner)
# and build/win32 (keltrop_frontend.exe, keltrop.exe and the Windows test programs).
# The native tree goes first: the Windows build runs its form compiler.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
gen=()
command -v ninja >/dev/null && gen=(-G Ninja)

if [ ! -f "$root/build/native/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$root/build/native" "${gen[@]}" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$root/build/native" -j "$jobs"

if [ ! -f "$root/build/win32/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$root/build/win32" "${gen[@]}" -DCMAKE_BUILD_TYPE=Release \
    --toolchain "$root/cmake/mingw-i686.cmake" \
    -DFORMC_EXECUTABLE="$root/build/native/bin/formc" >/dev/null
fi
cmake --build "$root/build/win32" -j "$jobs"
