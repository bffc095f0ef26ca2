#!/usr/bin/env bash
# Installs the .deb into a clean Debian 12 root and starts the tool there the way the
# desktop menu does, as a new user with an empty home, against a release server on
# 127.0.0.1 that offers a tool update. The installed copy must keep everything in the
# user's data folder and leave the update to apt.
#
#   sudo scripts/check-deb-clean-root.sh [build-dir]
#
# The first run bootstraps the root into $KESTREL_ROOT_CACHE (default
# /var/cache/kestrel-deb-check) from the mirror apt uses here; later runs copy it, and
# the downloaded packages are kept there too. KEEP_ROOT=1 leaves the root for a look.
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$src/build}" && pwd)
cache=${KESTREL_ROOT_CACHE:-/var/cache/kestrel-deb-check}
seconds=${KESTREL_RUN_SECONDS:-6}

if [ "$(id -u)" -ne 0 ]; then
  exec sudo -E "$0" "$@"
fi

step() { printf '\n== %s (%ds)\n' "$*" "$SECONDS"; }
fail() { printf 'FAIL: %s\n' "$*" >&2; exit 1; }

# The mirror is whatever this machine's apt uses, so the check needs no address of its own.
mirror=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
if [ -z "$mirror" ]; then
  mirror=$(awk '$1 == "deb" && $0 ~ /bookworm/ {for (i = 2; i <= NF; i++) if ($i ~ /^https?:/) {print $i; exit}}' \
    /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true)
