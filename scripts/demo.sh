#!/usr/bin/env bash
# Builds kestrelup and starts it in a demo program folder where the vendor library and
# VELD are stand-ins and a firmware file waits in download/. The release server
# stand-in offers a newer firmware for the DAC, so that "网络升级" downloads and flashes
# it. It also offers tool release 1.1: answering Yes at start runs update, which
# installs it and starts kestrelup again. By default the devices come from the device
# bench (scripts/demo-bench.sh); with --hidsim a simulated DAC is plugged in through
# libhidsim.so. Without a display it runs under Xvfb and saves screenshots.
# Arguments, in any order: --hidsim, and the interface language (English, 简体中文 or
# 繁体中文).
set -euo pipefail
lang=""
hidsim=0
for arg in "$@"; do
  case "$arg" in
    --hidsim) hidsim=1 ;;
    *) lang=$arg ;;
  esac
done
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"

demo="$build/demo"
rm -rf "$demo"
cp -r "$build/dist" "$demo"
cp "$build/standins/libbtapi.so" "$demo/tovrek/"
mkdir -p "$demo/VELD" "$demo/download"
cp "$build/standins/VELD/VELD" "$demo/VELD/"
cp "$root/sim/demo/devices.json" "$demo/sim-devices.json"
head -c 40960 /dev/urandom > "$demo/download/DAC_v1.06.bin"
if [ -n "$lang" ]; then
  sed -i "s/\"lang\": \"[^\"]*\"/\"lang\": \"$lang\"/" "$demo/setting/config.json"
fi

# The release server stand-in: firmware 1.07 for the DAC and, unless write_catalogue is
# told otherwise, tool release 1.1 (the archive made by the build).
server="$build/demo-server"
rm -rf "$server"
mkdir -p "$server/packages"
head -c 65536 /dev/urandom > "$server/packages/DAC_v1.07.bin"
md5=$(md5sum "$server/packages/DAC_v1.07.bin" | cut -d' ' -f1)
cp "$build/standins/demo/kestrelup-1.1.zip" "$server/packages/"
tool_md5=$(md5sum "$server/packages/kestrelup-1.1.zip" | cut -d' ' -f1)
write_catalogue() {
  local tool="{}"
  [ "${1:-}" = no-tool ] || tool="{\"versionNumber\": \"1.1\", \"downUrl\": \"{base}/packages/kestrelup-1.1.zip\",
    \"md5Code\": \"$tool_md5\", \"describes\": \"What is new: see whatsnew.txt\\\\nafter the update\"}"
  cat > "$server/catalogue.json" <<JSON
{
  "NorvoUpgradeTool": $tool,
  "DAC": {
    "fileName": "DAC_v1.07.bin",
    "downUrl": "{base}/packages/DAC_v1.07.bin",
    "versionNumber": "1.07",
    "productName": "DAC",
    "packageSize": "65536",
    "md5Code": "$md5",
    "describes": "Lower noise floor\\\\nFaster start-up"
  }
}
JSON
}
write_catalogue
"$build/standins/releaseserver" --catalogue "$server/catalogue.json" --packages "$server/packages" \
  --log "$server/requests.log" --fault trickle --fault-path /packages/ --trickle-bytes 2048 --trickle-ms 50 \
  > "$server/address" &
server_pid=$!
trap 'kill $server_pid 2>/dev/null' EXIT
for _ in $(seq 100); do
  grep -q '^listening ' "$server/address" 2>/dev/null && break
  sleep 0.1
done
export KESTRELUP_RELEASE_SERVER=$(sed -n 's/^listening //p' "$server/address")
echo "Release server stand-in at $KESTRELUP_RELEASE_SERVER (requests in $server/requests.log)"

# The stand-in offers whatever its catalogue says; once 1.1 is installed, stop offering it.
watch_tool_install() {
  ( until grep -q '"version": "1.1"' "$demo/setting/config.json" 2>/dev/null; do sleep 0.5; done
    write_catalogue no-tool ) &
  watcher_pid=$!
  trap 'kill $server_pid $watcher_pid 2>/dev/null' EXIT
}

# The updater's window for the offered tool release; kestrelup then runs without the
# offer (its question would hide the window).
update_screenshot() {
  update_shot="$build/demo-update-screenshot.png"
  xvfb-run -a -s "-screen 0 1100x860x24" bash -c '
    "$1" & app=$!
    sleep 3
    import -window root -crop 520x340+0+0 +repage "$2"
    kill $app
  ' _ "$demo/update" "$update_shot"
  echo "No display: update ran under Xvfb; screenshot saved to $update_shot"
  write_catalogue no-tool
}

# Default: the device bench (umockdev); --hidsim keeps the JSON device simulator.
if [ "$hidsim" -eq 0 ]; then
  if [ -n "${DISPLAY:-}" ]; then
    watch_tool_install
  else
    update_screenshot
  fi
  "$root/scripts/demo-bench.sh" "$build" "$demo"
  # After a Yes, update and the kestrelup it starts again still need the server.
  while pgrep -f "^$demo/(update|kestrelup)" >/dev/null; do sleep 1; done
  exit 0
fi

export KESTREL_HIDSIM_DEVICES="$demo/sim-devices.json"
export KESTREL_HIDSIM_LOG="$demo/hid-reports.log"
export BTAPI_SIM_VID=32bb BTAPI_SIM_PID=4 BTAPI_SIM_PAGE_DELAY_MS=300
export LD_PRELOAD="$build/standins/libhidsim.so"

if [ -n "${DISPLAY:-}" ]; then
  watch_tool_install
  "$demo/kestrelup"
  while pgrep -f "^$demo/(update|kestrelup)" >/dev/null; do sleep 1; done
  exit 0
fi

update_screenshot
shot="$build/demo-screenshot.png"
xvfb-run -a -s "-screen 0 1100x860x24" bash -c '
  "$1" & app=$!
  sleep 4
  # The frame draws its own title bar; trimming the empty screen around it leaves the window.
  import -window root -trim +repage "$2"
  kill $app
' _ "$demo/kestrelup" "$shot"
echo "No display: kestrelup ran under Xvfb; screenshot saved to $shot"
