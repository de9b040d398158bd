#!/usr/bin/env bash
# Speaks a 1 MB text for MINUTES (default 10) in cycles of play, pause,
# continue and stop with an export every few cycles, and prints memory,
# descriptors and threads at the start and the end, and how late words are
# marked against their audio; then measures each word's mark against the
# moment its audio left the output, on a recording of the output's monitor
# (bench/MarkTiming.cpp). Not part of CI: it takes its time and asserts
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
cmake --build "$build" --target tavorin_soak tavorin_mark_timing -j"${SOAK_JOBS:-2}"

. scripts/pulse.sh
trap tavorin_stop_pulse EXIT
tavorin_ensure_pulse

"$build/bench/tavorin_soak" "$minutes" "${@:2}"
[ "${2:-}" = --silent ] && exit 0
echo "Word marks against the audio leaving the output (3 plays with pauses, then one long play):"
monitor="$(pactl get-default-sink).monitor"
"$build/bench/tavorin_mark_timing" "$monitor" 3 1 2>/dev/null
"$build/bench/tavorin_mark_timing" "$monitor" 1 6 2>/dev/null | tail -1
