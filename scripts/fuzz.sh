#!/usr/bin/env bash
# Fuzzes each of the six parsers for SECONDS (default 60) with clang's
# libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer, starting from
# the seeds in fuzz/corpus/<target>. New inputs collect in
# build-fuzz/corpus/<target>; a failing input is written to
# build-fuzz/crashes/<target>/ (add it to fuzz/corpus/<target> once mended,
# and the engine tests replay it from then on).
#
# usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(number_files quadratic_files configuration typed_numbers batch_options formula)

if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Please run as root (or install: clang libclang-rt-dev)" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq clang libclang-rt-dev >/dev/null
fi

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DTARVIK_FUZZ=ON >/dev/null
ninja -C build-fuzz "${targets[@]/#/fuzz_}"

status=0
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t" "build-fuzz/crashes/$t"
  echo "== fuzz_$t for ${seconds} s"
  if ! "build-fuzz/fuzz_$t" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
       -artifact_prefix="build-fuzz/crashes/$t/" "build-fuzz/corpus/$t" "fuzz/corpus/$t" 2>"build-fuzz/fuzz_$t.log"; then
    status=1
    tail -40 "build-fuzz/fuzz_$t.log"
  else
    grep -E "stat::number_of_executed_units|cov:" "build-fuzz/fuzz_$t.log" | tail -2
  fi
done
exit $status
