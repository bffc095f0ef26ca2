#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for a bounded time.
#   scripts/fuzz.sh [seconds per target, default 30] [target...]
# New inputs go to build-fuzz/corpus/<target>/, crashes to build-fuzz/artifacts/<target>/;
# the seeds in fuzz/corpus/ are only read.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
seconds=${1:-30}
shift || true

"$root/scripts/install-deps.sh"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKESTREL_FUZZ=ON -DKESTREL_BUILD_TESTS=OFF -DKESTREL_WINE_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target kestrel_fuzzers

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for dir in "$root"/fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi

export ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
status=0
summary=()
for t in "${targets[@]}"; do
  work="$build/corpus/$t" artifacts="$build/artifacts/$t/"
  mkdir -p "$work" "$artifacts"
  log="$build/fuzz-$t.log"
  echo "== $t (${seconds}s)"
  if "$build/fuzz/$t" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$artifacts" "$work" "$root/fuzz/corpus/$t" >"$log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
    summary+=("$t: $runs executions, no crash")
  else
    status=1
    summary+=("$t: CRASH, see $log and $artifacts")
    tail -n 40 "$log"
  fi
done
printf '%s\n' "${summary[@]}"
exit $status
