#!/bin/bash
# Unpacks the four Debian packages of a `make package` build into a scratch
# root, runs the command and imports the Python package from there, and checks
# what each package declares it needs.
# Usage: unpack_test.sh PACKAGE_BUILD_DIR
set -euo pipefail
build="$1"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

packages=(libcorvane32-1 libcorvane32-dev corvane python3-corvane)
declare -A deb
for package in "${packages[@]}"; do
  deb[$package]=$(ls "$build"/"${package}"_*.deb 2>/dev/null | head -n 1)
  if [ -z "${deb[$package]}" ]; then fail "no $package package"; continue; fi
  dpkg -x "${deb[$package]}" "$root"
done
[ "$failures" -eq 0 ] || { echo "unpack: 0 passed, 1 failed"; exit 1; }

version=$(dpkg-deb -f "${deb[libcorvane32-1]}" Version)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
export LD_LIBRARY_PATH="$root/usr/lib/$multiarch"
[ -e "$LD_LIBRARY_PATH/libcorvane32.so.1" ] || fail "libcorvane32.so.1 is not in /usr/lib/$multiarch"
[ "$("$root/usr/bin/corvane" --version)" = "$version" ] || fail "corvane --version does not say $version"
imported=$(PYTHONPATH="$root/usr/lib/python3/dist-packages" /usr/bin/python3 -c \
  'import corvane; print(corvane.version(), corvane.__file__)')
[ "$imported" = "$version $root/usr/lib/python3/dist-packages/corvane/__init__.py" ] ||
  fail "python3 imported '$imported'"

# Each package depends on what it loads.
depends() { dpkg-deb -f "${deb[$1]}" Depends; }
depends libcorvane32-1 | grep -q 'libserialport0' || fail "libcorvane32-1 does not depend on libserialport0"
depends libcorvane32-1 | grep -q 'libstdc++6' || fail "libcorvane32-1 does not depend on libstdc++6"
for package in libcorvane32-dev corvane python3-corvane; do
  depends "$package" | grep -q "libcorvane32-1 (= $version)" || fail "$package does not depend on libcorvane32-1 (= $version)"
done
depends python3-corvane | grep -q 'python3' || fail "python3-corvane does not depend on python3"
dpkg-deb -c "${deb[libcorvane32-dev]}" | grep -q "usr/lib/$multiarch/pkgconfig/corvane32.pc" || fail "no corvane32.pc"

echo "unpack: $((failures == 0 ? 1 : 0)) passed, $((failures == 0 ? 0 : 1)) failed"
[ "$failures" -eq 0 ]
