#!/usr/bin/env bash
# Runs the batch cases of tests/golden/cases.txt and compares each report,
# message text, exit status and figure file with the digests recorded in
# tests/golden/expected.txt. Refactoring and speed work must leave every one
# of them byte-identical; only the operating time line is left out.
#
# usage: scripts/golden.sh [--record] [--keep DIR] [BUILD_DIR]
#   --record   write tests/golden/expected.txt from this build instead of comparing
#   --keep DIR keep every output in DIR (to diff against an older build's)
set -uo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
record=0; keep=""; build="$top/build"
while [ $# -gt 0 ]; do
  case "$1" in
    --record) record=1; shift;;
    --keep) keep="$2"; shift 2;;
    *) build="$1"; shift;;
  esac
done
program="$build/tarvik"
[ -x "$program" ] || { echo "golden: no program at $program" >&2; exit 2; }
work="${keep:-$(mktemp -d)}"
mkdir -p "$work"
[ -n "$keep" ] || trap 'rm -rf "$work"' EXIT

run_case() {  # name, arguments
  local name="$1" args="$2" stem="$work/$1"
  args="${args//@/$stem}"
  eval "set -- $args"
  local t0=$SECONDS
  timeout 300 "$program" --batch "$@" >"$stem.out" 2>"$stem.err" </dev/null
  local rc=$?
  echo "$((SECONDS - t0)) $name" >> "$work/seconds.txt"
  # Text and figure apart, so that a deliberate change of one shows the other unchanged.
  local text figure
  text=$( { echo "exit $rc"; grep -v '^Operating time of problem' "$stem.out" | sed "s|$work/||g"; echo "--stderr";
            sed "s|$work/||g" "$stem.err"; } | sha256sum | cut -c1-16)
  figure=$(for f in "$stem".bmp "$stem".gif "$stem".jpeg "$stem".png; do [ -f "$f" ] && { echo "--${f##*.}"; cat "$f"; }; done |
           sha256sum | cut -c1-16)
  echo "$name text $text figure $figure"
}
export -f run_case
export program work

grep -v '^#' "$top/tests/golden/cases.txt" | grep -v '^$' |
  while IFS='|' read -r name args; do printf '%s\0%s\0' "$name" "$args"; done |
  xargs -0 -n2 -P"$(nproc)" bash -c 'run_case "$0" "$1"' | sort > "$work/actual.txt"

if [ "$record" = 1 ]; then
  cp "$work/actual.txt" "$top/tests/golden/expected.txt"
  echo "golden: recorded $(wc -l < "$work/actual.txt") cases"
  exit 0
fi
if diff -u "$top/tests/golden/expected.txt" "$work/actual.txt" > "$work/diff.txt"; then
  echo "golden: $(wc -l < "$work/actual.txt") cases identical"
  exit 0
fi
echo "golden: these cases differ from the recorded digests:"
grep "^[-+][^-+]" "$work/diff.txt" | head -40
exit 1
