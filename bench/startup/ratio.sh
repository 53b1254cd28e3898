#!/usr/bin/env bash
# Start-up of the installed program against a Qt Widgets hello-world, side by side under one Xvfb: the time
# until the main window is visible and the resident memory 2 s after the start, medians of RUNS alternating
# starts (21 by default: single starts on a shared machine vary by a third), and both ratios (targets:
# 1.5x time, 1.3x memory).
#
#   bench/startup/ratio.sh [BUILD_DIR] [RUNS]
#
# The program is installed from BUILD_DIR (cmake --install --strip, into a temporary folder) and measured as
# installed; the hello-world is built with the same flags and stripped alike.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$top/build}"
runs="${2:-21}"
for target in bench/startup_probe bench/startup_hello clipwave; do
  [[ -x "$build/$target" ]] || { echo "build $build/$target first (cmake --build $build)" >&2; exit 2; }
done

work="$(mktemp -d)"
xvfb=""
cleanup() {
  [[ -n "$xvfb" ]] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

DESTDIR="$work/root" cmake --install "$build" --prefix /usr --strip >/dev/null
cp "$build/bench/startup_hello" "$work/hello"
strip "$work/hello"

# Xvfb writes its display's number once it takes clients.
mkfifo "$work/display"
Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp >"$work/display" 2>/dev/null &
xvfb=$!
read -r -t 30 number <"$work/display" || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$number"

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min), $(nproc) cores"
mkdir "$work/env"
"$build/bench/startup_probe" "$runs" "$work/env" "$work/root/usr/bin/clipwave" "$work/hello"
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"
