#!/usr/bin/env bash
# Checks a built Debian package the way a distribution and a desktop would see it: the files
# it holds, its control fields, the desktop entry, AppStream data and manual page validators,
# lintian, and the installed program started from a folder it cannot write to.
# Usage: tools/check-package.sh stowfolio_VERSION_ARCH.deb
set -euo pipefail
deb=$(realpath "$1")
cd "$(dirname "$0")/.."
id=example.quillane.stowfolio
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
failures=0
fail() {
    echo "package check: $*" >&2
    failures=$((failures + 1))
}

# The committed pictures are what the drawing script makes today; an edited drawing whose
# outputs were not regenerated (or the reverse) shows here.
python3 resources/draw_assets.py "$work/drawn"
drawn=$(cd "$work/drawn" && find . -type f | LC_ALL=C sort)
[ "$drawn" = "$(cd resources && find HAND-M.CUR stowfolio.png icons -type f -printf './%p\n' |
    LC_ALL=C sort)" ] || fail "resources/draw_assets.py draws other files than resources/ holds"
for file in $drawn; do
    cmp -s "resources/$file" "$work/drawn/$file" ||
        fail "resources/$file differs from what resources/draw_assets.py draws"
done

# Exactly these files, so nothing from a build folder or a stray install rule slips in.
expected="./usr/bin/stowfolio
./usr/share/applications/$id.desktop
./usr/share/doc/stowfolio/changelog.gz
./usr/share/doc/stowfolio/copyright
./usr/share/icons/hicolor/128x128/apps/$id.png
./usr/share/icons/hicolor/16x16/apps/$id.png
./usr/share/icons/hicolor/256x256/apps/$id.png
./usr/share/icons/hicolor/32x32/apps/$id.png
./usr/share/icons/hicolor/48x48/apps/$id.png
./usr/share/icons/hicolor/64x64/apps/$id.png
./usr/share/icons/hicolor/scalable/apps/$id.svg
./usr/share/man/man1/stowfolio.1.gz
./usr/share/metainfo/$id.metainfo.xml
./usr/share/stowfolio/HAND-M.CUR
./usr/share/stowfolio/x/o.cjs"
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | LC_ALL=C sort)
if [ "$actual" != "$(LC_ALL=C sort <<<"$expected")" ]; then
    fail "the package's files are not the expected ones:"
    diff <(LC_ALL=C sort <<<"$expected") <(echo "$actual") >&2 || true
fi

root=$work/root
dpkg-deb -x "$deb" "$root"
share=$root/usr/share

# Each PNG is drawn for the size its folder names.
for size in 16 32 48 64 128 256; do
    file -b "$share/icons/hicolor/${size}x${size}/apps/$id.png" |
        grep -q "^PNG image data, $size x $size," || fail "the ${size}x${size} icon is not $size pixels"
done

# One version everywhere: the program, the package, the release notes and the manual page.
version=$("$root/usr/bin/stowfolio" --version | sed -n 's/^stowfolio //p')
[ -n "$version" ] || fail "stowfolio --version printed no version"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
newest_release=$(grep -o '<release version="[^"]*"' "$share/metainfo/$id.metainfo.xml" |
    head -1 | cut -d'"' -f2)
[ "$newest_release" = "$version" ] || fail "newest AppStream release $newest_release, not $version"
zcat "$share/doc/stowfolio/changelog.gz" | head -1 | grep -qF "stowfolio ($version)" ||
    fail "the changelog's newest entry is not $version"
zcat "$share/man/man1/stowfolio.1.gz" | grep -q "^\.TH .*\"Stowfolio $version\"" ||
    fail "the manual page is not for version $version"

