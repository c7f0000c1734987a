#!/usr/bin/env bash
# Builds the test suite with AddressSanitizer and UndefinedBehaviorSanitizer
# in build-sanitize/ and runs it; the first report ends the run (no
# recovery). With --golden the recorded batch cases run on that build too.
#
# usage: scripts/sanitize.sh [--golden]
set -euo pipefail
cd "$(dirname "$0")/.."
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
# The window tests show the function pictures of the generated Media folder.
targets=(engine_tests figure_tests window_tests media)
[ "${1:-}" = --golden ] && targets+=(golden_check)
ninja -C build-sanitize "${targets[@]}"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen
status=0
for suite in engine_tests figure_tests window_tests; do
  echo "== $suite"
  (cd build-sanitize && "./$suite" --gtest_brief=1) || status=1
done
if [ "${1:-}" = --golden ]; then
  scripts/golden.sh build-sanitize || status=1
fi
[ $status = 0 ] && echo "sanitize: every suite passed"
exit $status
