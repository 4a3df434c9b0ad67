#!/usr/bin/env bash
# Velmora: generates the Qt 6 HTML reference with qdoc, once, into a cache entry.
# Copyright the Velmora developers; see vxlicense.html for the terms.
#
# usage: generate.sh --inputs <folder> --entry <folder> --qdoc <qdoc>
#                    --scanner <qtattributionsscanner> --headers <Qt include folder>
#                    [--mkspec <folder>] [--pins <inputs.txt>]
#
# Reads what reference/fetch-inputs.sh put in --inputs, checks every file
# against its sha256 (the source tarball against inputs.txt, the rest against
# SHA256SUMS), unpacks the source and the header packages into a scratch
# folder beside the entry and runs qdoc once over the modules below. The
# result becomes the entry folder in one rename: html/<module>/ as qdoc wrote
# it, Debian's copyright file of the source, and generated.txt. A failed or
# interrupted run removes everything it wrote and leaves no entry, so the next
# build starts over instead of embedding half a reference.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
pins="$here/inputs.txt"
inputs=""
entry=""
qdoc=""
scanner=""
headers=""
mkspec=""

# The modules of the reference, as "<source folder>:<qdoc project>:<title>".
modules=(
    src/corelib:qtcore:"Qt Core"
    src/gui:qtgui:"Qt GUI"
    src/widgets:qtwidgets:"Qt Widgets"
    src/network:qtnetwork:"Qt Network"
    src/sql:qtsql:"Qt SQL"
    src/xml:qtxml:"Qt XML"
    src/printsupport:qtprintsupport:"Qt Print Support"
    src/concurrent:qtconcurrent:"Qt Concurrent"
    src/dbus:qtdbus:"Qt D-Bus"
    src/testlib:qttestlib:"Qt Test"
    src/opengl:qtopengl:"Qt OpenGL"
    qmake:qmake:"qmake"
)
# Header folders the documented sources include from.
header_modules=(QtCore QtGui QtWidgets QtNetwork QtSql QtXml QtPrintSupport QtConcurrent
    QtDBus QtTest QtOpenGL QtOpenGLWidgets)

fail() {
    echo "velmora: cannot generate the Qt reference: $*" >&2
    exit 1
}

while (($#)); do
    (($# >= 2)) || fail "$1 needs a value"
    case "$1" in
    --inputs) inputs=$2 ;;
    --entry) entry=$2 ;;
    --qdoc) qdoc=$2 ;;
    --scanner) scanner=$2 ;;
    --headers) headers=$2 ;;
    --mkspec) mkspec=$2 ;;
    --pins) pins=$2 ;;
    *) fail "unknown option $1" ;;
    esac
    shift 2
done
[[ -n "$inputs" && -n "$entry" && -n "$qdoc" && -n "$scanner" && -n "$headers" ]] ||
    fail "--inputs, --entry, --qdoc, --scanner and --headers are required"

while IFS='=' read -r name value; do
    declare "$name=$value"
done < <(grep -E '^[A-Z0-9_]+=' "$pins")
for name in QT6_SOURCE_TARBALL QT6_SOURCE_SHA256 QT6_SOURCE_FOLDER QT6_VERSION; do
    [[ -n "${!name:-}" ]] || fail "$pins: no $name"
done
qt_ver=${QT6_VERSION%.*}

# The tools, before anything is unpacked.
[[ -x "$qdoc" && -f "$qdoc" ]] ||
    fail "no qdoc at $qdoc; install qt6-documentation-tools (scripts/install-deps.sh does)"
qdoc_version=$("$qdoc" --version 2>&1) || fail "$qdoc does not run: $qdoc_version"
[[ -x "$scanner" && -f "$scanner" ]] ||
    fail "no qtattributionsscanner at $scanner; install qt6-base-dev-tools"
[[ -d "$headers" ]] || fail "no Qt headers at $headers; install qt6-base-dev"

