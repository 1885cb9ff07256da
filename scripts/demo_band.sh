#!/usr/bin/env bash
# Makes the demo T-DMB band that every new device root carries, into OUT_DIR:
#   tdmb/band.txt          the ensemble file (resources/device/tdmb_ensemble.md gives its format)
#   tdmb/*.ts              the services' media, MPEG transport streams from GStreamer test sources
#   tdmb/*.jpg             the radio services' slides
#   fs/NAND/initDAB.jpg    the picture a radio service shows before it has a slide
# Each clip is made once with gst-launch-1.0 and skipped when already there; one that cannot be
# made is reported and the band goes without it (band.txt then leaves its line out). band.txt
# is written on every run, so a change to it here reaches the template. Delete OUT_DIR/tdmb to
# remake the clips after changing a pipeline.
# Usage: scripts/demo_band.sh OUT_DIR
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 OUT_DIR" >&2
  exit 2
fi
out=$1
band="$out/tdmb"
mkdir -p "$band" "$out/fs/NAND"

# Every clip lasts 24 s (the receiver loops it: it plays "wall clock modulo length").
# TV: 320x240 H.264 (constrained baseline, as T-DMB carries it) at 15 fps with a key frame every
# 7th frame, so a picture starts within half a second of tuning or looping; AAC at 48 kHz.
# A ball of one colour wanders over the whole picture on a background of another, so two
# samples of a picture differ, and the background tells the four services apart.
tv_video="num-buffers=360 ! video/x-raw,format=I420,width=320,height=240,framerate=15/1 ! x264enc speed-preset=veryfast tune=zerolatency key-int-max=7 bitrate=192 ! video/x-h264,profile=baseline ! h264parse config-interval=-1 ! queue ! mux."
tv_audio="volume=0.3 samplesperbuffer=1152 num-buffers=1000 ! audio/x-raw,rate=48000,channels=2 ! audioconvert ! avenc_aac bitrate=64000 ! aacparse ! queue ! mux."
# Radio: MPEG-1 layer II at 48 kHz, a tone of its own per service.
radio_audio="volume=0.3 samplesperbuffer=1152 num-buffers=1000 ! audio/x-raw,rate=48000,channels=2 ! audioconvert ! avenc_mp2 bitrate=96000 ! mpegaudioparse ! mpegtsmux ! filesink"
# Pictures: one 320x240 frame as JPEG.
picture="num-buffers=1 ! video/x-raw,width=320,height=240 ! jpegenc ! filesink"

ball() {  # ball BACKGROUND FOREGROUND: the moving-ball picture in big-endian ARGB colours
  echo "videotestsrc pattern=ball motion=wavy background-color=$1 foreground-color=$2 $tv_video"
}

# Each clip: its path under OUT_DIR and the pipeline that writes it (the location comes last).
clips=(
  "tdmb/hanbit_tv.ts|$(ball 0xFFC81E1E 0xFFFFFFFF) audiotestsrc wave=sine freq=330 $tv_audio mpegtsmux name=mux ! filesink"
  "tdmb/riverside_tv.ts|$(ball 0xFF1EA03C 0xFFFFE000) audiotestsrc wave=sine freq=392 $tv_audio mpegtsmux name=mux ! filesink"
  "tdmb/purun_tv.ts|$(ball 0xFF1E3CC8 0xFFFF8C00) audiotestsrc wave=sine freq=494 $tv_audio mpegtsmux name=mux ! filesink"
  "tdmb/metro_movie.ts|$(ball 0xFFE6C81E 0xFF202060) audiotestsrc wave=triangle freq=587 $tv_audio mpegtsmux name=mux ! filesink"
  "tdmb/hanbit_radio.ts|audiotestsrc wave=sine freq=440 $radio_audio"
  "tdmb/classic_fm.ts|audiotestsrc wave=triangle freq=523 $radio_audio"
  "tdmb/bada_fm.ts|audiotestsrc wave=saw freq=262 $radio_audio"
  "tdmb/hanbit_radio_1.jpg|videotestsrc pattern=smpte $picture"
  "tdmb/hanbit_radio_2.jpg|videotestsrc pattern=pinwheel background-color=0xFF802020 foreground-color=0xFFFFD040 $picture"
  "tdmb/hanbit_radio_3.jpg|videotestsrc pattern=checkers-8 $picture"
  "tdmb/classic_fm_1.jpg|videotestsrc pattern=spokes background-color=0xFF102050 foreground-color=0xFFE0E0FF $picture"
  "tdmb/classic_fm_2.jpg|videotestsrc pattern=circular $picture"
  "tdmb/bada_fm_1.jpg|videotestsrc pattern=gradient background-color=0xFF003050 foreground-color=0xFF40C0E0 $picture"
  "tdmb/bada_fm_2.jpg|videotestsrc pattern=colors $picture"
  "tdmb/bada_fm_3.jpg|videotestsrc pattern=zone-plate kx2=20 ky2=20 $picture"
  "fs/NAND/initDAB.jpg|videotestsrc pattern=gradient background-color=0xFF101830 foreground-color=0xFF3060A0 $picture"
)

