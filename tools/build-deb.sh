#!/usr/bin/env bash
# Builds the Debian package from this tree in its own Release build folder, without the tests,
# and prints the path of the .deb (the build's own output goes to standard error).
# Usage: tools/build-deb.sh [BUILD_FOLDER]   (default build-deb)
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/ensure-packages.sh
ensure_packages "${RUNTIME_PACKAGES[@]}" dpkg-dev file

build=${1:-build-deb}
# Debian's hardening flags (stack protector, fortified calls, relocations made read-only
# before start), and file paths in the binary made relative to the tree so the package does
# not name the folder it was built in.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSTOWFOLIO_TESTS=OFF \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >&2
cmake --build "$build" -j "$(nproc)" >&2
rm -f "$build"/stowfolio_*.deb
(cd "$build" && cpack -G DEB >&2)
realpath "$build"/stowfolio_*.deb
