#!/usr/bin/env bash
# Installs what is missing (Debian packages only), builds, and starts Tarvik.
# With --batch ... it runs one minimization headless (see ./run.sh --batch --help).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh >&2
exec ./build/tarvik "$@"
