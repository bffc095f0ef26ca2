#!/usr/bin/env bash
# Runs every benchmark on a private X display and prints their tables.
# Usage: bench/run.sh [build-dir]   (default: build; built with cmake --build)
set -euo pipefail
build=$(realpath "${1:-build}")
cmake --build "$build" -j2 >/dev/null
bench="$build/bench"
# Debug messages stay on: the tool writes them to its log file, and that is part of the cost.
export LC_ALL=C.UTF-8 LANG=C.UTF-8
# Diagnostics go to bench/<name>.err in the build folder, the tables to the terminal.
run() { xvfb-run -a -s '-screen 0 1280x1024x24' "$@" 2>"$bench/$(basename "$1").err"; }

run "$bench/bench_startup" 15
run "$bench/bench_flash_output" 2000 20000 3
if [ -x "$bench/bench_download" ]; then run "$bench/bench_download" 64 7; fi
if [ -x "$bench/bench_update" ]; then run "$bench/bench_update" 64 9; fi
