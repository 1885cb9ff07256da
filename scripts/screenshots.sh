#!/usr/bin/env bash
# Takes the README's screenshots from a running device: a device of its own in a temporary
# folder, booted to HomeDeck with the card in, driven by devicectl taps through the menus, the
# two settings screens and the navigation map with the taskbar button over it; then FileShelf,
# sent by a player's stand-in, with a Korean music folder of the demo card added to its list.
# Usage: scripts/screenshots.sh [BUILD_DIR]   (after a build; writes docs/homedeck_*.png and
# docs/fileshelf.png); then Movie playing the card's test film with its subtitle, and its list
# of two pages (docs/movie_video.png, docs/movie_list.png); then Music playing a Korean-titled
# song with its list paged down (docs/music.png); then SatScope connected to gpssim at
# 9600 baud, with a fix and a log running (docs/satscope.png); then, in developer mode, its
# signal bars and a receiver's answer in the notice line (docs/satscope_bars.png) and the
# compact window of a 320 x 240 screen with the u-blox buttons (docs/satscope_compact.png);
# and Telecast scanning the demo T-DMB band, playing a TV service, at full screen, playing a
# radio service with its slide and label, and as picture-in-picture over the navigation
# program with its popup panel (docs/telecast_scan.png, docs/telecast_tv.png,
# docs/telecast_full.png, docs/telecast_radio.png, docs/telecast_pip.png); and RouteKit's strip
# over the map (docs/routekit.png), and Extview showing the AV input (docs/extview.png); with
# HomeDeck's system information screen (docs/sysinfo.png) among its menus, and at the end the
# device scan box of HomeDeck booted without its card (docs/scanbox.png).
# scripts/screenshots.sh BUILD_DIR telecast takes Telecast's alone, on a device without HomeDeck;
# it needs only the targets server, devicectl, telecast, wayfarer and device_template built.
# scripts/screenshots.sh BUILD_DIR routekit (or extview) takes that program's alone, the same way.
# The device's page in headless Chromium with HomeDeck's main menu on it (docs/deviceweb.png)
# comes with the full run, or alone with scripts/screenshots.sh BUILD_DIR deviceweb.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
only=${2:-}
root=$(mktemp -d)
server_pid=
gpssim_pid=
cleanup() {
  if [ -n "$gpssim_pid" ]; then kill "$gpssim_pid" 2>/dev/null || true; fi
  if [ -n "${web_pid:-}" ]; then kill "$web_pid" 2>/dev/null || true; fi
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
  rm -rf "$root"
}
trap cleanup EXIT

mkdir -p "$root/fs/NAND" "$root/fs/STORAGE CARD/WAYFARER"
cp "$build/nand/TELECAST.EXE" "$build/nand/ROUTEKIT.EXE" "$build/nand/EXTVIEW.EXE" "$root/fs/NAND/"
cp -r "$build/nand/TELECAST" "$build/nand/ROUTEKIT" "$build/nand/EXTVIEW" "$root/fs/NAND/"
if [ "$only" != telecast ]; then
  cp "$build/nand/HOMEDECK.EXE" "$build/nand/FILESHELF.EXE" "$build/nand/LISTPLAYER.EXE" "$build/nand/MOVIE.EXE" \
    "$build/nand/MUSIC.EXE" "$build/nand/SATSCOPE.EXE" "$root/fs/NAND/"
  cp -r "$build/nand/HOMEDECK" "$build/nand/FILESHELF" "$build/nand/MOVIE" "$build/nand/MUSIC" "$build/nand/SATSCOPE" \
    "$root/fs/NAND/"
  "$top/scripts/demo_card.sh" "$build" "$root"
fi
# The demo T-DMB band that device.conf names, and the radio's default picture.
cp -r "$build/device_template/tdmb" "$root/"
cp "$build/device_template/fs/NAND/initDAB.jpg" "$root/fs/NAND/"
cp "$build/tools/standins/wayfarer" "$root/fs/STORAGE CARD/WAYFARER/WAYFARER.EXE"
cp "$top/resources/device/device.conf" "$root/device.conf"
printf 'board_status = 16\naudio = fake\n' >>"$root/device.conf"
ctl() { "$build/tools/devicectl/devicectl" --root "$root" "$@"; }

