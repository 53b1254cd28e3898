#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: first under AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/), then the normal build (build/), ending with ctest's summary.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
scripts/setup.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DCLIPWAVE_SANITIZE=ON -DCLIPWAVE_WERROR=ON
(cd build-asan && ctest --output-on-failure -j "$jobs" --timeout 300)

scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPWAVE_WERROR=ON
cd build && ctest --output-on-failure -j "$jobs" --timeout 300
