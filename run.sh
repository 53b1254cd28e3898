#!/usr/bin/env bash
# Installs what is missing, builds into build/ and starts Clipwave.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
scripts/setup.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
exec build/clipwave "$@"
