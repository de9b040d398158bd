#!/usr/bin/env bash
# Installs what building needs, builds Tavorin and makes its Debian package,
# build/tavorin_VERSION_ARCH.deb, for `sudo apt install ./build/tavorin_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
tavorin_install_deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVORIN_BUILD_TESTS=OFF >/dev/null
cmake --build build
cd build
cpack -G DEB
