#!/usr/bin/env bash
# Makes the demo storage card's media once, with gst-launch-1.0, into BUILD_DIR/demo_card, and
# copies it into a device root's card folder without touching what is already there: music and
# movie folders, some with Korean names, so the players and FileShelf have something to show.
# Usage: scripts/demo_card.sh BUILD_DIR DEVICE_ROOT
set -euo pipefail
build=$1
root=$2
card="$build/demo_card"

# Each clip: its path on the card and the pipeline that writes it (the location comes last).
clips=(
  "음악/노래 01.mp3|audiotestsrc wave=sine freq=440 num-buffers=430 ! audioconvert ! lamemp3enc ! id3v2mux ! filesink"
  "음악/노래 02.mp3|audiotestsrc wave=sine freq=523 num-buffers=430 ! audioconvert ! lamemp3enc ! id3v2mux ! filesink"
  "음악/바다 소리.mp3|audiotestsrc wave=pink-noise volume=0.3 num-buffers=430 ! audioconvert ! lamemp3enc ! filesink"
  "Music/Track 2.mp3|audiotestsrc wave=triangle freq=330 num-buffers=430 ! audioconvert ! lamemp3enc ! filesink"
  "Music/Track 10.mp3|audiotestsrc wave=triangle freq=392 num-buffers=430 ! audioconvert ! lamemp3enc ! filesink"
  "Music/Road Mix.wma|audiotestsrc wave=sine freq=660 num-buffers=430 ! audioconvert ! avenc_wmav2 ! asfmux ! filesink"
  "Movie/시험 화면.mp4|audiotestsrc num-buffers=430 ! audioconvert ! avenc_aac ! m. videotestsrc num-buffers=250 ! video/x-raw,width=640,height=360,framerate=25/1 ! x264enc speed-preset=ultrafast ! mp4mux name=m ! filesink"
  "Movie/Ball.avi|videotestsrc pattern=ball num-buffers=250 ! video/x-raw,width=480,height=272,framerate=25/1 ! jpegenc ! avimux ! filesink"
)

for entry in "${clips[@]}"; do
  name=${entry%%|*}
  pipeline=${entry#*|}
  target="$card/$name"
  if [ ! -s "$target" ]; then
    mkdir -p "$(dirname "$target")"
    # Written under a temporary name and renamed, so a stopped run leaves no half clip.
    if timeout 120 gst-launch-1.0 -q $pipeline location="$target.partial" >/dev/null 2>&1; then
      mv -f "$target.partial" "$target"
    else
      rm -f "$target.partial"
      echo "demo card: $name could not be made; the card goes without it" >&2
    fi
  fi
done

# The test film's subtitles, in code page 949 as such files usually come.
smi="$card/Movie/시험 화면.smi"
if [ -s "$card/Movie/시험 화면.mp4" ] && [ ! -s "$smi" ]; then
  printf '%s\r\n' '<SAMI><HEAD><TITLE>시험 화면</TITLE></HEAD><BODY>' \
    '<SYNC Start=500><P Class=KRCC>시험 화면의 자막입니다' \
    '<SYNC Start=6000><P Class=KRCC>&nbsp;' '<SYNC Start=8000><P Class=KRCC>끝' \
    '<SYNC Start=9500><P Class=KRCC>&nbsp;' '</BODY></SAMI>' | iconv -f UTF-8 -t CP949 >"$smi.partial"
  mv -f "$smi.partial" "$smi"
fi

mkdir -p "$root/fs/STORAGE CARD"
cp -rn "$card"/. "$root/fs/STORAGE CARD/"
