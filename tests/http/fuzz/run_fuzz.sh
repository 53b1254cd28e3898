#!/usr/bin/env bash
# Builds the response-side fuzz target with clang and runs it for a bounded time:
#   tests/http/fuzz/run_fuzz.sh [SECONDS]   (default 600)
# It starts from the saved corpus; new interesting inputs go to a work corpus in the build folder.
# A crash, leak or time-out is saved under tests/http/fuzz/crashes/, where the ordinary test build
# replays it as a regression test; the script then fails.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
top="$(cd "$here/../../.." && pwd)"
seconds="${1:-600}"
build="$top/build-fuzz-http"

cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPWAVE_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" --target http_response_fuzz -- -j2

work="$build/fuzz/http_response_corpus"
mkdir -p "$work" "$here/crashes"
"$build/fuzz/http_response_fuzz" "$work" "$here/corpus" \
  -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=512 -timeout=10 \
  -artifact_prefix="$here/crashes/" -print_final_stats=1
