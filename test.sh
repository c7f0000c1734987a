#!/usr/bin/env bash
# The same set-up as run.sh, then the whole test suite.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 600
