#!/usr/bin/env bash
# Installs what is missing (Debian packages only), builds, and starts Tarvik.
# With --batch ... it runs one minimization headless (see ./run.sh --batch --help).
# With --package it builds the Debian package build/tarvik_VERSION_ARCH.deb instead.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh >&2
if [ "${1:-}" = "--package" ]; then
  cd build
  cpack -G DEB
  exit
fi
exec ./build/tarvik "$@"
