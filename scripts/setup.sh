#!/usr/bin/env bash
# Installs what the build needs (Debian) and builds everything into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

# fonts: the window is laid out and measured with real text; xvfb, xauth,
# dbus-daemon, gdbus and at-spi2-core: the window read over AT-SPI as a
# screen reader reads it (console_atspi)
packages=(g++ cmake make pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
          nlohmann-json3-dev fonts-dejavu-core xvfb xauth dbus-daemon libglib2.0-bin at-spi2-core)
source scripts/lib.sh
need_packages "${packages[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