for field in Maintainer Section Homepage Description; do
    [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "control field $field is empty"
done
depends=$(dpkg-deb -f "$deb" Depends)
for needed in fonts-liberation fonts-crosextra-carlito libqt6widgets6 libgsf-1-114 libexif12 \
    libheif1 libzip4; do
    grep -qw -- "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
done
# Installing the program must not bring a tool chain or a test tool along.
if tr ',' '\n' <<<"$depends" | grep -Eq -- '-dev\b|^ *(gcc|g\+\+|clang|cmake|ninja-build|build-essential|lintian)\b'; then
    fail "Depends names a build or test tool: $depends"
fi

# The desktop's own validators, quiet when all is well.
output=$(desktop-file-validate "$share/applications/$id.desktop" 2>&1) || true
[ -z "$output" ] || fail "desktop-file-validate: $output"
grep -qx "Icon=$id" "$share/applications/$id.desktop" || fail "the desktop entry's icon is not $id"
output=$(appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" 2>&1) ||
    fail "appstreamcli validate: $output"
if grep -Eq '^[EW]:' <<<"$output"; then
    fail "appstreamcli validate: $output"
fi
output=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$share/man/man1/stowfolio.1.gz" 2>&1 \
    >"$work/man.txt") || fail "man could not render the manual page"
[ -z "$output" ] || fail "the manual page renders with warnings: $output"
# Every long option --help lists has its own entry in the manual page: a line indented like
# the entries of OPTIONS that starts with it (after its short form, if any).
for option in $("$root/usr/bin/stowfolio" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -Eq -- "^ {7}(-[[:alnum:]], )?$option( |\$)" "$work/man.txt" ||
        fail "the manual page has no entry for $option"
done

status=0
output=$(lintian --fail-on error "$deb" 2>&1) || status=$?
grep -v '^running with root privileges' <<<"$output" || true
[ "$status" -eq 0 ] || fail "lintian reports errors"

# lintian reads the machine-readable form of a copyright file (its fields, licence names and
# licence paragraphs, and whether the AppStream data's licence agrees) only in a source
# package. So the installed copyright file is checked again as the debian/copyright of a
# throwaway source package that holds the AppStream file where the tree holds it; any remark
# of lintian's about the copyright or a licence fails.
copyright_check=$work/source/stowfolio-$version
mkdir -p "$copyright_check/debian/source" "$copyright_check/resources/desktop"
cp "$share/doc/stowfolio/copyright" "$copyright_check/debian/copyright"
cp "$share/metainfo/$id.metainfo.xml" "$copyright_check/resources/desktop/"
zcat "$share/doc/stowfolio/changelog.gz" >"$copyright_check/debian/changelog"
echo "3.0 (native)" >"$copyright_check/debian/source/format"
printf 'Source: stowfolio\nMaintainer: %s\nStandards-Version: 4.6.2\n\nPackage: stowfolio\nArchitecture: any\nDescription: %s\n' \
    "$(dpkg-deb -f "$deb" Maintainer)" "$(dpkg-deb -f "$deb" Description | head -1)" \
    >"$copyright_check/debian/control"
if (cd "$work/source" && dpkg-source -b "stowfolio-$version" >/dev/null 2>&1); then
    output=$(lintian --display-level '>=pedantic' "$work/source/stowfolio_$version.dsc" 2>&1 |
        grep -E '^[A-Z]: [^ ]+ source: [^ ]*(copyright|licen[cs]e)' || true)
    [ -z "$output" ] || fail "lintian on the copyright file: $output"
else
    fail "no source package could be made to check the copyright file with lintian"
fi

# Nothing in the package names the folder it was built in.
if grep -rlaF "$PWD" "$root" >&2; then
    fail "these installed files name the build folder $PWD"
fi

# The installed program, run as a user who cannot write to the folder it starts in. Root can
# write anywhere, so as root it runs as nobody.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    as_user=(runuser -u nobody --)
fi
mkdir -m 777 "$work/home"
run() {
    (cd / && "${as_user[@]}" env -i PATH="$root/usr/bin:/usr/bin:/bin" HOME="$work/home" \
        XDG_CONFIG_HOME="$work/home/config" TMPDIR="$work/home/tmp" "$@")
}
mkdir -m 777 "$work/home/tmp"
run stowfolio --export "$work/home/inventory.xls" || fail "--export failed"
run stowfolio --render "$work/home/inventory.xls" "$work/home/inventory.png" || fail "--render failed"
file -b "$work/home/inventory.png" 2>/dev/null | grep -q '^PNG image data' ||
    fail "--render wrote no PNG"
# The desktop entry's command starts the window and keeps running until it is closed.
exec_line=$(sed -n 's/^Exec=//p' "$share/applications/$id.desktop")
status=0
run QT_QPA_PLATFORM=offscreen timeout 5 $exec_line >/dev/null 2>&1 || status=$?
[ "$status" -eq 124 ] || fail "'$exec_line' from the desktop entry ended with status $status"

if [ "$failures" -ne 0 ]; then
    echo "package check: $failures problem(s) in $deb" >&2
    exit 1
fi
echo "package check: $deb is fine"
