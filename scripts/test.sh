#!/usr/bin/env bash
# Installs what is missing, runs each fuzz target briefly, builds Tavorin with
# warnings as errors and runs the test suite: in the normal build, then in a build with the address and
# undefined-behaviour sanitizers, then the synthesizer's and the command
# runner's tests in a ThreadSanitizer build. When no audio server answers, a
# private PulseAudio with a null sink is started for the tests and stopped
# afterwards.
#
#   scripts/test.sh               a short fuzzing run, then all three, as CI runs it
#   scripts/test.sh --quick       the normal build only (build-test/)
#   scripts/test.sh --sanitize    address and undefined-behaviour sanitizers only (build-asan/)
#   scripts/test.sh --thread      ThreadSanitizer only (build-tsan/)
#   scripts/test.sh --fuzz        the fuzz targets for 15 s each (build-fuzz/, clang)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
tavorin_install_deps

case "${1:-}" in
    "") stages=(fuzz normal address thread) ;;
    --quick) stages=(normal) ;;
    --sanitize) stages=(address) ;;
    --thread) stages=(thread) ;;
    --fuzz) stages=(fuzz) ;;
    *) echo "usage: scripts/test.sh [--quick|--sanitize|--thread|--fuzz]" >&2; exit 2 ;;
esac

# The builds share two cores with the test runs of the others; more jobs only
# make them slower.
jobs=2

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

ensure_pulse() {
    timeout 5 pactl info >/dev/null 2>&1 && return 0
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
}

# configure DIR [CMAKE ARGUMENTS...]
configure() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DTAVORIN_WERROR=ON "$@" >/dev/null
}

stage() {
    echo "== $1 ($(date +%T))" >&2
}

for current in "${stages[@]}"; do
    case $current in
    normal)
        stage "normal build and the whole suite"
        configure build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo
        cmake --build build-test -j "$jobs"
        ensure_pulse
        ctest --test-dir build-test --output-on-failure -j2
        ;;
    address)
        # Only the test programs (and the program they run): the benchmarks
        # are not run here.
        stage "address and undefined-behaviour sanitizers, the whole suite"
        configure build-asan -DTAVORIN_SANITIZE="address;undefined" -DCMAKE_BUILD_TYPE=Debug
        cmake --build build-asan -j "$jobs" --target tavorin_tests
        ensure_pulse
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
            UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
            ctest --test-dir build-asan --output-on-failure -j2
        ;;
    thread)
        # The speech synthesizer's threads and the command runner's: their
        # suites only, in a build of just their two test programs. The check
        # that a thousand runs leave no thread behind would count
        # ThreadSanitizer's own thread, which starts with the first run.
        stage "ThreadSanitizer, the synthesizer's and the command runner's tests"
        configure build-tsan -DTAVORIN_SANITIZE=thread -DCMAKE_BUILD_TYPE=Debug
        cmake --build build-tsan -j "$jobs" --target platform_tests terminal_tests
        ensure_pulse
        TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp halt_on_error=1 second_deadlock_stack=1" \
            ctest --test-dir build-tsan --output-on-failure -j2 \
            -R '^(SpeechSynthesizerTest|SpeechFault|AiffWriter|EspeakVoiceSource|Process|FileHandle|TQTerminal|TQTerminalBackground|Utf8StreamDecoder)\.' \
            -E 'AThousandRunsLeaveNoZombieDescriptorOrThread'
        ;;
    fuzz)
        # Each fuzz target briefly on its committed corpus; scripts/fuzz.sh
        # with no argument runs them for ten minutes each.
        stage "fuzz targets, 15 s each"
        scripts/fuzz.sh 15
        ;;
    esac
done
