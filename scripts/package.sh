#!/bin/sh
# Makes the Windows package: a ZIP that, unpacked into an empty folder, is a
# complete program folder (Quillet.exe, manual.chm, bin/gpg.exe with GnuPG's
# licence and a note of its source, and a Japanese read-me).
#
#   scripts/package.sh <win64 build folder> <output .zip>
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=$1
output=$2
gnupg="$root/.cache/gnupg"
stage="$build/package-stage"

for file in "$build/Quillet.exe" "$build/manual.chm" "$gnupg/gpg.exe" "$gnupg/COPYING" \
    "$gnupg/SOURCE.txt"; do
    if [ ! -f "$file" ]; then
        echo "package: missing $file" >&2
        exit 1
    fi
done
rm -rf "$stage"
mkdir -p "$stage/bin"
cp "$build/Quillet.exe" "$build/manual.chm" "$stage/"
cp "$gnupg/gpg.exe" "$stage/bin/gpg.exe"
# Text files as Windows reads them best: CR LF line ends, UTF-8 with a BOM.
to_windows_text() {
    printf '\357\273\277' >"$2"
    sed 's/$/\r/' "$1" >>"$2"
}
to_windows_text "$gnupg/COPYING" "$stage/bin/GnuPG-COPYING.txt"
to_windows_text "$gnupg/SOURCE.txt" "$stage/bin/GnuPG-SOURCE.txt"
to_windows_text "$root/package/README-ja.txt" "$stage/README-ja.txt"

rm -f "$output"
(cd "$stage" && zip -q -X -r "$(cd "$(dirname "$output")" && pwd)/$(basename "$output")" .)
echo "package: $output"
