#!/usr/bin/env bash
# Installs what is missing, runs each fuzz target briefly, builds Tavorin with
# warnings as errors and runs the test suite: in the normal build, then in a build with the address and
# undefined-behaviour sanitizers, then the synthesizer's and the command
# runner's tests in a ThreadSanitizer build. Each stage that runs tests starts
# a private speech-dispatcher for them and stops it afterwards, and a private
# PulseAudio with a null sink as well when no audio server answers.
#
#   scripts/test.sh               a short fuzzing run, then all three, as CI runs it
#   scripts/test.sh --quick       the normal build only (build-test/)
#   scripts/test.sh --sanitize    address and undefined-behaviour sanitizers only (build-asan/)
#   scripts/test.sh --thread      ThreadSanitizer only (build-tsan/)
#   scripts/test.sh --fuzz        the fuzz targets for 15 s each (build-fuzz/, clang)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
tavorin_install_deps "${tavorin_test_packages[@]}"

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

. scripts/pulse.sh
trap tavorin_stop_pulse EXIT

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
        # The benchmarks are built here (not run), so that they keep building.
        configure build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVORIN_BENCH=ON
        cmake --build build-test -j "$jobs"
        tavorin_ensure_pulse
        ctest --test-dir build-test --output-on-failure -j2
        tavorin_stop_pulse
        ;;
    address)
        # Only the test programs (and the program they run): the benchmarks
        # are not run here.
        stage "address and undefined-behaviour sanitizers, the whole suite"
        configure build-asan -DTAVORIN_SANITIZE="address;undefined" -DCMAKE_BUILD_TYPE=Debug
        cmake --build build-asan -j "$jobs" --target tavorin_tests
        tavorin_ensure_pulse
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
            UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            ctest --test-dir build-asan --output-on-failure -j2
        tavorin_stop_pulse
        ;;
    thread)
        # The speech synthesizer's threads and the command runner's: their
        # suites only, in a build of just their two test programs. The check
        # that a thousand runs leave no thread behind would count
        # ThreadSanitizer's own thread, which starts with the first run.
        # speech-dispatcher's voices are not among them: libspeechd ends its
        # own event thread with pthread_cancel() from inside itself, which
        # ThreadSanitizer reports as a thread that ended with its checks
        # switched off, and fails the run.
        stage "ThreadSanitizer, the synthesizer's and the command runner's tests"
        configure build-tsan -DTAVORIN_SANITIZE=thread -DCMAKE_BUILD_TYPE=Debug
        cmake --build build-tsan -j "$jobs" --target platform_tests terminal_tests
        tavorin_ensure_pulse
        # ignore_noninstrumented_modules: memory that Qt, GLib and libpulse
        # touch from inside their own code (allocations, condition variables)
        # is theirs to order; the checks stay on everything our code touches.
        TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp halt_on_error=1 second_deadlock_stack=1 ignore_noninstrumented_modules=1" \
            ctest --test-dir build-tsan --output-on-failure -j2 \
            -R '^(SpeechSynthesizerTest|SpeechChannel|SpeechFault|SoundFileWriter|EspeakVoiceSource|Process|FileHandle|TQTerminal|TQTerminalBackground)\.' \
            -E 'AThousandRunsLeaveNoZombieDescriptorOrThread'
        tavorin_stop_pulse
        ;;
    fuzz)
        # Each fuzz target briefly on its committed corpus; scripts/fuzz.sh
        # with no argument runs them for ten minutes each.
        stage "fuzz targets, 15 s each"
        scripts/fuzz.sh 15
        ;;
    esac
done
