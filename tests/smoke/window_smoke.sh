#!/usr/bin/env bash
# Velmora: starts the real program on its own X display, checks the window shows content, closes it as a user would.
# Copyright the Velmora developers; see vxlicense.html for the terms.
#
# usage: window_smoke.sh <velmora executable> <output folder>
# Leaves <output folder>/velmora-window.png behind for a person to look at.
set -uo pipefail

exe=${1:?velmora executable}
out=${2:?output folder}
title_prefix='Velmora: 2.0, '
title_regex='^Velmora: 2\.0, '

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

for tool in Xvfb evilwm xdotool xprop import identify convert; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps.sh --test installs it)"
done
[[ -x "$exe" ]] || fail "$exe is not an executable"
mkdir -p "$out" || fail "cannot create $out"

work=$(mktemp -d) || fail "mktemp"
xvfb_pid=
wm_pid=
app_pid=
cover_pid=
cleanup() {
    # Every exit path ends what this script started, newest first.
    for pid in $cover_pid $app_pid $wm_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null
    done
    for pid in $cover_pid $app_pid $wm_pid $xvfb_pid; do
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# Our own display: Xvfb picks a free number and writes it to the fd once it
# accepts connections, so no guessing and no clash with displays in use.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
display=
for _ in $(seq 100); do
    display=$(tr -dc '0-9' <"$work/display")
    [[ -n "$display" ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$work/xvfb.log" >&2; fail "Xvfb did not start"; }
    sleep 0.1
done
[[ -n "$display" ]] || fail "Xvfb reported no display within 10 s"
export DISPLAY=":$display"
echo "display $DISPLAY"

# A small window manager, so that closing goes through the window manager and
# the program's WM_DELETE_WINDOW handling, as with a click on the close button.
wm_running() {
    [[ "$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null)" == *'window id'* ]]
}
# "fixed" is one of the X server's built-in fonts; evilwm's own default is an
# alias that only an extra font package provides, and without a font it exits.
evilwm -fn fixed >"$work/wm.log" 2>&1 &
wm_pid=$!
for _ in $(seq 100); do
    wm_running && break
    sleep 0.1
done
wm_running || { cat "$work/wm.log" >&2; fail "the window manager did not come up"; }

# A settings folder of our own: the program starts from defaults and we can
# see exactly what closing writes.
export XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# A session bus that is not there, refused at once. With no address at all,
# the toolkit's accessibility bridge has libdbus fork a helper to launch a
# bus; in a sanitized program the child can then wait for ever on an
# allocator lock another thread held at the fork, and the window never shows.
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-session-bus"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
"$exe" >"$work/app.log" 2>&1 &
app_pid=$!

# Polled rather than xdotool's --sync, so that a program that dies at start
# fails at once with its output instead of after the whole wait.
window=
# A sanitized build on a busy machine can take many times its usual few
# seconds to show its window.
for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name "$title_regex" 2>/dev/null | head -n 1)
    [[ -n "$window" ]] && break
    if ! kill -0 "$app_pid" 2>/dev/null; then
        wait "$app_pid"
        status=$?
        app_pid=
        cat "$work/app.log" >&2
        fail "the program ended with status $status before showing its window"
    fi
    sleep 0.2
done
if [[ -z "$window" ]]; then
    cat "$work/app.log" >&2
    # Where the program is: running slowly, or waiting on something.
    grep -E '^(State|Threads)' "/proc/$app_pid/status" >&2
    for task in /proc/"$app_pid"/task/*; do
        echo "thread ${task##*/} $(cat "$task/comm" 2>/dev/null): $(cat "$task/wchan" 2>/dev/null) $(cut -d' ' -f3 "$task/stat" 2>/dev/null)" >&2
    done
    ps -o pid,stat,wchan:32,args --ppid "$app_pid" >&2
    xdotool search --name . getwindowname %@ 2>/dev/null | head -20 >&2
    fail "no window titled '${title_prefix}...' was shown within 60 s"
fi
echo "window $window: $(xdotool getwindowname "$window")"

# Desktops match the running window to its launcher by WM_CLASS.
wm_class=$(xprop -id "$window" WM_CLASS)
[[ "$wm_class" == *'"velmora", "Velmora"'* ]] || fail "unexpected $wm_class"
icon=$(xprop -id "$window" _NET_WM_ICON)
[[ "$icon" == '_NET_WM_ICON(CARDINAL) = '* ]] || fail "the window has no icon"

# The window's area on the screen, for the region checks below.
eval "$(xdotool getwindowgeometry --shell "$window")"
win_x=$X win_y=$Y win_w=$WIDTH win_h=$HEIGHT
echo "geometry ${win_w}x${win_h}+${win_x}+${win_y}"
((win_w >= 300 && win_h >= 200)) || fail "the window is only ${win_w}x${win_h}"

# The spread of grey levels in a part of the window, given in per cent of its
# width and height; zero means one flat colour.
spread() {
    local left=$1 top=$2 width=$3 height=$4
    local x=$((win_x + win_w * left / 100)) y=$((win_y + win_h * top / 100))
    local w=$((win_w * width / 100)) h=$((win_h * height / 100))
    convert "$shot" -crop "${w}x${h}+${x}+${y}" +repage -colorspace gray \
        -format '%[fx:standard_deviation]' info:
}
nonuniform() {
    awk -v v="$1" 'BEGIN { exit !(v > 0.02) }'
}

# The first frames may still be blank while the pages lay out; retry for a
# bounded time until every region shows something.
shot="$out/velmora-window.png"
problem=
for _ in $(seq 20); do
    sleep 0.5
    problem=
    import -window root "$shot" 2>"$work/import.log" || { problem="import failed: $(cat "$work/import.log")"; continue; }
    colours=$(identify -format '%k' "$shot")
    ((colours > 64)) || { problem="only $colours colours on the screen"; continue; }
    toolbar=$(spread 0 0 100 8)
    tabs=$(spread 0 6 30 12)
    page=$(spread 35 20 60 60)
    nonuniform "$toolbar" || { problem="the toolbar row is flat ($toolbar)"; continue; }
    nonuniform "$tabs" || { problem="the tab bar is flat ($tabs)"; continue; }
    nonuniform "$page" || { problem="the page area is flat ($page)"; continue; }
    break
done
echo "screenshot $shot"
[[ -z "$problem" ]] || fail "$problem"
echo "colours $colours, spread: toolbar $toolbar, tabs $tabs, page $page"

# A window laid over this one and taken away again: the program must paint
# what it uncovers, so that the screen shows the window as it was. Only the
# caret of a focused field may blink in between.
for tool in xmessage compare; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps.sh --test installs it)"
done
before="$work/before-cover.png"
after="$work/after-cover.png"
import -window root "$before" 2>"$work/import.log" || fail "import failed: $(cat "$work/import.log")"
xmessage -title velmora-cover -bg red -geometry 320x200 "laid over the window" >/dev/null 2>&1 &
cover_pid=$!
cover=
for _ in $(seq 50); do
    cover=$(xdotool search --onlyvisible --name "^velmora-cover$" 2>/dev/null | head -n 1)
    [[ -n "$cover" ]] && break
    sleep 0.1
