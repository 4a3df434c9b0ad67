#!/usr/bin/env bash
# Velmora: checks that every C++ file of ours is formatted as .clang-format says.
# Copyright the Velmora developers; see vxlicense.html for the terms.
#
#   scripts/check-format.sh          list the files that differ; exit 1 if any do
#   scripts/check-format.sh --fix    reformat them in place
# clang-format's output changes between versions, so this uses exactly the
# version that scripts/install-deps.sh --test installs.
set -euo pipefail
cd "$(dirname "$0")/.."

formatter=clang-format-14
command -v "$formatter" >/dev/null \
    || { echo "check-format.sh: $formatter is not installed (scripts/install-deps.sh --test)" >&2; exit 2; }

# Our sources only: generated tables live in build folders, fixtures are
# copies of other people's files.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h' | grep -v '^tests/fixtures/')
else
    mapfile -t files < <(find app bench browser cli core desktop docset embedgen forms frame fuzz reference search \
        store tests \
        -path tests/fixtures -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) -print | sort)
fi

if [[ "${1:-}" == "--fix" ]]; then
    "$formatter" -i --style=file "${files[@]}"
    exit 0
fi

unformatted=()
for file in "${files[@]}"; do
    [[ -f "$file" ]] || continue
    "$formatter" --style=file --dry-run -Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done
if ((${#unformatted[@]})); then
    echo "check-format.sh: not formatted as .clang-format says (scripts/check-format.sh --fix):" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
fi
echo "check-format.sh: ${#files[@]} files formatted"
