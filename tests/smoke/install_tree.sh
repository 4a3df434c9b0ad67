#!/usr/bin/env bash
# Velmora: installs the build into a scratch prefix and checks that launcher, icons, metainfo, the desktop search files and executable fit together.
# Copyright the Velmora developers; see vxlicense.html for the terms.
#
# usage: install_tree.sh <build folder> <scratch folder>
set -uo pipefail

build=${1:?build folder}
root=${2:?scratch folder}
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

rm -rf "$root"
mkdir -p "$(dirname "$root")"
cmake --install "$build" --prefix "$root/usr" >"$root.log" 2>&1 || {
    cat "$root.log" >&2
    echo "FAIL: cmake --install failed" >&2
    exit 1
}
usr="$root/usr"

exe="$usr/bin/velmora"
[[ -x "$exe" ]] || fail "no executable at bin/velmora"
# An installed program must not look for libraries in the build tree.
if [[ -f "$exe" ]] && readelf -d "$exe" | grep -Eq '\((RPATH|RUNPATH)\)'; then
    fail "bin/velmora keeps a library search path: $(readelf -d "$exe" | grep -E 'R(UN)?PATH')"
fi

desktop="$usr/share/applications/velmora.desktop"
if [[ -f "$desktop" ]]; then
    # Keys of the [Desktop Entry] group only: the actions have an Exec of their own.
    entry() { sed -n '/^\[Desktop Entry\]/,/^\[/p' "$desktop" | sed -n "s/^$1=//p"; }
    [[ "$(sed -n '/^\[Desktop Action search\]/,/^\[/p' "$desktop" | sed -n 's/^Exec=//p')" == "velmora --search=" ]] \
        || fail "the \"Search the reference\" action does not open the empty search"
    [[ "$(entry Exec)" == velmora ]] || fail "Exec=$(entry Exec) does not start bin/velmora"
    [[ "$(entry Icon)" == velmora ]] || fail "Icon=$(entry Icon) is not the installed icon name"
    # The class the program's windows carry (see window_smoke.sh).
    [[ "$(entry StartupWMClass)" == Velmora ]] || fail "StartupWMClass=$(entry StartupWMClass) does not match the windows"
else
    fail "no share/applications/velmora.desktop"
fi

# Each size folder must hold an icon of exactly that size, or desktops scale
# the wrong one.
sizes=0
for dir in "$usr"/share/icons/hicolor/*x*; do
    [[ -d "$dir" ]] || continue
    icon="$dir/apps/velmora.png"
    want=$(basename "$dir")
    if [[ ! -f "$icon" ]]; then
        fail "$want has no apps/velmora.png"
        continue
    fi
    got=$(identify -format '%wx%h' "$icon" 2>/dev/null)
    [[ "$got" == "$want" ]] || fail "hicolor/$want/apps/velmora.png is $got"
    sizes=$((sizes + 1))
done
((sizes >= 4)) || fail "only $sizes hicolor sizes installed"
[[ -f "$usr/share/icons/hicolor/64x64/apps/velmora.png" ]] || fail "no 64x64 icon, which software centres require"

# validate-tree checks the metainfo against the launcher and icons beside it.
ls "$usr"/share/metainfo/*.metainfo.xml >/dev/null 2>&1 || fail "no metainfo installed"
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli validate-tree found problems"

copyright="$usr/share/doc/velmora/copyright"
[[ -s "$copyright" ]] || fail "no share/doc/velmora/copyright"
# The embedded reference's terms, with Debian's copyright file of its source.
grep -q "GFDL-1.3" "$copyright" || fail "the copyright file gives no terms of the reference"
grep -q "^Files: \*$" "$copyright" || fail "the copyright file lacks Debian's file of the reference's source"

# The desktop's search: GNOME Shell and KRunner name the bus name, and the
# bus's .service file starts the installed program under that name.
value() { sed -n "s/^$2=//p" "$1" 2>/dev/null; }
ini="$usr/share/gnome-shell/search-providers/example.tessaravox.Velmora.search-provider.ini"
runner="$usr/share/krunner/dbusplugins/velmora.desktop"
service="$usr/share/dbus-1/services/example.tessaravox.Velmora.Search.service"
for file in "$ini" "$runner" "$service"; do
    [[ -f "$file" ]] || fail "no ${file#"$usr"/}"
done
bus=$(value "$ini" BusName)
[[ -n "$bus" && "$(value "$service" Name)" == "$bus" ]] \
    || fail "the .service file serves $(value "$service" Name), GNOME Shell calls $bus"
[[ "$(value "$runner" X-Plasma-DBusRunner-Service)" == "$bus" ]] \
    || fail "KRunner calls $(value "$runner" X-Plasma-DBusRunner-Service), not $bus"
[[ "$(value "$service" Exec)" == "$usr/bin/velmora --search-provider" ]] \
    || fail "the .service file runs $(value "$service" Exec), not the installed program"
[[ "$(value "$ini" DesktopId)" == velmora.desktop ]] || fail "the provider names another launcher"

# The manual page and the changelog, compressed as Debian keeps them.
gzip -t "$usr/share/man/man1/velmora.1.gz" 2>/dev/null || fail "no share/man/man1/velmora.1.gz"
gzip -t "$usr/share/doc/velmora/changelog.gz" 2>/dev/null || fail "no share/doc/velmora/changelog.gz"

if ((failures)); then
    echo "$failures problem(s) in the installed tree under $root" >&2
    exit 1
fi
echo "installed tree under $root is complete ($sizes icon sizes)"
