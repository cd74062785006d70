#!/usr/bin/env bash
# The Debian packages as a user gets them: cpack builds them from the build tree, dpkg
# unpacks them into a scratch root, and the programs and a host program built against
# the development package run from there.
#   test-packages.sh BUILD_DIR
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "packages: $*" >&2; exit 1; }

mkdir -p "$scratch/debs"
(cd "$build" && timeout 300 cpack -G DEB -B "$scratch/debs" >"$scratch/cpack.log" 2>&1) ||
  { cat "$scratch/cpack.log"; fail "cpack failed"; }
root="$scratch/root"
for package in tidewell libgraphics1 libgraphics-dev pics; do
  deb=$(ls "$scratch"/debs/${package}_*.deb 2>/dev/null | head -n 1)
  [ -n "$deb" ] || fail "no $package package"
  dpkg -x "$deb" "$root"
done
grep -q 'libgraphics1 (= ' <(dpkg-deb -f "$scratch"/debs/pics_*.deb Depends) ||
  fail "pics does not depend on libgraphics1"
grep -q 'libcurl4' <(dpkg-deb -f "$scratch"/debs/tidewell_*.deb Depends) ||
  fail "tidewell's dependencies were not worked out"
for page in tidewell tidewell-gen pics; do
  [ -f "$root/usr/share/man/man1/$page.1" ] || fail "no man page for $page"
done
unit="$root/usr/lib/systemd/system/tidewell-apply-pending.service"
grep -q '^ExecStart=/usr/bin/tidewell --apply-pending$' "$unit" || fail "no systemd unit running tidewell"
[ -L "$root/usr/lib/libGraphics.so" ] && [ -f "$root/usr/lib/libGraphics.so.1" ] ||
  fail "libGraphics.so.1 and its development link are not installed"

export LD_LIBRARY_PATH="$root/usr/lib"
"$root/usr/bin/tidewell" --version | grep -q '^tidewell [0-9]' || fail "tidewell --version"
"$root/usr/bin/tidewell-gen" --version | grep -q '^tidewell-gen [0-9]' || fail "tidewell-gen --version"
"$root/usr/bin/pics" --version | grep -q '^pics [0-9]' || fail "pics --version"

/usr/bin/convert -size 7x3 xc:red "BMP3:$scratch/red.bmp"
cmake -S "$here/host" -B "$scratch/host-cmake" -DCMAKE_PREFIX_PATH="$root/usr" >/dev/null
cmake --build "$scratch/host-cmake" >/dev/null
[ "$("$scratch/host-cmake/host" "$scratch/red.bmp")" = "7x3" ] || fail "host built with find_package"
# shellcheck disable=SC2046
g++ -o "$scratch/host-pc" "$here/host/host.cpp" \
  $(PKG_CONFIG_PATH="$root/usr/lib/pkgconfig" pkg-config --cflags --libs graphics)
[ "$("$scratch/host-pc" "$scratch/red.bmp")" = "7x3" ] || fail "host built with pkg-config"
echo "packages: tidewell, libgraphics1, libgraphics-dev and pics install and run"
