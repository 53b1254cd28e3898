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

# Runs alternate between the two commands, so that load from elsewhere on the machine falls on both
# alike; the ratio is taken from the medians.
python3 - "$runs" "$driver $work/in.flv $out_driver $index" \
  "ffmpeg -y -i $work/in.flv ${fragments[$index]} $out_bare" <<'PY'
import os, statistics, subprocess, sys, time

runs, commands = int(sys.argv[1]), {"driver": sys.argv[2].split(), "bare": sys.argv[3].split()}
wall = {name: [] for name in commands}
cpu = {name: [] for name in commands}

def measure(name):
    with open(os.devnull, "wb") as null, open(os.devnull, "rb") as nothing:
        start = time.monotonic()
        child = subprocess.Popen(commands[name], stdin=nothing, stdout=null, stderr=null)
        _, status, usage = os.wait4(child.pid, 0)
        wall[name].append(time.monotonic() - start)
        cpu[name].append(usage.ru_utime + usage.ru_stime)
        child.returncode = os.waitstatus_to_exitcode(status)
        if child.returncode != 0:
            sys.exit(f"{name} failed with {child.returncode}")

for name in commands:  # one warm-up run each
    measure(name)
    wall[name].clear(); cpu[name].clear()
for i in range(runs):
    for name in (("driver", "bare") if i % 2 == 0 else ("bare", "driver")):
        measure(name)

for name in commands:
    print(f"{name:6}: wall median {statistics.median(wall[name]):.3f} s, min {min(wall[name]):.3f} s; "
          f"cpu median {statistics.median(cpu[name]):.3f} s  ({runs} runs)")
ratio = statistics.median(wall["driver"]) / statistics.median(wall["bare"])
print(f"cpu-time ratio driver/bare: {statistics.median(cpu['driver']) / statistics.median(cpu['bare']):.3f}")
print(f"wall-time ratio driver/bare: {ratio:.3f} (target 1.03 or less)")
PY

# The driver's own processor time, without the converter's (when perf is usable here).
if command -v perf >/dev/null && perf stat -i -x, -e task-clock true >/dev/null 2>&1; then
  own=$(perf stat -i -x, -e task-clock "$driver" "$work/in.flv" "$out_driver" "$index" 2>&1 >/dev/null |
    awk -F, '/task-clock/ {print $1}')
  echo "driver's own processor time, without the converter: ${own} ms"
fi
