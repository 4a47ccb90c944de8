#!/usr/bin/env bash
# Installs what the build needs (Debian) and builds everything into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

# fonts: the window is laid out and measured with real text
packages=(g++ cmake make pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev fonts-dejavu-core)
source scripts/lib.sh
need_packages "${packages[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
