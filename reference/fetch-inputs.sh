#!/usr/bin/env bash
# Velmora: fetches what the Qt 6 reference is generated from into the user's cache.
# Copyright the Velmora developers; see vxlicense.html for the terms.
#
# usage: fetch-inputs.sh [cache folder]
#
# scripts/install-deps.sh runs this, so that the build itself needs no
# network. The files land in <cache>/inputs (the cache folder defaults to
# $XDG_CACHE_HOME/velmora, else ~/.cache/velmora), listed in SHA256SUMS,
# which the generator checks again before it uses them:
#   - Debian's source tarball named in inputs.txt, checked against the
#     sha256 written there;
#   - Debian's packaging of that source, for its copyright file;
#   - the header packages of inputs.txt at the installed qt6-base-dev's
#     version, checked against the sha256 of apt's signed index.
# Nothing is installed. The downloads go through an apt configuration of our
# own (sources list, state and cache under <cache>/apt, removed afterwards)
# whose deb and deb-src lines name the Debian mirror the system already uses,
# so the system's apt configuration and lists are only ever read.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)

die() {
    echo "fetch-inputs: $*" >&2
    exit 1
}

cache_root() {
    if [[ -n "${1:-}" ]]; then
        echo "$1"
    elif [[ "${XDG_CACHE_HOME:-}" == /* ]]; then
        echo "$XDG_CACHE_HOME/velmora"
    else
        echo "$HOME/.cache/velmora"
    fi
}

# NAME=value lines; a value may hold blanks, so no `source`.
while IFS='=' read -r name value; do
    declare "$name=$value"
done < <(grep -E '^[A-Z0-9_]+=' "$here/inputs.txt")

root=$(cache_root "${1:-}")
inputs="$root/inputs"
sums="$inputs/SHA256SUMS"
mkdir -p "$inputs"

header_version=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null) ||
    die "qt6-base-dev is not installed; the header packages must match its version"
source_version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev)
arch=$(dpkg --print-architecture)
read -r -a header_packages <<<"$QT6_HEADER_PACKAGES"

wanted_debs=()
for package in "${header_packages[@]}"; do
    # apt writes an epoch's colon as %3a in file names.
    wanted_debs+=("${package}_${header_version//:/%3a}_${arch}.deb")
done

sha256_of() {
    sha256sum "$1" | cut -d' ' -f1
}

# Everything present and intact: nothing to fetch, no network needed.
complete() {
    [[ -f "$sums" ]] || return 1
    grep -q "  $QT6_SOURCE_TARBALL\$" "$sums" || return 1
    grep -q "  ${QT6_SOURCE_PACKAGE}_.*\.debian\.tar\.xz\$" "$sums" || return 1
    local deb
    for deb in "${wanted_debs[@]}"; do
        grep -qF "  $deb" "$sums" || return 1
    done
    [[ "$(sha256_of "$inputs/$QT6_SOURCE_TARBALL" 2>/dev/null)" == "$QT6_SOURCE_SHA256" ]] ||
        return 1
    (cd "$inputs" && sha256sum --quiet --check SHA256SUMS >/dev/null 2>&1)
}

if complete; then
    echo "fetch-inputs: the Qt $QT6_VERSION reference inputs are in $inputs"
    exit 0
fi

echo "fetch-inputs: fetching the Qt $QT6_VERSION reference inputs into $inputs"
aptdir="$root/apt"
scratch="$inputs/.fetching.$$"
cleanup() {
    rm -rf "$scratch" "$aptdir"
}
trap cleanup EXIT
rm -rf "$aptdir"
mkdir -p "$scratch" "$aptdir/sources.list.d" "$aptdir/state/lists/partial" \
    "$aptdir/cache/archives/partial"

# The system's own Debian mirror and suites, main only: that is where
# qt6-base lives. Without downloaded lists apt knows no origins, so fall
# back to the sources whose address names Debian.
mirrors=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' \
    'Created-By: Packages' 'Origin: Debian' 2>/dev/null | sort -u)
if [[ -z "$mirrors" ]]; then
    mirrors=$(apt-get indextargets --no-release-info --format '$(REPO_URI) $(RELEASE)' \
        'Created-By: Packages' 2>/dev/null | grep -E '/debian(-security)?/? ' | sort -u || true)
fi
[[ -n "$mirrors" ]] || die "the system's apt sources name no Debian mirror"
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
while read -r uri suite; do
    printf 'Types: deb deb-src\nURIs: %s\nSuites: %s\nComponents: main\n' "$uri" "$suite"
    [[ -f "$keyring" ]] && printf 'Signed-By: %s\n' "$keyring"
    printf '\n'
done <<<"$mirrors" >"$aptdir/sources.list.d/velmora.sources"

apt=(-o "Dir::Etc::SourceList=/dev/null"
    -o "Dir::Etc::SourceParts=$aptdir/sources.list.d"
    -o "Dir::State=$aptdir/state"
    -o "Dir::Cache=$aptdir/cache"
    -o "Acquire::Languages=none"
    -q)
# Run as root, apt would hand the download to its own user, who cannot
# write into a home folder.
[[ $(id -u) -eq 0 ]] && apt+=(-o "APT::Sandbox::User=root")

apt-get "${apt[@]}" update >"$scratch/apt.log" 2>&1 ||
    die "apt-get update with our own sources list failed: $(tail -3 "$scratch/apt.log")"

# The source at the installed Qt's Debian version when the mirror still has
# it, else its newest; the tarball's sha256 says whether it is the one.
(
    cd "$scratch"
    apt-get "${apt[@]}" source --download-only "$QT6_SOURCE_PACKAGE=$source_version" ||
        apt-get "${apt[@]}" source --download-only "$QT6_SOURCE_PACKAGE"
) >>"$scratch/apt.log" 2>&1 ||
    die "apt-get source $QT6_SOURCE_PACKAGE failed: $(tail -3 "$scratch/apt.log")"
[[ -f "$scratch/$QT6_SOURCE_TARBALL" ]] ||
    die "apt-get source $QT6_SOURCE_PACKAGE gave no $QT6_SOURCE_TARBALL"
got=$(sha256_of "$scratch/$QT6_SOURCE_TARBALL")
[[ "$got" == "$QT6_SOURCE_SHA256" ]] ||
    die "$QT6_SOURCE_TARBALL has sha256 $got, not the $QT6_SOURCE_SHA256 of inputs.txt"
packaging=$(cd "$scratch" && ls "${QT6_SOURCE_PACKAGE}"_*.debian.tar.xz 2>/dev/null | head -1)
[[ -n "$packaging" ]] || die "apt-get source $QT6_SOURCE_PACKAGE gave no Debian packaging"

for package in "${header_packages[@]}"; do
    (cd "$scratch" && apt-get "${apt[@]}" download "$package=$header_version") \
        >>"$scratch/apt.log" 2>&1 ||
        die "apt-get download $package=$header_version failed: $(tail -3 "$scratch/apt.log")"
done
for deb in "${wanted_debs[@]}"; do
    package=${deb%%_*}
    [[ -f "$scratch/$deb" ]] || die "apt-get download $package gave no $deb"
    expected=$(apt-cache "${apt[@]}" show "$package=$header_version" |
        sed -n 's/^SHA256: //p' | head -1)
    got=$(sha256_of "$scratch/$deb")
    [[ -n "$expected" && "$got" == "$expected" ]] ||
        die "$deb has sha256 $got, apt's index says ${expected:-nothing}"
done

# Move the new set in, then drop what it replaces (other versions).
files=("$QT6_SOURCE_TARBALL" "$packaging" "${wanted_debs[@]}")
(cd "$scratch" && sha256sum "${files[@]}") >"$scratch/SHA256SUMS"
for file in "${files[@]}" SHA256SUMS; do
    mv -f "$scratch/$file" "$inputs/$file"
done
for file in "$inputs"/*; do
    name=$(basename "$file")
    [[ "$name" == SHA256SUMS ]] || grep -qF "  $name" "$sums" || rm -f "$file"
done
echo "fetch-inputs: fetched $(printf '%s ' "${files[@]}")"
