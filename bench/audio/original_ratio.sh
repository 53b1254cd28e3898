#!/usr/bin/env bash
# Times clipwave-cli turning a 60-minute AAC video into its original audio (the stream copied into an .m4a)
# against the same video to mp3-128, side by side in one run with start-up included, and prints the
# wall-time ratio original/mp3-128. The target is 0.05 or less: the original audio 20 times as fast or more.
# Needs only ffmpeg and python3.
#
#   bench/audio/original_ratio.sh [BUILD_DIR] [RUNS]
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$top/build}"
runs="${2:-3}"
cli="$build/clipwave-cli"
[[ -x "$cli" ]] || { echo "build $cli first" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/original" "$work/mp3"
echo "Making a 60-minute test video with AAC sound..."
ffmpeg -v error -y -f lavfi -i testsrc=duration=3600:size=160x120:rate=5 \
  -f lavfi -i sine=frequency=440:duration=3600 -c:v mpeg4 -c:a aac -b:a 128k "$work/in.mp4"

# -y on both, since every run after the first replaces the file the one before it wrote.
python3 "$top/bench/side_by_side.py" "$runs" 0.05 \
  original "$cli -y -q -f original -o $work/original $work/in.mp4" \
  mp3-128 "$cli -y -q -f mp3-128 -o $work/mp3 $work/in.mp4" | tee "$work/report"
ratio=$(sed -n 's/^wall-time ratio original\/mp3-128: \([0-9.]*\).*/\1/p' "$work/report")
python3 -c "import sys; r=float(sys.argv[1]); print(f'original audio {1/r:.1f}x the speed of mp3-128 (target 20x or more)')" "$ratio"