fi
[ -n "$mirror" ] || fail "no Debian mirror found in /etc/apt/sources.list*"
security=$(awk '/^URIs:/ && /security/ {print $2; exit}' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
command -v debootstrap >/dev/null || fail "debootstrap is missing (scripts/install-deps.sh installs it)"

step "building the package in $build"
cmake --build "$build" -j2 >/dev/null
(cd "$build" && rm -f kestrelup_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$build"/kestrelup_*.deb)
echo "$deb"

pristine=$cache/bookworm
mkdir -p "$cache/archives/partial"
if [ ! -d "$pristine" ]; then
  step "bootstrapping Debian 12 into $pristine"
  rm -rf "$pristine.tmp"
  debootstrap --variant=minbase bookworm "$pristine.tmp" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
    { tail -20 "$cache/debootstrap.log" >&2; fail "debootstrap from $mirror failed, see $cache/debootstrap.log"; }
  rm -f "$pristine.tmp"/var/cache/apt/archives/*.deb
  mv "$pristine.tmp" "$pristine"
fi

work=$(mktemp -d /var/tmp/kestrel-deb-root.XXXXXX)
root=$work/root
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  for m in var/cache/apt/archives dev/pts dev sys proc; do
    mountpoint -q "$root/$m" 2>/dev/null && umount -l "$root/$m"
  done
  if [ "${KEEP_ROOT:-0}" = 1 ]; then echo "root kept in $root"; else rm -rf "$work"; fi
}
trap cleanup EXIT

step "copying the clean root"
cp -a "$pristine" "$root"
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount --bind "$cache/archives" "$root/var/cache/apt/archives"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# Same suites as the build machine, so the libraries the package was linked against exist.
cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
EOF
[ -z "$security" ] || echo "deb $security bookworm-security main" >>"$root/etc/apt/sources.list"
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }

step "apt-get install ./$(basename "$deb")"
cp "$deb" "$root/tmp/"
in_root apt-get update -qq
in_root sh -c "cd /tmp && apt-get install -y -q ./$(basename "$deb")" | tail -3
missing=$(in_root sh -c 'ldd /opt/kestrelup/kestrelup /opt/kestrelup/update | grep "not found" || true')
[ -z "$missing" ] || fail "libraries not pulled in by the package: $missing"

desktop=$(in_root dpkg -L kestrelup | grep '^/usr/share/applications/.*\.desktop$')
metainfo=$(in_root dpkg -L kestrelup | grep '^/usr/share/metainfo/.*\.xml$')
rules=$(in_root dpkg -L kestrelup | grep '/rules\.d/.*\.rules$')
exec_line=$(sed -n 's/^Exec=//p' "$root$desktop")
echo "desktop entry $desktop: Exec=$exec_line"

step "release server offering a tool update"
tmp=$work/server
mkdir -p "$tmp"
cat >"$tmp/catalogue.json" <<'EOF'
{"NorvoUpgradeTool": {"fileName": "kestrelup_9.9.zip", "downUrl": "{base}/packages/kestrelup_9.9.zip",
  "showNumber": "9.9", "packageSize": "1", "languageCode": "zh-cn", "md5Code": "0",
  "isDownVersion": "0", "describes": "newer tool", "versionNumber": "9.9", "productName": "NorvoUpgradeTool"}}
EOF
: >"$tmp/requests.log"
"$build/standins/releaseserver" --port 0 --catalogue "$tmp/catalogue.json" --log "$tmp/requests.log" \
  >"$tmp/server.out" 2>&1 &
server_pid=$!
for _ in $(seq 50); do grep -q '^listening ' "$tmp/server.out" && break; sleep 0.1; done
base=$(sed -n 's/^listening //p' "$tmp/server.out")
[ -n "$base" ] || fail "release server stand-in did not start"
# The offer must be real, or "not offered" below proves nothing.
curl -s --data 'productName=NorvoUpgradeTool&versionNumber=1.0' "$base/app/ota/getOtaInfo" | grep -q '"versionNumber":"9.9"' ||
  fail "stand-in does not offer the tool update"
: >"$tmp/requests.log"
echo "$base offers NorvoUpgradeTool 9.9"

step "starting '$exec_line' as a new user for ${seconds}s"
mkdir -p "$root/tmp/empty-skel"
in_root useradd --create-home --skel /tmp/empty-skel --shell /bin/sh desk
[ -z "$(ls -A "$root/home/desk")" ] || fail "the new home is not empty"
before=$(cd "$root/opt/kestrelup" && find . -printf '%p %s %T@\n' | sort)
set +e
in_root runuser -u desk -- /usr/bin/env -i HOME=/home/desk USER=desk LOGNAME=desk \
  PATH=/usr/bin:/bin LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen KESTRELUP_RELEASE_SERVER="$base" \
  timeout "$seconds" sh -c "exec $exec_line" >"$tmp/run.out" 2>&1
status=$?
set -e
after=$(cd "$root/opt/kestrelup" && find . -printf '%p %s %T@\n' | sort)

step "checks"
data=$root/home/desk/.local/share/kestrelup
echo "exit status $status (124: still running when stopped); its output:"
sed 's/^/  /' "$tmp/run.out" | head -20
echo "home after the run:"; (cd "$root/home/desk" && find . -mindepth 1 | sort | sed 's/^/  /')
ok=1
check() { if eval "$2"; then echo "ok   $1"; else echo "FAIL $1"; ok=0; fi; }
check "still running after ${seconds}s, so it did not quit into update" '[ "$status" -eq 124 ]'
check "settings in $data/setting" '[ -s "$data/setting/config.json" ]'
log=$(ls "$data"/log/log_*.txt 2>/dev/null | head -1 || true)
check "log in $data/log" '[ -n "$log" ] && [ -s "$log" ]'
check "log says the tool update is not offered" 'grep -q "tool update not offered" "$log"'
grep -m1 "tool update not offered" "$log" 2>/dev/null | sed 's/^/     /' || true
check "no hand-over to update in the log" '! grep -q "程序退出" "$log"'
check "no tool release request reached the server" '! grep -q NorvoUpgradeTool "$tmp/requests.log"'
check "nothing written under /opt/kestrelup" '[ "$before" = "$after" ]'

step "validating the desktop entry, metainfo and udev rule in the root"
in_root apt-get install -y -q --no-install-recommends desktop-file-utils appstream udev >/dev/null
check "desktop-file-validate $desktop" 'out=$(in_root desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ] || { echo "$out"; false; }'
check "appstreamcli validate --no-net $metainfo" 'in_root appstreamcli validate --no-net "$metainfo" >"$tmp/as.out" 2>&1 || { cat "$tmp/as.out"; false; }'
# udevadm test parses every rules file and names each line it cannot read.
check "udev reads $rules without complaint" \
  'in_root udevadm test /sys/devices/virtual/mem/null >"$tmp/udev.out" 2>&1; grep -q "$(basename "$rules")" "$tmp/udev.out" && ! grep -i "$(basename "$rules").*\(invalid\|error\|unknown\)" "$tmp/udev.out"'

printf '\n%s after %ds\n' "$([ "$ok" = 1 ] && echo PASSED || echo FAILED)" "$SECONDS"
[ "$ok" = 1 ]
