#!/usr/bin/env bash
# Velmora: builds and runs the fuzz targets.
# Copyright the Velmora developers; see vxlicense.html for the terms.
#
# Builds the libFuzzer targets under fuzz/ with clang and runs each for a
# while on a copy of its committed seed corpus.
#   scripts/fuzz.sh [seconds per target, default 180] [target...]
# Not part of the build or of scripts/test.sh. Finds land in
# <build>/artifacts/<target>/; the build folder is build-fuzz unless
# VELMORA_FUZZ_BUILD says otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-180}
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then
    targets=(fuzz_contents fuzz_index fuzz_pagename fuzz_blob fuzz_query fuzz_request fuzz_busterms)
fi
build=${VELMORA_FUZZ_BUILD:-build-fuzz}

if ! command -v clang++ >/dev/null; then
    echo "fuzz.sh: clang++ is needed (Debian: apt-get install clang)" >&2
    exit 2
fi
cmake -S fuzz -B "$build" -DVELMORA_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"

summary=()
failed=0
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    artifacts="$build/artifacts/$target/"
    log="$build/$target.log"
    mkdir -p "$corpus" "$artifacts"
    cp -n fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
    started=$SECONDS
    status=0
    "$build/$target" "$corpus" -max_total_time="$seconds" -print_final_stats=1 \
        -rss_limit_mb=2048 -timeout=10 -artifact_prefix="$artifacts" >"$log" 2>&1 || status=$?
    elapsed=$((SECONDS - started))
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    files=$(find "$corpus" -type f | wc -l)
    if ((status != 0)); then
        verdict="CRASHED (exit $status; see $log and $artifacts)"
        failed=1
    else
        verdict="no crash"
    fi
    summary+=("$(printf '%-14s %5d s  %10s execs  corpus %5d files  %s' \
        "$target" "$elapsed" "${execs:-?}" "$files" "$verdict")")
done

echo
echo "fuzz.sh: ${seconds} s per target"
printf '%s\n' "${summary[@]}"
exit "$failed"
