#!/usr/bin/env bash
# Installs what the build needs (Debian) and builds everything into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

# fonts: the window is laid out and measured with real text
packages=(g++ cmake make pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev libbenchmark-dev fonts-dejavu-core)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
