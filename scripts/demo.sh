#!/usr/bin/env bash
# Builds kestrelup and starts it in a demo program folder where a simulated DAC is
# plugged in, the vendor library and VELD are stand-ins, and a firmware file waits in
# download/. The release server stand-in offers a newer firmware for the DAC, so that
# "网络升级" downloads and flashes it. It also offers tool release 1.1: answering Yes at
# start runs update, which installs it and starts kestrelup again. Without a display it
# runs under Xvfb and saves screenshots of update and kestrelup.
set -euo pipefail
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

export KESTREL_HIDSIM_DEVICES="$demo/sim-devices.json"
export KESTREL_HIDSIM_LOG="$demo/hid-reports.log"
export BTAPI_SIM_VID=32bb BTAPI_SIM_PID=4 BTAPI_SIM_PAGE_DELAY_MS=300
export LD_PRELOAD="$build/standins/libhidsim.so"

if [ -n "${DISPLAY:-}" ]; then
  # The stand-in offers whatever its catalogue says; once 1.1 is installed, stop offering it.
  ( until grep -q '"version": "1.1"' "$demo/setting/config.json" 2>/dev/null; do sleep 0.5; done
    write_catalogue no-tool ) &
  watcher_pid=$!
  trap 'kill $server_pid $watcher_pid 2>/dev/null' EXIT
  "$demo/kestrelup"
  # After a Yes, update and the kestrelup it starts again still need the server.
  while pgrep -f "^$demo/(update|kestrelup)" >/dev/null; do sleep 1; done
  exit 0
fi

# The updater's window for the offered tool release, then kestrelup without the offer
# (its question would hide the window).
update_shot="$build/demo-update-screenshot.png"
xvfb-run -a -s "-screen 0 1100x860x24" bash -c '
  "$1" & app=$!
  sleep 3
  import -window root -crop 520x340+0+0 +repage "$2"
  kill $app
' _ "$demo/update" "$update_shot"
echo "No display: update ran under Xvfb; screenshot saved to $update_shot"
write_catalogue no-tool

shot="$build/demo-screenshot.png"
xvfb-run -a -s "-screen 0 1100x860x24" bash -c '
  "$1" & app=$!
  sleep 4
  import -window root -crop 1020x760+0+0 +repage "$2"
  kill $app
' _ "$demo/kestrelup" "$shot"
echo "No display: kestrelup ran under Xvfb; screenshot saved to $shot"
