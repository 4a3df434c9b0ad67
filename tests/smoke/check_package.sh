#!/usr/bin/env bash
# Velmora: builds the Debian package from the build and holds it to Debian's package checker.
# Copyright the Velmora developers; see vxlicense.html for the terms.
#
# usage: check_package.sh <build folder> <scratch folder>
# Fails on any error or warning of lintian; prints every tag, informational
# and pedantic ones too, so that a log shows what is left.
set -uo pipefail

build=${1:?build folder}
out=${2:?scratch folder}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

for tool in cpack lintian dpkg-deb; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps.sh --test installs it)"
done

rm -rf "$out"
mkdir -p "$out"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 || {
    cat "$out/cpack.log" >&2
    fail "cpack could not build the package"
}
deb=$(find "$out" -maxdepth 1 -name 'velmora_*.deb' | head -1)
[[ -n "$deb" ]] || fail "cpack wrote no velmora_*.deb (see $out/cpack.log)"

# What the desktop's search needs in the package: the bus starts the
# installed program by its path.
contents=$(dpkg-deb -c "$deb")
for path in usr/share/man/man1/velmora.1.gz usr/share/doc/velmora/changelog.gz \
    usr/share/doc/velmora/copyright \
    usr/share/dbus-1/services/example.tessaravox.Velmora.Search.service \
    usr/share/gnome-shell/search-providers/example.tessaravox.Velmora.search-provider.ini \
    usr/share/krunner/dbusplugins/velmora.desktop; do
    grep -q " \./$path\$" <<<"$contents" || fail "the package lacks /$path"
done
service=$(dpkg-deb --fsys-tarfile "$deb" \
    | tar -xOf - ./usr/share/dbus-1/services/example.tessaravox.Velmora.Search.service)
grep -qx 'Exec=/usr/bin/velmora --search-provider' <<<"$service" \
    || fail "the bus's .service file does not start /usr/bin/velmora: $service"

# Every tag, for the log; then the verdict on errors and warnings alone.
lintian --info --display-info --pedantic --tag-display-limit 0 "$deb" 2>&1 \
    | grep -v '^running with root privileges' | tee "$out/lintian.log"
lintian --fail-on error,warning --tag-display-limit 0 "$deb" >/dev/null 2>&1 \
    || fail "lintian reports errors or warnings on $(basename "$deb") (see $out/lintian.log)"
if grep -Eq '^[EW]: ' "$out/lintian.log"; then
    fail "lintian reports errors or warnings on $(basename "$deb")"
fi
echo "$(basename "$deb"): no lintian errors or warnings;" \
    "$(grep -c '^[IP]: ' "$out/lintian.log") informational or pedantic tags"
