#!/usr/bin/env bash
# Velmora: checks that the README's run command reaches a shown window.
# Copyright the Velmora developers; see vxlicense.html for the terms.
#
#   scripts/check-run.sh [seconds to wait, default 900]
# Runs scripts/run.sh (install, build, start) under xvfb-run and waits for a
# window whose title starts with "Velmora"; then closes the program. The wait
# covers a first build. Needs the test packages (scripts/install-deps.sh --test).
set -uo pipefail
cd "$(dirname "$0")/.."

wait_for=${1:-900}
for tool in xvfb-run xdotool; do
    command -v "$tool" >/dev/null \
        || { echo "check-run.sh: $tool is missing (scripts/install-deps.sh --test)" >&2; exit 2; }
done

# Inside the display: start the program, poll for its window, report.
inner=$(cat <<'INNER'
wait_for=$1
scripts/run.sh >"$LOG" 2>&1 &
app=$!
for ((i = 0; i < wait_for * 2; i++)); do
    if window=$(xdotool search --onlyvisible --name '^Velmora' 2>/dev/null | head -n 1) && [[ -n "$window" ]]; then
        echo "check-run.sh: window shown: $(xdotool getwindowname "$window")"
        pkill -TERM -P "$app" 2>/dev/null; kill -TERM "$app" 2>/dev/null; wait "$app" 2>/dev/null
        exit 0
    fi
    kill -0 "$app" 2>/dev/null || { tail -30 "$LOG" >&2; echo "check-run.sh: run.sh ended before a window was shown" >&2; exit 1; }
    sleep 0.5
done
tail -30 "$LOG" >&2
echo "check-run.sh: no window titled Velmora... within $wait_for s" >&2
kill -TERM "$app" 2>/dev/null
exit 1
INNER
)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
LOG=$log xvfb-run -a bash -c "$inner" check-run "$wait_for"
