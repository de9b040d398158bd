#!/usr/bin/env bash
# Speaks a 1 MB text for MINUTES (default 10) in cycles of play, pause,
# continue and stop with an export every few cycles, and prints memory,
# descriptors and threads at the start and the end, and how late words are
# marked against their audio. Not part of CI: it takes its time and asserts
# nothing beyond the speech itself working. When no audio server answers, a
# private PulseAudio with a null sink is used, as for the tests.
#
#   scripts/soak.sh [MINUTES] [--silent]   (--silent: on the silent clock, no device)
#
# SOAK_BUILD names the build folder (default build-soak).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
tavorin_install_deps

minutes=${1:-10}
build=${SOAK_BUILD:-build-soak}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVORIN_BENCH=ON >/dev/null
cmake --build "$build" --target tavorin_soak -j"${SOAK_JOBS:-2}"

. scripts/pulse.sh
trap tavorin_stop_pulse EXIT
tavorin_ensure_pulse

"$build/bench/tavorin_soak" "$minutes" "${@:2}"
