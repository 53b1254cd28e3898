#!/usr/bin/env bash
# Times the headless driver build/bench/convert against the bare ffmpeg command with the same
# arguments on a 10-minute generated video, in one run, and prints the wall-time ratio
# (driver / bare; the target is 1.03 or less). Needs only ffmpeg and python3.
#
#   bench/convert/ratio.sh [BUILD_DIR] [FORMAT_INDEX] [RUNS]
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$top/build}"
index="${2:-1}"
runs="${3:-5}"
driver="$build/bench/convert"
[[ -x "$driver" ]] || { echo "build $driver first" >&2; exit 2; }

# The driver's fragments with the bit rate as the converter reads it, which is what the driver passes.
fragments=("-ar 44100 -ab 256k -ac 2" "-ar 44100 -ab 128k -ac 2" "-ar 44100 -ab 64k -ac 1"
  "-ar 44100 -ab 128k -ac 2" "-ar 44100 -ab 128k -ac 2 -vn -acodec wmav2")
exts=(.mp3 .mp3 .mp3 .wav .wma)

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
echo "Making a 10-minute test video..."
ffmpeg -v error -y -f lavfi -i testsrc=duration=600:size=160x120:rate=15 \
  -f lavfi -i sine=frequency=440:duration=600 -c:v flv -c:a libmp3lame -ar 44100 "$work/in.flv"

out_driver="$work/driver${exts[$index]}"
out_bare="$work/bare${exts[$index]}"
"$driver" "$work/in.flv" "$out_driver" "$index"  # prints the records' count and the end status

python3 "$(dirname "${BASH_SOURCE[0]}")/../side_by_side.py" "$runs" 1.03 \
  driver "$driver $work/in.flv $out_driver $index" \
  bare "ffmpeg -y -i $work/in.flv ${fragments[$index]} $out_bare"

# The driver's own processor time, without the converter's (when perf is usable here).
if command -v perf >/dev/null && perf stat -i -x, -e task-clock true >/dev/null 2>&1; then
  own=$(perf stat -i -x, -e task-clock "$driver" "$work/in.flv" "$out_driver" "$index" 2>&1 >/dev/null |
    awk -F, '/task-clock/ {print $1}')
  echo "driver's own processor time, without the converter: ${own} ms"
fi