# Telecast: a scan of the demo band half-way, then the first TV service it found playing, the
# picture at full screen, a radio service with its slide and label, and, started again with
# "PIP", the picture in its box over the navigation program with the popup panel a tap on the
# box shows.
telecast_shots() {
  local window=DMB_TELECAST
  tshot() { ctl screenshot "$top/docs/telecast_$1.png" >/dev/null; echo "docs/telecast_$1.png"; }
  ctl start '\NAND\TELECAST.EXE' >/dev/null
  ctl wait-window $window 5000 >/dev/null
  sleep 2
  ctl post $window 273 1007 0 >/dev/null   # start scan
  sleep 3; tshot scan
  sleep 8; tshot tv
  ctl post $window 273 1019 0 >/dev/null   # full screen, as after five idle seconds
  sleep 2; tshot full
  ctl post $window 273 1019 0 >/dev/null   # back to the list
  sleep 1
  ctl post $window 273 1011 0 >/dev/null   # the radio list: its first service plays
  # The slide and the label come a few seconds after the tune; a tap on the title line now and
  # then keeps the idle count from taking the screen to full size meanwhile.
  for _ in 1 2 3; do sleep 1.5; ctl tap 300 16 >/dev/null; done
  sleep 1; tshot radio
  ctl post $window 273 1010 0 >/dev/null   # back to the TV list for the next start
  sleep 1
  ctl close $window >/dev/null
  sleep 1.5
  ctl start '\NAND\TELECAST.EXE' PIP >/dev/null
  ctl wait-window $window 5000 >/dev/null
  ctl wait-window Wayfarer 5000 >/dev/null
  sleep 4
  ctl tap 600 300 >/dev/null                # a tap on the small picture: the popup panel
  sleep 1; tshot pip
  ctl close $window >/dev/null
  sleep 1
}

# RouteKit: its strip at the right edge over the navigation map.
routekit_shots() {
  ctl start '\STORAGE CARD\WAYFARER\WAYFARER.EXE' >/dev/null
  ctl wait-window Wayfarer 5000 >/dev/null
  sleep 1
  ctl start '\NAND\ROUTEKIT.EXE' >/dev/null
  ctl wait-window APP_ROUTEKIT 5000 >/dev/null
  sleep 1; ctl screenshot "$top/docs/routekit.png" >/dev/null; echo "docs/routekit.png"
  ctl close APP_ROUTEKIT >/dev/null
  ctl close Wayfarer >/dev/null
  sleep 1
}

# Extview: the AV input's picture (the test pattern of channel 1) between the bars.
extview_shots() {
  ctl start '\NAND\EXTVIEW.EXE' 1 >/dev/null
  ctl wait-window APP_EXTVIEW 5000 >/dev/null
  sleep 2; ctl screenshot "$top/docs/extview.png" >/dev/null; echo "docs/extview.png"
  ctl close APP_EXTVIEW >/dev/null
  sleep 1
}

# The device's page as a browser shows it: deviceweb on a free port, headless Chromium taking
# the window once the page has drawn the screen and read the board.
web_pid=
deviceweb_shot() {
  local out=$root/deviceweb.out
  "$build/tools/deviceweb/deviceweb" --root "$root" --port 0 >"$out" &
  web_pid=$!
  for _ in $(seq 50); do grep -q http "$out" && break; sleep 0.1; done
  local address
  address=$(grep -o 'http://[0-9.:]*/' "$out")
  "$build/tools/deviceweb/deviceweb_pageshot" "$address" "$top/docs/deviceweb.png" 1400 820
  echo "docs/deviceweb.png"
  kill "$web_pid" 2>/dev/null || true
  wait "$web_pid" 2>/dev/null || true
  web_pid=
}

if [ "$only" = telecast ] || [ "$only" = routekit ] || [ "$only" = extview ]; then
  "$build/server/server" --root "$root" >/dev/null 2>&1 &
  server_pid=$!
  for _ in $(seq 100); do ctl ps >/dev/null 2>&1 && break; sleep 0.1; done
  case "$only" in
    telecast) telecast_shots ;;
    routekit) routekit_shots ;;
    extview) extview_shots ;;
  esac
  ctl shutdown >/dev/null
  wait "$server_pid" 2>/dev/null || true
  server_pid=
  exit 0
fi

"$build/server/server" --root "$root" --boot '\NAND\HOMEDECK.EXE' >/dev/null 2>&1 &
server_pid=$!
for _ in $(seq 100); do ctl wait-window APP_HOMEDECK 100 >/dev/null 2>&1 && break; sleep 0.1; done
ctl wait-window APP_HOMEDECK 5000 >/dev/null

