#!/usr/bin/env bash
# Builds the extraction fuzz target with clang and runs it for a bounded time:
#   tests/download/fuzz/run_fuzz.sh [SECONDS]   (default 600)
# It starts from the saved inputs; new interesting inputs go to a work corpus in the build folder. A
# crash, leak or time-out is saved under tests/download/fuzz/extraction/, where the ordinary test build
# replays it as a regression test; the script then fails.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
top="$(cd "$here/../../.." && pwd)"
seconds="${1:-600}"
build="${CLIPWAVE_FUZZ_BUILD:-$top/build-extract-fuzz}"

cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPWAVE_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" --target extraction_fuzz -- -j2

work="$build/fuzz/extraction_corpus"
mkdir -p "$work"
"$build/fuzz/extraction_fuzz" "$work" "$here/extraction" -dict="$here/extraction.dict" \
  -max_total_time="$seconds" -max_len=16384 -rss_limit_mb=1024 -timeout=10 \
  -artifact_prefix="$here/extraction/crash-" -print_final_stats=1