make_clip() {  # make_clip PATH PIPELINE
  local -
  set -f  # the pipeline is split into words, never globbed
  local target="$out/$1"
  local pipeline=$2
  if [ -s "$target" ]; then return; fi
  # Written under a temporary name and renamed, so a stopped run leaves no half clip.
  # shellcheck disable=SC2086  # the pipeline's words are gst-launch's arguments
  if timeout 120 gst-launch-1.0 -q $pipeline location="$target.partial" >/dev/null 2>&1 && [ -s "$target.partial" ]; then
    mv -f "$target.partial" "$target"
  else
    rm -f "$target.partial"
    echo "demo band: $1 could not be made; the band goes without it" >&2
  fi
}

for entry in "${clips[@]}"; do
  make_clip "${entry%%|*}" "${entry#*|}"
done

# "key = FILE" for a file beside band.txt that was made; a comment in its place otherwise, so the
# band never names a file that is not there.
ref() {  # ref KEY FILE
  if [ -s "$band/$2" ]; then
    echo "$1 = $2"
  else
    echo "# $1 = $2 (could not be made)"
  fi
}

{
cat <<'EOF'
# The demo band of the simulated T-DMB receiver: three ensembles on blocks 7A, 8A and 12A of
# the built-in Korean plan, carrying 4 TV, 3 radio and 1 data service. Made by
# scripts/demo_band.sh; every media and slide file lies in the folder of this file.
# Format: resources/device/tdmb_ensemble.md.

# A quick scan: 300 ms per frequency step instead of the default 500.
dwell_ms = 300
lock_ms = 150

# Block 7A: a strong ensemble with a TV, a radio and the data service.
[ensemble]
frequency = 175280
id = 0x7A01
label = 데모 서울 7A
signal = 100
errors = 0

# Picture: a white ball on red. Audio coding: BSAC (the default in region 82).
[service]
name = 한빛 TV
id = 0x1001
subchannel = 0
type = tv
EOF
ref media hanbit_tv.ts
cat <<'EOF'

[service]
name = 한빛 라디오
id = 0x1011
subchannel = 8
type = radio
EOF
ref media hanbit_radio.ts
ref slide hanbit_radio_1.jpg
ref slide hanbit_radio_2.jpg
ref slide hanbit_radio_3.jpg
cat <<'EOF'
slide_seconds = 4
dynamic_label = 한빛 라디오와 함께하는 아침
dynamic_label = Now playing: A440 test tone
dynamic_label = 교통 정보는 매시 정각에
dynamic_label_seconds = 3

# A data service: found by a scan, never played.
[service]
name = TPEG 교통정보
id = 0x1021
subchannel = 20
type = data

# Block 8A: good reception with a few errors.
[ensemble]
frequency = 181280
id = 0x8A01
label = Demo Metro 8A
signal = 85
errors = 300

# Picture: a yellow ball on green.
[service]
name = Riverside TV
id = 0x2001
subchannel = 1
type = tv
EOF
ref media riverside_tv.ts
cat <<'EOF'

# Picture: an orange ball on blue. The name is ten Hangul syllables, 20 bytes in code page
# 949: in region 82 it fills the scan entry's name with no terminating zero.
[service]
name = 푸른하늘어린이방송국
id = 0x2002
subchannel = 2
type = tv
EOF
ref media purun_tv.ts
cat <<'EOF'

# Picture: a dark blue ball on yellow. Its audio is HE-AAC, not what a scan assumes in region
# 82, so tuning it brings an audio change.
[service]
name = Metro Movie
id = 0x2003
subchannel = 3
type = tv
audio = he-aac
EOF
ref media metro_movie.ts
cat <<'EOF'

[service]
name = Classic FM 음악
id = 0x2011
subchannel = 9
type = radio
EOF
ref media classic_fm.ts
ref slide classic_fm_1.jpg
ref slide classic_fm_2.jpg
cat <<'EOF'
slide_seconds = 4
dynamic_label = 지금은 클래식 FM
dynamic_label = Now: C5 triangle wave, 523 Hz
dynamic_label_seconds = 3

# Block 12A: weaker, with errors, but still a picture (errors stay at or below 10000).
[ensemble]
frequency = 205280
id = 0xC201
label = 데모 부산 12A
signal = 60
errors = 2000

[service]
name = 바다 FM
id = 0x3011
subchannel = 10
type = radio
EOF
ref media bada_fm.ts
ref slide bada_fm_1.jpg
ref slide bada_fm_2.jpg
ref slide bada_fm_3.jpg
cat <<'EOF'
slide_seconds = 4
dynamic_label = 바다 FM, 부산의 아침
dynamic_label = Sea FM: sawtooth at 262 Hz
dynamic_label = 오늘의 날씨: 맑음
dynamic_label_seconds = 3
EOF
} >"$band/band.txt.partial"
mv -f "$band/band.txt.partial" "$band/band.txt"
