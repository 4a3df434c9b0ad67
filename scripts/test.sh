#!/usr/bin/env bash
# Installs what is missing, builds Velmora with its tests and benchmarks, and
# runs every test: first the normal build, then every fuzz target built with
# clang and run briefly on its corpus, then the same suite built with
# AddressSanitizer and UndefinedBehaviorSanitizer (build-asan).
set -euo pipefail
cd "$(dirname "$0")/.."

started=$SECONDS
stage_started=$SECONDS
timings=()
stage_done() {
    timings+=("$(printf '%-24s %5d s' "$1" $((SECONDS - stage_started)))")
    stage_started=$SECONDS
}
report() {
    echo "test.sh: stage times"
    printf '  %s\n' "${timings[@]}"
    echo "test.sh: all in $((SECONDS - started)) s"
}
trap report EXIT

scripts/install-deps.sh --test
stage_done "packages"
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BUILD_TESTS=ON -DVELMORA_BUILD_BENCH=ON
cmake --build build-test -j"$(nproc)"
stage_done "normal build"
ctest --test-dir build-test --output-on-failure -j"$(nproc)"
stage_done "normal tests"
# Every fuzz target, built from the project's libraries, on its committed
# corpus and then on new inputs; a crash fails the run and names its input.
scripts/fuzz.sh "${VELMORA_FUZZ_SECONDS:-15}"
stage_done "fuzzing"

# The generators run during this build are instrumented too, so the build
# itself runs with the test options.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_SANITIZE=ON \
    -DVELMORA_BUILD_TESTS=ON -DVELMORA_BUILD_BENCH=OFF
cmake --build build-asan -j"$(nproc)"
stage_done "sanitizer build"
ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
stage_done "sanitizer tests"
