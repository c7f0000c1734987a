#!/usr/bin/env bash
# Runs the batch cases of tests/golden/cases.txt and compares each report,
# message text, exit status and figure file with the digests recorded in
# tests/golden/expected.txt (text and figure digests apart, so that a
# deliberate change of one shows the other unchanged). The cases run in one
# process of BUILD_DIR/golden_check.
#
# usage: scripts/golden.sh [--record] [--keep DIR] [BUILD_DIR]
#   --record   write tests/golden/expected.txt from this build instead of comparing
#   --keep DIR keep every output in DIR (to diff against an older build's)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
options=(); build="$top/build"
while [ $# -gt 0 ]; do
  case "$1" in
    --record) options+=(--record); shift;;
    --keep) options+=(--keep "$2"); shift 2;;
    *) build="$1"; shift;;
  esac
done
[ -x "$build/golden_check" ] || { echo "golden: no golden_check in $build" >&2; exit 2; }
exec "$build/golden_check" "${options[@]}" "$top/tests/golden"
