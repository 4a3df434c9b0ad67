#!/usr/bin/env bash
# Velmora: builds and runs the fuzz targets.
# Copyright the Velmora developers; see vxlicense.html for the terms.
#
# Builds the libFuzzer targets under fuzz/ with clang and runs each for a
# while on a copy of its committed seed corpus: first every committed input,
# then new ones for the rest of its time.
#   scripts/fuzz.sh [seconds per target, default 180] [target...]
# scripts/test.sh runs every target briefly; longer runs are for hunting.
# A crash fails the run and names the input that caused it, which lands in
# <build>/artifacts/<target>/; the build folder is build-fuzz unless
# VELMORA_FUZZ_BUILD says otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-180}
shift || true
targets=("$@")
build=${VELMORA_FUZZ_BUILD:-build-fuzz}

if ! command -v clang++ >/dev/null; then
    echo "fuzz.sh: clang++ is needed (Debian: apt-get install clang)" >&2
    exit 2
fi
cmake -S fuzz -B "$build" -DVELMORA_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ >/dev/null
if ((${#targets[@]} == 0)); then
    # Every target fuzz/CMakeLists.txt declares.
    mapfile -t targets < "$build/fuzz-targets.txt"
fi
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
    # fuzz/<target>.options: flags of that target's own, one a line.
    options=()
    if [[ -f "fuzz/$target.options" ]]; then
        mapfile -t options < <(grep -v '^[[:space:]]*\(#\|$\)' "fuzz/$target.options")
    fi
    started=$SECONDS
    status=0
    "$build/$target" "$corpus" -max_total_time="$seconds" -print_final_stats=1 \
        -rss_limit_mb=2048 -timeout=10 -artifact_prefix="$artifacts" "${options[@]}" \
        >"$log" 2>&1 || status=$?
    elapsed=$((SECONDS - started))
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    files=$(find "$corpus" -type f | wc -l)
    if ((status != 0)); then
        input=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)
        verdict="CRASHED (exit $status) on ${input:-an input in $artifacts}; log $log"
        failed=1
        # The report itself, for a CI log that has nothing else.
        grep -m 20 -E 'ERROR|SUMMARY|runtime error|#[0-9]+ ' "$log" >&2 || true
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