# Each step: a tap at a button's middle, time for the screen to be rebuilt, the picture.
shot() { sleep 0.8; ctl screenshot "$top/docs/homedeck_$1.png" >/dev/null; echo "docs/homedeck_$1.png"; }
shot main
deviceweb_shot
if [ "$only" = deviceweb ]; then exit 0; fi
ctl tap 539 283; shot multimedia   # Multimedia
ctl tap 750 16                     # Exit
ctl tap 670 283; shot settings     # System
ctl tap 231 283; shot backlight    # Screen
ctl tap 750 16                     # Exit
ctl tap 398 283; shot sound        # Sound and FM
ctl tap 750 16                     # Exit
ctl tap 572 283; sleep 0.8         # Information
ctl screenshot "$top/docs/sysinfo.png" >/dev/null; echo "docs/sysinfo.png"
ctl tap 750 16; ctl tap 750 16     # Exit twice: the main menu
ctl tap 142 283                    # Navigation: the map, and a second later the button over it
ctl wait-window Wayfarer 5000 >/dev/null
sleep 1.5; shot taskbar

# FileShelf as Music sends the user there: into the card's music folder, two songs checked
# and added, the first entry checked in the play list.
ctl start '\NAND\LISTPLAYER.EXE' APP_MUSIC >/dev/null
ctl wait-window APP_BROWSER 5000 >/dev/null
sleep 1
ctl tap 602 105; ctl tap 667 446   # STORAGE CARD, open
sleep 0.5
ctl tap 602 169; ctl tap 667 446   # 음악, open
sleep 0.5
ctl tap 491 446; ctl tap 398 197   # check all, add
sleep 0.5
ctl tap 132 105; ctl tap 602 105   # check the play list's first row, uncheck the file list's
sleep 0.8; ctl screenshot "$top/docs/fileshelf.png" >/dev/null; echo "docs/fileshelf.png"
ctl close APP_BROWSER >/dev/null || true

# The players' pictures at full brightness, whatever the taps above left the backlight at.
ctl backlight 100 >/dev/null

# Movie: a list of twelve entries (the card's films again and again, in code page 949 as
# FileShelf writes it), the test film playing with its subtitle, then the list's second page.
{
  printf '#EXTM3U\r\n'
  for i in $(seq 6); do
    printf '#EXTINF:0,\r\n\\STORAGE CARD\\Movie\\시험 화면.mp4\r\n'
    printf '#EXTINF:0,\r\n\\STORAGE CARD\\Movie\\Ball.avi\r\n'
  done
} | iconv -f UTF-8 -t CP949 >"$root/fs/NAND/MOVIELIST.M3U"
ctl start '\NAND\MOVIE.EXE' >/dev/null
ctl wait-window APP_MOVIE 5000 >/dev/null
sleep 1
ctl tap 30 445                     # play
sleep 2.5; ctl screenshot "$top/docs/movie_video.png" >/dev/null; echo "docs/movie_video.png"
ctl tap 690 445                    # the list
ctl tap 743 445                    # its second page
sleep 0.8; ctl screenshot "$top/docs/movie_list.png" >/dev/null; echo "docs/movie_list.png"

# Music: the card's songs four times over, "노래 01" playing, the list on its second page.
{
  printf '#EXTM3U\r\n'
  for i in $(seq 4); do
    for song in '음악\노래 01.mp3' '음악\노래 02.mp3' '음악\바다 소리.mp3' 'Music\Track 2.mp3' 'Music\Track 10.mp3'; do
      printf '#EXTINF:0,\r\n\\STORAGE CARD\\%s\r\n' "$song"
    done
  done
} | iconv -f UTF-8 -t CP949 >"$root/fs/NAND/MUSICLIST.M3U"
ctl start '\NAND\MUSIC.EXE' >/dev/null
ctl wait-window APP_MUSIC 5000 >/dev/null
sleep 1
ctl tap 30 445                     # play the first song
sleep 0.5
ctl tap 746 445                    # the list's second page
sleep 2; ctl screenshot "$top/docs/music.png" >/dev/null; echo "docs/music.png"
ctl close APP_MUSIC >/dev/null || true

