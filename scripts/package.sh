#!/usr/bin/env bash
# Builds the Release program in build/package with Debian's hardening flags and makes the Debian
# package with CPack: OUT/glimmerfolding_VERSION_ARCH.deb, OUT being out/ or the folder given.
#   scripts/package.sh [OUT]
# Install it with: sudo apt install ./out/glimmerfolding_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/out}
"$root/scripts/setup.sh" --package

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
echo "package: building build/package..." >&2
"$root/scripts/build.sh" build/package -DGLIMMER_TESTS=OFF -DGLIMMER_BENCH=OFF -DGLIMMER_TOOLS=OFF \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $cppflags" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null

"$root/scripts/setup-web-player.sh" build/package  # the player the package holds for web pages
mkdir -p "$out"
out=$(cd "$out" && pwd)
staging=$root/build/package/cpack
rm -rf "$staging"
cpack --config "$root/build/package/CPackConfig.cmake" -B "$staging" >/dev/null
for deb in "$staging"/*.deb; do
  mv "$deb" "$out/"
  echo "$out/$(basename "$deb")"
done
