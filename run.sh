#!/usr/bin/env bash
# Builds a release build of Stowfolio and starts it.
set -euo pipefail
cd "$(dirname "$0")"
source tools/ensure-packages.sh
ensure_packages "${RUNTIME_PACKAGES[@]}"
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSTOWFOLIO_TESTS=OFF >/dev/null
cmake --build build-release --target stowfolio
exec ./build-release/stowfolio "$@"
