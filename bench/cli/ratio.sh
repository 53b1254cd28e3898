#!/usr/bin/env bash
# Times clipwave-cli converting a 10-minute generated video against the bare ffmpeg command it runs
# (the same arguments), side by side in one run with start-up included, and prints the wall-time ratio
# (clipwave-cli / bare; the target is 1.05 or less). Needs only ffmpeg and python3.
#
#   bench/cli/ratio.sh [BUILD_DIR] [FORMAT] [RUNS]        FORMAT: mp3-256 | mp3-128 | mp3-64 | wav | wma
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$top/build}"
format="${2:-mp3-128}"
runs="${3:-5}"
cli="$build/clipwave-cli"
[[ -x "$cli" ]] || { echo "build $cli first" >&2; exit 2; }

# What clipwave-cli hands the converter for each format (the bit rate as the converter reads it).
case "$format" in
  mp3-256) args="-ar 44100 -ab 256k -ac 2"; ext=.mp3 ;;
  mp3-128) args="-ar 44100 -ab 128k -ac 2"; ext=.mp3 ;;
  mp3-64) args="-ar 44100 -ab 64k -ac 1"; ext=.mp3 ;;
  wav) args="-ar 44100 -ab 128k -ac 2"; ext=.wav ;;
  wma) args="-ar 44100 -ab 128k -ac 2 -vn -acodec wmav2"; ext=.wma ;;
  *) echo "unknown format $format" >&2; exit 2 ;;
esac

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/cli" "$work/bare"
echo "Making a 10-minute test video..."
ffmpeg -v error -y -f lavfi -i testsrc=duration=600:size=160x120:rate=15 \
  -f lavfi -i sine=frequency=440:duration=600 -c:v flv -c:a libmp3lame -ar 44100 "$work/in.flv"

# -y on both, since every run after the first replaces the file the one before it wrote.
python3 "$(dirname "${BASH_SOURCE[0]}")/../side_by_side.py" "$runs" 1.05 \
  clipwave-cli "$cli -y -q -f $format -o $work/cli $work/in.flv" \
  bare "ffmpeg -y -i $work/in.flv $args $work/bare/in$ext"