# The inputs, each checked before it is used.
refetch="run scripts/install-deps.sh to fetch the inputs again"
tarball="$inputs/$QT6_SOURCE_TARBALL"
[[ -f "$tarball" ]] || fail "$tarball is missing; $refetch"
got=$(sha256sum "$tarball" | cut -d' ' -f1)
[[ "$got" == "$QT6_SOURCE_SHA256" ]] ||
    fail "$tarball has sha256 $got, expected $QT6_SOURCE_SHA256; $refetch"
[[ -f "$inputs/SHA256SUMS" ]] || fail "$inputs/SHA256SUMS is missing; $refetch"
check=$(cd "$inputs" && sha256sum --quiet --check SHA256SUMS 2>&1) ||
    fail "$inputs: $(echo "$check" | head -3 | tr '\n' ' ')$refetch"
mapfile -t debs < <(sed -n 's/^[0-9a-f]*  \(.*\.deb\)$/\1/p' "$inputs/SHA256SUMS")
packaging=$(sed -n 's/^[0-9a-f]*  \(.*\.debian\.tar\.xz\)$/\1/p' "$inputs/SHA256SUMS" | head -1)

# One generation per entry at a time; whoever waited finds it done.
mkdir -p "$(dirname "$entry")" || fail "cannot create $(dirname "$entry")"
exec 9>"$entry.lock" || fail "cannot create $entry.lock"
if ! flock -n 9; then
    echo "velmora: another build is generating $entry; waiting for it"
    flock 9
fi
if [[ -d "$entry" ]]; then
    echo "velmora: the Qt $QT6_VERSION reference is ready in $entry"
    exit 0
fi

part="$entry.part.$$"
qdoc_pid=""
cleanup() {
    [[ -n "$qdoc_pid" ]] && kill "$qdoc_pid" 2>/dev/null && wait "$qdoc_pid" 2>/dev/null
    rm -rf "$part"
}
interrupted() {
    trap - EXIT
    cleanup
    echo "velmora: generating the Qt reference was interrupted; nothing was kept" >&2
    exit "$1"
}
trap cleanup EXIT
trap 'interrupted 130' INT
trap 'interrupted 143' TERM
trap 'interrupted 129' HUP

# Leftovers of runs that were killed outright carry our suffix.
rm -rf "$entry".part.*
mkdir -p "$part/build" "$part/work" "$part/headers" || fail "cannot create $part"

echo "velmora: Generating the Qt $qt_ver reference, once: about 5 minutes"
started=$SECONDS
tar -xf "$tarball" -C "$part" || fail "cannot unpack $tarball"
source="$part/$QT6_SOURCE_FOLDER"
[[ -d "$source/doc/global" ]] || fail "$tarball holds no $QT6_SOURCE_FOLDER/doc/global"
for deb in "${debs[@]}"; do
    dpkg-deb -x "$inputs/$deb" "$part/headers" || fail "cannot unpack $inputs/$deb"
done
if [[ -n "$packaging" ]]; then
    tar -xOf "$inputs/$packaging" debian/copyright >"$part/copyright" ||
        fail "$inputs/$packaging holds no debian/copyright"
fi

# Include paths: the installed headers, then the unpacked private and
# OpenGL ones in the same layout.
unpacked=$(find "$part/headers/usr/include" -mindepth 2 -maxdepth 2 -type d -name qt6 | head -1)
includes=(-I "$headers")
[[ -n "$unpacked" ]] && includes+=(-I "$unpacked")
for module in "${header_modules[@]}"; do
    for root in "$headers" $unpacked; do
        [[ -d "$root/$module" ]] || continue
        includes+=(-I "$root/$module")
        [[ -d "$root/$module/$QT6_VERSION" ]] &&
            includes+=(-I "$root/$module/$QT6_VERSION" -I "$root/$module/$QT6_VERSION/$module")
    done
done
[[ -n "$mkspec" ]] && includes+=(-I "$mkspec")

