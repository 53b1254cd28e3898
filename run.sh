#!/usr/bin/env bash
# Installs what is missing, builds into build/ and starts Clipwave.
#
#   ./run.sh [arguments for clipwave]
#   ./run.sh demo      Clipwave against the site simulator on 127.0.0.1, with the simulator's example
#                      address in the address field: press Start to watch the whole job without internet.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
scripts/setup.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo

if [[ "${1:-}" != demo ]]; then
  exec build/clipwave "$@"
fi
shift

# The simulator plays the three sites on free ports of 127.0.0.1 and writes the sites file that points
# Clipwave at them. Its streams come at a pace a person can follow. It ends when its standard input
# closes: when this script closes it after Clipwave has ended, or when this script dies.
work="$(mktemp -d "${TMPDIR:-/tmp}/clipwave-demo-XXXXXX")"
sim_pid=""
sim_in=""
clipboard_pid=""
finish() {
  if [[ -n "$clipboard_pid" ]]; then kill "$clipboard_pid" 2>/dev/null || true; fi
  if [[ -n "$sim_pid" ]]; then
    if [[ -n "$sim_in" ]]; then exec {sim_in}>&-; fi
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap finish EXIT

# The example address holds ".com", as the addresses Clipwave takes from the clipboard do.
coproc SIMULATOR {
  exec python3 tests/sim/site_simulator.py --sites-file "$work/sites.ini" --log "$work/requests.log" \
    --exit-on-stdin-close --example-id demo.com --duration 600 --stream-modes slow --slow-rate 2000000
}
sim_pid=$SIMULATOR_PID
sim_in=${SIMULATOR[1]}
if ! read -r -t 180 ready <&"${SIMULATOR[0]}"; then
  echo "The site simulator did not start." >&2
  exit 1
fi
example="$(python3 -c 'import json, sys; print(json.loads(sys.argv[1])["example"])' "$ready")"
echo "Site simulator ready; its request log: $work/requests.log"

# Text on the clipboard that looks like a video page address fills the address field when Clipwave
# starts.
if [[ -n "${DISPLAY:-}" ]] && command -v xclip >/dev/null; then
  printf '%s' "$example" | xclip -quiet -selection clipboard >/dev/null 2>&1 &
  clipboard_pid=$!
  echo "Example address (on the clipboard, so it is in the address field): $example"
else
  echo "Example address (paste it into the address field): $example"
fi

status=0
CLIPWAVE_SITES_FILE="$work/sites.ini" build/clipwave "$@" || status=$?
exit "$status"
