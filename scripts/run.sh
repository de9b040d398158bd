#!/usr/bin/env bash
# Installs what is missing, builds Tavorin and starts it. Arguments are passed
# to the program (for example files to open).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
tavorin_install_deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVORIN_BUILD_TESTS=OFF >/dev/null
cmake --build build --target tavorin
exec build/app/tavorin "$@"