# SatScope: COM1 on a gpssim pty, connected by its settings file; a fix after a few cycles, and
# 4 s after a reset.
mkfifo "$root/gpssim.in"
"$build/tools/gpssim/gpssim" --baud 9600 --rate 1 --seed 3 --fix-after 2 --3d-after 1 --ttff 4 <"$root/gpssim.in" \
  >"$root/gpssim.out" 2>/dev/null &
gpssim_pid=$!
exec 9>"$root/gpssim.in"
for _ in $(seq 50); do [ -s "$root/gpssim.out" ] && break; sleep 0.1; done
printf '\nCOM1 = %s\n' "$(head -n 1 "$root/gpssim.out")" >>"$root/device.conf"
printf '[VORL_GPS_VIEWERS_PARAMETERS]\r\nSTATUS=VALIDATED\r\nCOMPORT=COM1:\r\nBAUDRATE=9600\r\nAUTOCONNECT=1\r\n' \
  >"$root/fs/NAND/UIConfig.ini"
ctl start '\NAND\SATSCOPE.EXE' >/dev/null
ctl wait-window '[VORL] SATSCOPE_PLUS_v1.00' 5000 >/dev/null
sleep 7
ctl click '[VORL] SATSCOPE_PLUS_v1.00' 1037 >/dev/null   # start the log
sleep 1.5; ctl screenshot "$top/docs/satscope.png" >/dev/null; echo "docs/satscope.png"
ctl close '[VORL] SATSCOPE_PLUS_v1.00' >/dev/null
sleep 1

# Developer mode: a hot reset brings the receiver's version, DGPS_ON its answer.
developer='HID=KTQW_RZN\r\nHPWD=KTQW817\r\n'
printf "[VORL_GPS_VIEWERS_PARAMETERS]\r\nSTATUS=VALIDATED\r\nCOMPORT=COM1:\r\nBAUDRATE=9600\r\nAUTOCONNECT=1\r\n$developer" \
  >"$root/fs/NAND/UIConfig.ini"
ctl start '\NAND\SATSCOPE.EXE' >/dev/null
ctl wait-window '[VORL] SATSCOPE_PLUS_v1.00' 5000 >/dev/null
sleep 2
ctl click '[VORL] SATSCOPE_PLUS_v1.00' 1026 >/dev/null   # HOT_RST
sleep 6
ctl click '[VORL] SATSCOPE_PLUS_v1.00' 1032 >/dev/null   # DGPS_ON
sleep 1; ctl screenshot "$top/docs/satscope_bars.png" >/dev/null; echo "docs/satscope_bars.png"
ctl close '[VORL] SATSCOPE_PLUS_v1.00' >/dev/null
sleep 1

telecast_shots
routekit_shots
extview_shots

ctl shutdown >/dev/null
wait "$server_pid" 2>/dev/null || true

# The same device on a 320 x 240 screen: SatScope takes the screen's size and is compact.
printf 'screen_width = 320\nscreen_height = 240\n' >>"$root/device.conf"
"$build/server/server" --root "$root" >/dev/null 2>&1 &
server_pid=$!
for _ in $(seq 100); do ctl ps >/dev/null 2>&1 && break; sleep 0.1; done
ctl start '\NAND\SATSCOPE.EXE' >/dev/null
ctl wait-window '[VORL] MINI SatScope_v1.00 ' 5000 >/dev/null
sleep 2
ctl click '[VORL] MINI SatScope_v1.00 ' 1039 >/dev/null  # u-blox
ctl click '[VORL] MINI SatScope_v1.00 ' 1032 >/dev/null  # M_P
sleep 1; ctl screenshot "$top/docs/satscope_compact.png" >/dev/null; echo "docs/satscope_compact.png"
ctl shutdown >/dev/null
wait "$server_pid" 2>/dev/null || true
server_pid=

# The device scan box: HomeDeck booted with the storage card out looks for it.
ctl card out >/dev/null
cp "$top/resources/device/device.conf" "$root/device.conf"
printf 'board_status = 0\naudio = fake\n' >>"$root/device.conf"
"$build/server/server" --root "$root" --boot '\NAND\HOMEDECK.EXE' >/dev/null 2>&1 &
server_pid=$!
for _ in $(seq 100); do ctl wait-window APP_HOMEDECK 100 >/dev/null 2>&1 && break; sleep 0.1; done
sleep 3.5; ctl screenshot "$top/docs/scanbox.png" >/dev/null; echo "docs/scanbox.png"
ctl shutdown >/dev/null
wait "$server_pid" 2>/dev/null || true
server_pid=
