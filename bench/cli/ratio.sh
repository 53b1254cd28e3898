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

# Runs alternate between the two commands, so that load from elsewhere on the machine falls on both
# alike; the ratio is taken from the medians. -y on both, since every run after the first replaces the
# file the one before it wrote.
python3 - "$runs" "$cli -y -q -f $format -o $work/cli $work/in.flv" \
  "ffmpeg -y -i $work/in.flv $args $work/bare/in$ext" <<'PY'
import os, statistics, subprocess, sys, time

runs, commands = int(sys.argv[1]), {"cli": sys.argv[2].split(), "bare": sys.argv[3].split()}
wall = {name: [] for name in commands}
cpu = {name: [] for name in commands}

def measure(name):
    with open(os.devnull, "wb") as null, open(os.devnull, "rb") as nothing:
        start = time.monotonic()
        child = subprocess.Popen(commands[name], stdin=nothing, stdout=null, stderr=null)
        _, status, usage = os.wait4(child.pid, 0)  # the children's time is the converter's
        wall[name].append(time.monotonic() - start)
        cpu[name].append(usage.ru_utime + usage.ru_stime)
        if os.waitstatus_to_exitcode(status) != 0:
            sys.exit(f"{name} failed: {' '.join(commands[name])}")

for name in commands:  # one warm-up run each
    measure(name)
    wall[name].clear(); cpu[name].clear()
for i in range(runs):
    for name in (("cli", "bare") if i % 2 == 0 else ("bare", "cli")):
        measure(name)

for name in commands:
    print(f"{name:4}: wall median {statistics.median(wall[name]):.3f} s, min {min(wall[name]):.3f} s; "
          f"cpu median {statistics.median(cpu[name]):.3f} s  ({runs} runs)")
print(f"wall-time ratio of the fastest runs clipwave-cli/bare: {min(wall['cli']) / min(wall['bare']):.3f}")
ratio = statistics.median(wall["cli"]) / statistics.median(wall["bare"])
print(f"wall-time ratio clipwave-cli/bare: {ratio:.3f} (target 1.05 or less)")
PY
