#!/usr/bin/env bash
# Installs what is missing, builds Velmora with its tests and benchmarks, and
# runs every test: first the normal build, then the same suite built with
# AddressSanitizer and UndefinedBehaviorSanitizer (build-asan).
set -euo pipefail
cd "$(dirname "$0")/.."

started=$SECONDS
scripts/install-deps.sh --test
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BUILD_TESTS=ON -DVELMORA_BUILD_BENCH=ON
cmake --build build-test -j"$(nproc)"
ctest --test-dir build-test --output-on-failure -j"$(nproc)"
echo "test.sh: normal build and tests took $((SECONDS - started)) s"

# The generators run during this build are instrumented too, so the build
# itself runs with the test options.
sanitized=$SECONDS
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_SANITIZE=ON \
    -DVELMORA_BUILD_TESTS=ON -DVELMORA_BUILD_BENCH=OFF
cmake --build build-asan -j"$(nproc)"
ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
echo "test.sh: sanitizer build and tests took $((SECONDS - sanitized)) s; all in $((SECONDS - started)) s"
