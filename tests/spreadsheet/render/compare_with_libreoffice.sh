#!/bin/sh
# compare_with_libreoffice.sh IN.xls OUTDIR
#
# Writes OUTDIR/NAME.ours.png (our picture of the active sheet's used range at 100 %) and
# OUTDIR/NAME.libreoffice-N.png (LibreOffice's PDF of the same sheet at 96 dpi, one file a page)
# for a person to compare, and OUTDIR/NAME.gnumeric-N.png from Gnumeric when ssconvert is
# installed. Both print a copy of the workbook set to 100 % on A3 landscape without margins, so
# the images are at the same scale with A1 at the top left (Gnumeric adds its own page header).
#
# RENDER_SHEET names the render_sheet tool (default: build-render's).
set -eu

if [ $# -ne 2 ]; then
    echo "usage: $0 IN.xls OUTDIR" >&2
    exit 2
fi
input=$1
outdir=$2
here=$(cd "$(dirname "$0")" && pwd)
render_sheet=${RENDER_SHEET:-$here/../../../build-render/tools/render_sheet}
name=$(basename "$input" | sed 's/\.[^.]*$//')
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$outdir"
"$render_sheet" "$input" "$outdir/$name.ours.png" --print-copy "$work/$name.xls"
# A profile of its own keeps this LibreOffice apart from any other one running.
soffice -env:UserInstallation="file://$work/profile" --headless --convert-to pdf \
    --outdir "$work" "$work/$name.xls" >/dev/null 2>&1
pdftoppm -png -r 96 "$work/$name.pdf" "$outdir/$name.libreoffice"
if command -v ssconvert >/dev/null 2>&1; then
    ssconvert "$work/$name.xls" "$work/$name.gnumeric.pdf" >/dev/null 2>&1 &&
        pdftoppm -png -r 96 "$work/$name.gnumeric.pdf" "$outdir/$name.gnumeric"
fi
echo "ours:        $outdir/$name.ours.png"
ls "$outdir/$name".libreoffice*.png | sed 's/^/libreoffice: /'
ls "$outdir/$name".gnumeric*.png 2>/dev/null | sed 's/^/gnumeric:    /' || true
