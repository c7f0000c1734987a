#!/usr/bin/env bash
# Installs the Debian packages the build needs (when missing) and builds.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ cmake ninja-build qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-charts-dev qt6-svg-dev
          libgif-dev libjpeg-dev libgtest-dev nlohmann-json3-dev fonts-liberation2 fonts-dejavu-core libgl-dev
          desktop-file-utils appstream)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "Please run as root (or install: ${missing[*]})" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Warnings are errors: a warning left for later is a fault found later.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
ninja -C build -j"$(nproc)"
