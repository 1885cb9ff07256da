#!/usr/bin/env bash
# compare_ffprobe.sh [BUILD_DIR] [CORPUS_DIR]: times mediaprobe against
# "ffprobe -show_format -show_streams" over the same corpus, side by side in one run.
#
# Run by hand only: it installs Debian's ffmpeg when ffprobe is missing (not part of the
# project's packages). Without CORPUS_DIR it generates a mixed corpus of 52 files (MP4, M4A,
# AVI, MPEG program stream, MP3 with ID3, VBR MP3, ADTS, Ogg Vorbis, FLAC, WAVE, JPEG, PNG,
# BMP, each in four lengths or sizes) with GStreamer into a temporary folder.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build}
corpus=${2:-}
probe=$build/tools/mediaprobe/mediaprobe

if [ "${CI:-}" = "true" ]; then
  echo "compare_ffprobe.sh is run by hand, not in CI" >&2
  exit 1
fi
[ -x "$probe" ] || { echo "build mediaprobe first: $probe" >&2; exit 1; }
if ! command -v ffprobe >/dev/null; then
  echo "installing ffmpeg for the comparison"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends ffmpeg >/dev/null
fi

if [ -z "$corpus" ]; then
  corpus=$(mktemp -d)
  trap 'rm -rf "$corpus"' EXIT
  echo "generating the corpus in $corpus"
  tags="taginject 'tags=\"title=\\\"Probe Title\\\",artist=\\\"Probe Artist\\\",album=\\\"Probe Album\\\",track-number=(uint)7\"'"
  for n in 1 2 3 4; do
    frames=$((n * 50)); blocks=$((n * 86)); side=$((n * 80 + 80))
    video="videotestsrc num-buffers=$frames ! video/x-raw,width=320,height=240,framerate=25/1,format=I420"
    audio="audiotestsrc num-buffers=$blocks ! audio/x-raw,rate=44100,channels=2"
    gen() { local out=$1; shift; eval "timeout 300 gst-launch-1.0 -q $*" >/dev/null 2>&1 || echo "  could not make $out"; }
    gen h264_$n.mp4 "$video ! openh264enc ! h264parse ! mp4mux name=m ! filesink location=$corpus/h264_$n.mp4 $audio ! voaacenc ! aacparse ! m."
    gen aac_$n.m4a "$audio ! voaacenc ! aacparse ! mp4mux ! filesink location=$corpus/aac_$n.m4a"
    gen mpeg4_$n.avi "$video ! avenc_mpeg4 ! avimux name=m ! filesink location=$corpus/mpeg4_$n.avi $audio ! lamemp3enc ! m."
    gen mpeg2_$n.mpg "videotestsrc num-buffers=$((frames * 2)) ! video/x-raw,width=352,height=288,framerate=25/1,format=I420 ! mpeg2enc format=3 bitrate=2000 ! mpegvideoparse ! mpegpsmux name=m ! filesink location=$corpus/mpeg2_$n.mpg $audio ! avenc_mp2 ! mpegaudioparse ! m."
    gen tagged_$n.mp3 "$audio ! lamemp3enc target=bitrate bitrate=128 cbr=true ! $tags ! id3v2mux ! filesink location=$corpus/tagged_$n.mp3"
    gen vbr_$n.mp3 "$audio ! lamemp3enc target=quality quality=4 ! xingmux ! id3v2mux ! filesink location=$corpus/vbr_$n.mp3"
    gen adts_$n.aac "$audio ! voaacenc ! aacparse ! audio/mpeg,stream-format=adts ! filesink location=$corpus/adts_$n.aac"
    gen vorbis_$n.ogg "$audio ! $tags ! vorbisenc ! oggmux ! filesink location=$corpus/vorbis_$n.ogg"
    gen tagged_$n.flac "$audio,format=S16LE ! $tags ! flacenc ! filesink location=$corpus/tagged_$n.flac"
    gen pcm_$n.wav "$audio,format=S16LE ! wavenc ! filesink location=$corpus/pcm_$n.wav"
    gen picture_$n.jpg "videotestsrc num-buffers=1 ! video/x-raw,width=$side,height=$side ! jpegenc ! filesink location=$corpus/picture_$n.jpg"
    gen picture_$n.png "videotestsrc num-buffers=1 ! video/x-raw,width=$side,height=$side ! pngenc ! filesink location=$corpus/picture_$n.png"
    gen picture_$n.bmp "videotestsrc num-buffers=1 ! video/x-raw,width=$side,height=$side,format=BGR ! avenc_bmp ! filesink location=$corpus/picture_$n.bmp"
  done
fi

mapfile -t files < <(find "$corpus" -type f | sort)
echo "corpus: ${#files[@]} files, $(du -sh "$corpus" | cut -f1)"
[ "${#files[@]}" -ge 50 ] || echo "warning: fewer than 50 files"

now() { date +%s%N; }
# Warm the page cache for both, so that neither pays the first read.
cat "${files[@]}" >/dev/null

start=$(now)
for f in "${files[@]}"; do ffprobe -v error -show_format -show_streams "$f" >/dev/null || true; done
ffprobe_ns=$(( $(now) - start ))

start=$(now)
for f in "${files[@]}"; do "$probe" "$f" >/dev/null || true; done
per_file_ns=$(( $(now) - start ))

start=$(now)
"$probe" "${files[@]}" >/dev/null || true
one_run_ns=$(( $(now) - start ))

ms() { awk -v ns="$1" 'BEGIN { printf "%.1f ms", ns / 1e6 }'; }
echo "ffprobe -show_format -show_streams, a process per file: $(ms $ffprobe_ns)"
echo "mediaprobe, a process per file:                        $(ms $per_file_ns)"
echo "mediaprobe, all files in one process:                  $(ms $one_run_ns)"
awk -v a="$ffprobe_ns" -v b="$per_file_ns" -v c="$one_run_ns" \
  'BEGIN { printf "mediaprobe is %.1fx faster (a process per file), %.1fx (one process)\n", a / b, a / c }'
