#!/usr/bin/env bash
# Configures and builds one build folder: scripts/build.sh DIR [cmake options...]
# With ccache installed, compilations go through it: the sanitizer and the normal build, and work trees
# of the same repository beside each other, then share what did not change. CLIPWAVE_BUILD_TARGETS (names
# separated by blanks) builds only those targets and what they need.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="$1"
shift
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="$top" CCACHE_NOHASHDIR=true
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
targets=()
for target in ${CLIPWAVE_BUILD_TARGETS:-}; do targets+=(--target "$target"); done
cmake -S "$top" -B "$top/$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
cmake --build "$top/$dir" "${targets[@]}"
