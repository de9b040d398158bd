#!/usr/bin/env bash
# Installs what is missing, builds Tavorin with warnings as errors and runs the
# whole test suite. When no audio server answers, a private PulseAudio with a
# null sink is started for the tests and stopped afterwards.
#
#   scripts/test.sh               the normal build (build-test/)
#   scripts/test.sh --sanitize    address and undefined-behaviour sanitizers (build-asan/)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
tavorin_install_deps

build=build-test
extra=()
if [ "${1:-}" = "--sanitize" ]; then
    build=build-asan
    extra=(-DTAVORIN_SANITIZE="address;undefined" -DCMAKE_BUILD_TYPE=Debug)
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
fi

cmake -S . -B "$build" -G Ninja -DTAVORIN_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo "${extra[@]}" >/dev/null
cmake --build "$build"

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
    timeout 2 pactl info >/dev/null 2>&1 || { echo "The test audio server did not start" >&2; cat "$pulse_dir/pulse.log" >&2; exit 1; }
    echo "Started a private audio server in $pulse_dir" >&2
fi

ctest --test-dir "$build" --output-on-failure -j2