done
[[ -n "$cover" ]] || fail "the covering window did not show"
xdotool windowmove --sync "$cover" $((win_x + win_w / 3)) $((win_y + win_h / 3))
sleep 0.5
kill "$cover_pid"
wait "$cover_pid" 2>/dev/null
cover_pid=
sleep 1
import -window root "$after" 2>"$work/import.log" || fail "import failed: $(cat "$work/import.log")"
# Inside the window only: the window manager redraws its border as the focus
# comes and goes.
area="${win_w}x${win_h}+${win_x}+${win_y}"
differ=$(compare -metric AE -fuzz 3% "$before[$area]" "$after[$area]" null: 2>&1)
[[ "$differ" =~ ^[0-9]+$ ]] || fail "compare failed: $differ"
((differ <= 100)) || { cp "$after" "$out/velmora-uncovered.png"; fail "$differ pixels differ where a window lay over the program's (see $out/velmora-uncovered.png)"; }
echo "uncovered again as it was ($differ pixels differ)"

# Close with the window manager's close key (Ctrl+Alt+Escape in evilwm, which
# acts on the window it has focused) and expect a clean exit with the window
# state saved. The pointer goes over the window first, as evilwm focuses the
# window under it.
xdotool mousemove --sync $((win_x + win_w / 2)) $((win_y + win_h / 2))
timeout 10 xdotool windowactivate --sync "$window" || fail "the window could not be focused"
xdotool key --clearmodifiers ctrl+alt+Escape || fail "xdotool could not press the close key"
status=
for _ in $(seq 200); do
    if ! kill -0 "$app_pid" 2>/dev/null; then
        wait "$app_pid"
        status=$?
        break
    fi
    sleep 0.1
done
if [[ -z "$status" ]]; then
    cat "$work/app.log" >&2
    fail "the program was still running 20 s after its window was closed"
fi
app_pid=
[[ "$status" == 0 ]] || { cat "$work/app.log" >&2; fail "the program exited with status $status"; }

conf="$XDG_CONFIG_HOME/Tessaravox/Velmora.conf"
[[ -f "$conf" ]] || fail "closing wrote no $conf"
# QSettings writes the /velmora/geom/<key> entries as geom\<key> in [velmora].
for key in x y w h; do
    grep -Eq "^geom\\\\$key=-?[0-9]+$" "$conf" || { cat "$conf" >&2; fail "$conf lacks the window's geom/$key"; }
done
echo "saved $(grep -c . "$conf") lines to Velmora.conf; exit status 0"
