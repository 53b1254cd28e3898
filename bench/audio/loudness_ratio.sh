#!/usr/bin/env bash
# Times clipwave-cli converting a 10-minute video to mp3-128 with even loudness (--normalize: one measurement,
# then one gain) against the plain mp3-128 conversion, side by side in one run with start-up included, and
# prints the wall-time ratio normalized/plain (the target is 1.6 or less). Needs only ffmpeg and python3.
#
#   bench/audio/loudness_ratio.sh [BUILD_DIR] [RUNS]
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$top/build}"
runs="${2:-5}"
cli="$build/clipwave-cli"
[[ -x "$cli" ]] || { echo "build $cli first" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/normalized" "$work/plain"
echo "Making a 10-minute test video..."
ffmpeg -v error -y -f lavfi -i testsrc=duration=600:size=160x120:rate=15 \
  -f lavfi -i "sine=frequency=440:duration=600,volume=-18dB" -c:v flv -c:a libmp3lame -ar 44100 "$work/in.flv"

python3 "$top/bench/side_by_side.py" "$runs" 1.6 \
  normalized "$cli -y -q --normalize -f mp3-128 -o $work/normalized $work/in.flv" \
  plain "$cli -y -q -f mp3-128 -o $work/plain $work/in.flv"
