#!/usr/bin/env bash
# kestrelup on the device bench: the real hidapi and libudev under umockdev, with a
# bench window to plug and unplug the simulated devices and pick how a flash ends.
#   scripts/demo-bench.sh BUILD_DIR DEMO_FOLDER
# Without a display it runs a short scripted pass under Xvfb (plug, select, flash,
# unplug) and prints the path of one screenshot per step.
set -euo pipefail
build=$1
demo=$2

if [ -n "${DISPLAY:-}" ]; then
  exec "$build/standins/devbench" "$demo"
fi

export QT_LOGGING_RULES="*.debug=false"
shots="$build/demo-bench"
rm -rf "$shots"
xvfb-run -a -s "-screen 0 1500x860x24" "$build/standins/devbench" --script "$shots" "$demo"
echo "No display: the scripted bench pass ran under Xvfb; screenshots above, in $shots"
