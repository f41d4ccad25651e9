#!/usr/bin/env bash
# Installs the Debian packages a command needs, or says how to when we may not.
# Usage: source this file, then: ensure_packages pkg1 pkg2 ...
ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    if [ "$(id -u)" -ne 0 ]; then
        echo "These packages are missing. Install them with:" >&2
        echo "  sudo apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}"
}

# What building and running the program needs.
RUNTIME_PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev
    libgsf-1-dev libsqlite3-dev libexif-dev libheif-dev libssl-dev libzip-dev zlib1g-dev
    fonts-liberation fonts-crosextra-carlito fonts-crosextra-caladea)
# What building the tests and running the fast ones needs (./test.sh --quick): the unit test
# and benchmark frameworks, and poppler, with which the report test reads the PDF it printed.
QUICK_TEST_PACKAGES=(libgtest-dev libgmock-dev libbenchmark-dev poppler-utils)
# What the whole test suite adds: sanitizer and fuzzer runtimes, the independent spreadsheet
# readers that check every workbook we write, the zip programs that check every claim kit, and
# the tools that check the Debian package as a distribution would.
TEST_PACKAGES=("${QUICK_TEST_PACKAGES[@]}" clang libclang-rt-14-dev
    python3 python3-xlrd libreoffice-calc-nogui gnumeric zip unzip p7zip-full
    dpkg-dev file desktop-file-utils appstream lintian man-db groff-base)
# npm may already come with another Node.js build; Debian's packages are needed only without it.
NODE_PACKAGES=(nodejs npm)
