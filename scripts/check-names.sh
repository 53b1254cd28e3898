#!/usr/bin/env bash
# Checks the names in the project's own sources against the naming style of .clang-tidy
# (readability-identifier-naming), over the files of a configured build folder:
#
#   scripts/check-names.sh [BUILD_DIR]     (default: build)
#
# Prints every finding once. Exit status 0: nothing found; 1: names to mend; 2: the check could not run
# (no compilation database, or a file that does not compile).
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$top/${1:-build}"
if [[ ! -f "$build/compile_commands.json" ]]; then
  echo "check-names: no $build/compile_commands.json; configure the build first (scripts/build.sh)" >&2
  exit 2
fi
for tool in run-clang-tidy clang-tidy; do
  command -v "$tool" >/dev/null || { echo "check-names: $tool is missing (Debian package clang-tidy)" >&2; exit 2; }
done

log="$(mktemp)"
trap 'rm -f "$log"' EXIT
# Our sources only, never the files the build generates. GCC's warning options may be unknown to clang.
run-clang-tidy -p "$build" -j "$(nproc)" -quiet -extra-arg=-Wno-unknown-warning-option \
  "^$top/(app|bench|common|convert|download|net|platform|queue|resources|tags|tests|ui)/" >"$log" 2>&1 || true

plain="$(sed 's/\x1b\[[0-9;]*m//g' "$log")"
errors="$(grep -E '^[^ ]+: error: ' <<<"$plain" | sort -u || true)"
findings="$(grep -E '^[^ ]+: warning: .*\[readability-identifier-naming\]$' <<<"$plain" | sort -u || true)"
if [[ -n "$errors" ]]; then
  echo "$errors"
  echo "check-names: the files above do not compile for clang-tidy" >&2
  exit 2
fi
if [[ -n "$findings" ]]; then
  echo "$findings"
  echo "check-names: $(wc -l <<<"$findings") name(s) do not follow .clang-tidy" >&2
  exit 1
fi
echo "check-names: every name follows .clang-tidy"
