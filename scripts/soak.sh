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
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target tavorin_soak -j"${SOAK_JOBS:-2}"

pulse_dir=""
stop_pulse() {
    if [ -n "$pulse_dir" ]; then
        local pid
        pid=$(cat "$pulse_dir/pulse/pid" 2>/dev/null || true)
        [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
        for _ in $(seq 50); do
            [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        rm -rf "$pulse_dir"
    fi
}
trap stop_pulse EXIT

if ! timeout 5 pactl info >/dev/null 2>&1; then
    pulse_dir=$(mktemp -d)
    chmod 700 "$pulse_dir"
    export XDG_RUNTIME_DIR=$pulse_dir
    unset PULSE_SERVER
    pulseaudio --daemonize=yes --exit-idle-time=-1 -n -L module-native-protocol-unix \
        -L "module-null-sink sink_name=tavorin_null norewinds=1" \
        --log-target="file:$pulse_dir/pulse.log" 2>/dev/null
    for _ in $(seq 100); do
        timeout 2 pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    timeout 2 pactl info >/dev/null 2>&1 || { echo "The audio server did not start" >&2; cat "$pulse_dir/pulse.log" >&2; exit 1; }
    echo "Started a private audio server in $pulse_dir" >&2
fi

"$build/bench/tavorin_soak" "$minutes" "${@:2}"
