#!/bin/sh
# Makes the Windows package: a ZIP holding one folder, Quillet-<version>/,
# that is a complete program folder (Quillet.exe, manual.chm, bin/gpg.exe
# with GnuPG's licence and a note of its source, and a Japanese read-me),
# and beside it SHA256SUMS, the checksums of the ZIP and of every file in it.
#
#   scripts/package.sh <win64 build folder> <output .zip> <version>
#
# The same commit gives the same bytes, wherever and whenever it is built:
# Quillet.exe is stripped (no debug information, which holds the build
# folder's paths; gpg.exe comes stripped), every time stamp is the commit's (scripts/source-date-
# epoch.sh), and the ZIP lists its entries sorted, with fixed permissions
# and no extra fields. An unchanged ZIP is left as it is.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=$1
output=$2
version=$3
gnupg="$root/.cache/gnupg"
stage="$build/package-stage"
top="Quillet-$version"
program="$stage/$top"

for file in "$build/Quillet.exe" "$build/manual.chm" "$gnupg/gpg.exe" "$gnupg/COPYING" \
    "$gnupg/SOURCE.txt"; do
    if [ ! -f "$file" ]; then
        echo "package: missing $file" >&2
        exit 1
    fi
done
# strip writes this time into the PE header; zip takes the files' times.
SOURCE_DATE_EPOCH=$("$here/source-date-epoch.sh")
export SOURCE_DATE_EPOCH
export TZ=UTC

rm -rf "$stage"
mkdir -p "$program/bin"
x86_64-w64-mingw32-strip -o "$program/Quillet.exe" "$build/Quillet.exe"
cp "$gnupg/gpg.exe" "$program/bin/gpg.exe"  # stripped by its own build
cp "$build/manual.chm" "$program/manual.chm"
sh "$root/resources/manual/set_chm_time.sh" "$program/manual.chm" "$SOURCE_DATE_EPOCH"
# Text files as Windows reads them best: CR LF line ends, UTF-8 with a BOM.
to_windows_text() {
    printf '\357\273\277' >"$2"
    sed 's/$/\r/' "$1" >>"$2"
}
to_windows_text "$gnupg/COPYING" "$program/bin/GnuPG-COPYING.txt"
to_windows_text "$gnupg/SOURCE.txt" "$program/bin/GnuPG-SOURCE.txt"
to_windows_text "$root/package/README-ja.txt" "$program/README-ja.txt"

find "$program" -type d -exec chmod 755 {} +
find "$program" -type f -exec chmod 644 {} +
find "$program" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

zip_name=$(basename "$output")
new="$stage/$zip_name"
(cd "$stage" && find "$top" | LC_ALL=C sort | zip -q -X -@ "$zip_name")
# The checksums: the ZIP's first, then its files in the ZIP's order.
(
    cd "$stage"
    sha256sum "$zip_name"
    find "$top" -type f | LC_ALL=C sort | xargs sha256sum
) >"$stage/SHA256SUMS"

sums="$(dirname "$output")/SHA256SUMS"
if ! cmp -s "$new" "$output" || ! cmp -s "$stage/SHA256SUMS" "$sums"; then
    mv "$new" "$output"
    mv "$stage/SHA256SUMS" "$sums"
fi
echo "package: $output"