# A wrapper per module adds its third-party licence page to the module's
# own configuration and names the online reference that links to pages
# outside the set should open.
master="$part/work/master.qdocconf"
: >"$master"
for module in "${modules[@]}"; do
    IFS=: read -r folder project title <<<"$module"
    conf="$source/$folder/doc/$project.qdocconf"
    [[ -f "$conf" ]] || fail "$tarball holds no $QT6_SOURCE_FOLDER/$folder/doc/$project.qdocconf"
    mkdir -p "$part/work/$project"
    "$scanner" "$source" --basedir "$source/.." --filter "QDocModule=$project" -s \
        -o "$part/work/$project/codeattributions.qdoc" ||
        fail "qtattributionsscanner failed for $title"
    printf 'include(%s)\nsourcedirs += %s\nurl = https://doc.qt.io/qt-%s\n' \
        "$conf" "$part/work/$project" "${QT6_VERSION%%.*}" >"$part/work/$project.qdocconf"
    echo "$part/work/$project.qdocconf" >>"$master"
done

# qdoc runs in the background so that a signal reaches the traps at once.
log="$part/qdoc.log"
QT_INSTALL_DOCS="$source/doc" QT_VERSION="$QT6_VERSION" QT_VER="$qt_ver" \
    QT_VERSION_TAG="${QT6_VERSION//./}" BUILDDIR="$part/build" \
    "$qdoc" --single-exec --log-progress --outputdir "$part/html" "${includes[@]}" "$master" \
    >"$log" 2>&1 &
qdoc_pid=$!

# Progress: qdoc logs each module's two phases; peak memory from /proc.
shown=0
peak=0
total=${#modules[@]}
show_progress() {
    local phases project phase what
    mapfile -t phases < <(grep -o 'Start qdoc for [A-Za-z]* in single process mode: [a-z]* phase' "$log")
    while ((shown < ${#phases[@]})); do
        read -r _ _ _ project _ _ _ _ phase _ <<<"${phases[$shown]}"
        if [[ "$phase" == prepare ]]; then
            what="reading the sources of"
        else
            what="writing the pages of"
        fi
        printf 'velmora:   %3d s  %s %s (%d of %d)\n' $((SECONDS - started)) "$what" \
            "$project" $((shown % total + 1)) "$total"
        shown=$((shown + 1))
    done
}
while kill -0 "$qdoc_pid" 2>/dev/null; do
    hwm=$(sed -n 's/^VmHWM:[[:space:]]*\([0-9]*\) kB/\1/p' "/proc/$qdoc_pid/status" 2>/dev/null)
    ((${hwm:-0} > peak)) && peak=$hwm
    show_progress
    sleep 2 &
    wait $! 2>/dev/null
done
wait "$qdoc_pid"
status=$?
qdoc_pid=""
show_progress
if ((status != 0)); then
    tail -15 "$log" >&2
    fail "qdoc exited with status $status (the last lines of its log are above)"
fi

for module in "${modules[@]}"; do
    IFS=: read -r folder project title <<<"$module"
    [[ -f "$part/html/$project/$project.index" ]] ||
        fail "qdoc wrote no $project/$project.index; its log: $(tail -5 "$log")"
done
warnings=$(grep -c 'warning: ' "$log")
pages=$(find "$part/html" -name '*.html' | wc -l)
images=$(find "$part/html" -path '*/images/*' -type f | wc -l)
seconds=$((SECONDS - started))
{
    echo "Qt $QT6_VERSION reference generated by $qdoc_version in $seconds s, peak $((peak / 1024)) MB"
    echo "source: $QT6_SOURCE_TARBALL $QT6_SOURCE_SHA256"
    for deb in "${debs[@]}"; do echo "headers: $deb"; done
    echo "pages: $pages, images: $images, qdoc warnings: $warnings"
} >"$part/generated.txt"
grep 'warning: ' "$log" >"$part/warnings.txt"
rm -rf "$part/build" "$part/work" "$part/headers" "$source" "$log"

mv -T "$part" "$entry" || fail "cannot move $part to $entry"
trap - EXIT
echo "velmora: generated the Qt $QT6_VERSION reference in $seconds s (qdoc peak $((peak / 1024)) MB):" \
    "$pages pages, $images images, $warnings qdoc warnings, in $entry"
