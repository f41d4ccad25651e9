#!/usr/bin/env bash
# Builds everything and runs every test: the normal build, a sanitizer build of the tests,
# a bounded fuzzing run of the workbook reader, and the Debian package built and checked.
# Every program the tests compare our output with must be installed: a missing one fails.
# Exits non-zero on any failure.
#
# ./test.sh --quick is the edit-compile-test loop: the normal build and the tests not labelled
# slow, nothing else; a test whose program to compare with is missing is skipped there.
set -euo pipefail
cd "$(dirname "$0")"

quick=false
case "$*" in
    "") ;;
    --quick) quick=true ;;
    *)
        echo "usage: $0 [--quick]" >&2
        exit 2
        ;;
esac

source tools/ensure-packages.sh
if $quick; then
    ensure_packages "${RUNTIME_PACKAGES[@]}" "${QUICK_TEST_PACKAGES[@]}"
    unset STOWFOLIO_REQUIRE_ORACLES
else
    ensure_packages "${RUNTIME_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    command -v npm >/dev/null || ensure_packages "${NODE_PACKAGES[@]}"

    # The differential number-format test compares with the npm package ssf, kept out of the
    # tree; the exceptions it lists are those of this version.
    ssf_version=0.11.2
    ssf_installed() {
        command -v node >/dev/null &&
            [ -f .test-tools/node_modules/ssf/ssf.js ] &&
            grep -q "\"version\": \"$ssf_version\"" .test-tools/node_modules/ssf/package.json \
                2>/dev/null
    }
    if ! ssf_installed; then
        mkdir -p .test-tools
        (cd .test-tools &&
            npm install --silent --no-audit --no-fund "ssf@$ssf_version" >/dev/null) || true
    fi
    if ! ssf_installed; then
        echo "error: node with the npm package ssf $ssf_version is required by the differential" \
            "number-format test, and ssf could not be installed into .test-tools" \
            "(npm install --prefix .test-tools ssf@$ssf_version; is the npm registry" \
            "reachable?)" >&2
        exit 1
    fi

    # A test that compares with a program we did not write fails when that program is missing
    # (tests/support/oracle.h), instead of being skipped.
    export STOWFOLIO_REQUIRE_ORACLES=1
fi

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSTOWFOLIO_WERROR=ON >/dev/null
cmake --build build-test -j "$jobs"
if $quick; then
    ctest --test-dir build-test --output-on-failure -j "$jobs" -LE slow
    echo "Quick run passed; left out: the slow tests, the sanitizer build, fuzzing, the package."
    exit 0
fi
ctest --test-dir build-test --output-on-failure -j "$jobs"

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSTOWFOLIO_SANITIZE=ON \
    -DSTOWFOLIO_INTEROP_TESTS=OFF >/dev/null
cmake --build build-sanitize -j "$jobs"
ctest --test-dir build-sanitize --output-on-failure -j "$jobs" -LE slow

if [ -f fuzz/run-fuzzer.sh ]; then
    fuzz/run-fuzzer.sh 60
fi

# The Debian package, built in its own folder and checked as a distribution and a desktop would.
deb=$(tools/build-deb.sh)
tools/check-package.sh "$deb"
