#!/usr/bin/env bash
# Installs what is needed, builds, and runs the head unit on the demo device in ./device (made
# the first time from the build's device template: resources/device and the demo T-DMB band).
# Stop it with Ctrl-C or `devicectl shutdown`.
#
# On a desktop the screen shows in a window; without a display the device runs headless and
# its page (tools/deviceweb) is served at http://127.0.0.1:8480/ to see and drive it from a
# browser. --web serves the page beside the window too, --no-web never; DEVICEWEB_PORT sets
# the page's port.
set -euo pipefail
web=auto
for arg in "$@"; do
  case "$arg" in
    --web) web=on ;;
    --no-web) web=off ;;
    *) echo "usage: scripts/run.sh [--web|--no-web]" >&2; exit 2 ;;
  esac
done
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
"$top/scripts/setup.sh"
"$top/scripts/build.sh" build -DHEADUNIT_TESTS=OFF -DHEADUNIT_BENCHMARKS=OFF

root=${DEVICE_ROOT:-$top/device}
template=$top/build/device_template
# The server fills a new root from the template, but only the fs/ folder of a root that has none;
# the programs go in below first, so the template's files (the radio's default picture, ...) are
# copied here. Files already on the device stay.
mkdir -p "$root/fs/NAND"
if [ -d "$template/fs" ]; then cp -rn "$template/fs/." "$root/fs/"; fi
# The build's program files are the device's \NAND programs (with the stand-ins of Photo and
# Stacker); the demo device has a storage card with the navigation program's stand-in, music
# and films on it.
if compgen -G "$top/build/nand/*.EXE" >/dev/null; then
  cp -f "$top"/build/nand/*.EXE "$root/fs/NAND/"
fi
# Each program's rendered skin and string table (build/nand/<PROGRAM>/) go next to it.
for dir in "$top"/build/nand/*/; do
  if [ -d "$dir" ]; then cp -r "$dir" "$root/fs/NAND/"; fi
done
mkdir -p "$root/fs/STORAGE CARD/WAYFARER"
cp -f "$top/build/tools/standins/wayfarer" "$root/fs/STORAGE CARD/WAYFARER/WAYFARER.EXE"
# Music and films on the card, made once into the build tree; files already there stay.
"$top/scripts/demo_card.sh" "$top/build" "$root"
# The platform's own programs the launcher starts: the shell and the touch calibration screen.
mkdir -p "$root/fs/WINDOWS"
cp -f "$top/build/tools/standins/explorer" "$root/fs/WINDOWS/EXPLORER.EXE"
cp -f "$top/build/tools/standins/tclaunch" "$root/fs/WINDOWS/TCLAUNCH.EXE"
echo "device root: $root  (drive it with: build/tools/devicectl/devicectl --root $root ...)"
display=()
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  display=(--display)
  [ "$web" = auto ] && web=off
fi
if [ "$web" = off ]; then
  exec "$top/build/server/server" --root "$root" --template "$template" "${display[@]}" --boot '\NAND\HOMEDECK.EXE'
fi
# The device and its page: the page server follows the device server and ends with it.
"$top/build/server/server" --root "$root" --template "$template" "${display[@]}" --boot '\NAND\HOMEDECK.EXE' &
server_pid=$!
web_pid=
trap '[ -n "$web_pid" ] && kill "$web_pid" 2>/dev/null; kill "$server_pid" 2>/dev/null; wait' INT TERM
for _ in $(seq 100); do
  [ -S "$root/run/server.sock" ] && break
  sleep 0.1
done
"$top/build/tools/deviceweb/deviceweb" --root "$root" --port "${DEVICEWEB_PORT:-8480}" &
web_pid=$!
status=0
wait "$server_pid" || status=$?
kill "$web_pid" 2>/dev/null || true
wait "$web_pid" 2>/dev/null || true
exit "$status"
