#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: first under AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/), then the threaded core tests under ThreadSanitizer (build-tsan/),
# then the normal build (build/), ending with ctest's summary.
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

# ThreadSanitizer over the core libraries' tests whose code runs threads (build-tsan/): host lookups on
# their worker threads, the converter's watcher thread and the child processes, and the messages posted
# between threads. Only those test programs are built; Qt's own frames are suppressed (tests/tsan.supp).
tsan_tests=(socket_tests convert_tests platform_tests)
CLIPWAVE_BUILD_TARGETS="${tsan_tests[*]}" scripts/build.sh build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCLIPWAVE_TSAN=ON -DCLIPWAVE_WERROR=ON -DCLIPWAVE_WEBENGINE=OFF
for test in "${tsan_tests[@]}"; do
  echo "ThreadSanitizer: $test"
  TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp:halt_on_error=1:exitcode=66" \
    timeout 900 "build-tsan/tests/$test" --gtest_brief=1
done

scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPWAVE_WERROR=ON
cd build && ctest --output-on-failure -j "$jobs" --timeout 300
