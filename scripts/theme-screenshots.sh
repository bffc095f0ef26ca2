#!/usr/bin/env bash
# Pictures of the window in the silvery and black themes, in Chinese and in English,
# with a simulated DAC plugged in; they go to docs/ for the README.
#   scripts/theme-screenshots.sh [English catalogue (.qm), default the built-in one]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
english="${1:-:/lang_English.qm}"

"$root/scripts/install-deps.sh"
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target kestrel_frameshot hidsim

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir -p "$folder/setting"
cp "$build/dist/setting/config.json" "$folder/setting/"
export KESTREL_HIDSIM_DEVICES="$root/sim/demo/devices.json"
export LD_PRELOAD="$build/standins/libhidsim.so"

for theme in 0:silvery 7:black; do
  number=${theme%%:*} name=${theme#*:}
  for language in zh en; do
    args=(--folder "$folder" --theme "$number" --out "$root/docs/theme-$name-$language.png")
    [ "$language" = en ] && args+=(--catalogue "$english")
    xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tests/bin/kestrel_frameshot" "${args[@]}" >/dev/null 2>&1
    echo "docs/theme-$name-$language.png"
  done
done
