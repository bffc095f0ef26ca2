#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole suite through ctest.
#   scripts/test.sh             normal build in build/
#   scripts/test.sh --sanitize  AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTREL_SANITIZE=OFF -DKESTREL_WINE_TESTS=ON)
if [ "${1:-}" = "--sanitize" ]; then
  build="$root/build-asan"
  # The wine run checks the Windows build of tovrek, which the sanitizers do not reach.
  options=(-DCMAKE_BUILD_TYPE=Debug -DKESTREL_SANITIZE=ON -DKESTREL_WINE_TESTS=OFF)
fi

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
ctest --output-on-failure -j"$(nproc)"
