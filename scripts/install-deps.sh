#!/usr/bin/env bash
# Installs the Debian 12 packages Velmora needs to build, run and test, and
# fetches what the Qt 6 reference is generated from into the user's cache.
# Only what is missing is installed or fetched, so a ready machine needs no
# network. Run it as the user who builds: the cache is that user's.
set -euo pipefail

packages=(
    cmake g++ make
    qt6-base-dev qt6-base-dev-tools libqt6printsupport6 zlib1g-dev libsqlite3-dev libxcb1-dev
    qtbase5-doc-html
    qt6-documentation-tools xz-utils
    fonts-dejavu-core
)
if [[ "${1:-}" == "--test" ]]; then
    # clang-format is pinned: its output changes between versions, and the
    # format test holds the tree to version 14's.
    # The desktop's search is tested on a private session bus (dbus-daemon,
    # dbus-run-session) and read back with gdbus; the package is checked by
    # lintian, the manual page rendered by man.
    packages+=(xvfb xauth imagemagick poppler-utils xdotool x11-utils evilwm
        desktop-file-utils appstream clang-format-14
        clang libclang-rt-14-dev dbus libglib2.0-bin lintian man-db)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    if [[ $(id -u) -ne 0 ]]; then
        sudo_cmd=(sudo)
    fi
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The build generates the Qt 6 reference from Debian's sources; fetch them
# now, so that the build itself needs no network.
if [[ "${VELMORA_REFERENCE:-qt6}" != qt5 ]]; then
    "$(dirname "$0")/../reference/fetch-inputs.sh"
fi
