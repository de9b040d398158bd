#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour
# sanitizers on them and on every library they call) and runs each for a set
# time on a copy of its committed corpus, two at a time. Exits non-zero when a
# target finds a crash, a leak or a broken invariant; the input that did it is
# kept in build-fuzz/artifacts/<target>/.
#
#   scripts/fuzz.sh            ten minutes per target
#   scripts/fuzz.sh 20         a short run, as CI does
#   scripts/fuzz.sh 60 fuzz_text_file fuzz_argument_quoting
#                              only these targets
#
# A reproducer runs again with: build-fuzz/fuzz/<target> <file>
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
tavorin_install_deps clang-14 libclang-rt-14-dev

seconds=${1:-600}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(fuzz_directory_marker fuzz_argument_quoting fuzz_text_file fuzz_text_encoding
        fuzz_pdf_text fuzz_zip_document fuzz_document_xml fuzz_worker_input)
fi
parallel=${FUZZ_PARALLEL:-2}
build=build-fuzz

# -O1 keeps the clang build short; a Debug configuration keeps Q_ASSERT on.
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DTAVORIN_FUZZ=ON \
    -DTAVORIN_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" >/dev/null
cmake --build "$build" --target tavorin_fuzzers -j"${FUZZ_JOBS:-2}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run_target() {
    local target=$1
    local corpus=$work/$target
    local artifacts=$build/artifacts/$target/
    mkdir -p "$corpus" "$artifacts"
    cp fuzz/corpus/"$target"/* "$corpus"/
    # A slow input is a fault too: nothing here should take seconds.
    nice "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" >"$work/$target.log" 2>&1
}

report() {
    local target=$1 status=$2
    local runs
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log" | tail -1)
    if [ "$status" -eq 0 ]; then
        printf '%-24s ok      %s runs in %s s\n' "$target" "${runs:-?}" "$seconds"
    else
        printf '%-24s FAILED  (exit %s) after %s runs\n' "$target" "$status" "${runs:-?}"
        grep -E -A25 'Invariant broken|ERROR:|runtime error' "$work/$target.log" | head -60
        ls "$build/artifacts/$target/" 2>/dev/null | sed "s|^|    reproducer: $build/artifacts/$target/|"
    fi
}

failed=0
for ((i = 0; i < ${#targets[@]}; i += parallel)); do
    batch=("${targets[@]:i:parallel}")
    pids=()
    for target in "${batch[@]}"; do
        [ -x "$build/fuzz/$target" ] || { echo "No such fuzz target: $target" >&2; exit 2; }
        run_target "$target" &
        pids+=($!)
    done
    for j in "${!batch[@]}"; do
        status=0
        wait "${pids[$j]}" || status=$?
        report "${batch[$j]}" "$status"
        [ "$status" -eq 0 ] || failed=1
    done
done
exit $failed
