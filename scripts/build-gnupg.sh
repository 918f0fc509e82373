#!/bin/sh
# Cross-builds GnuPG 1.4.23 for 64-bit Windows (gpg.exe) from Debian's source
# package, once, into .cache/gnupg. The machine's apt configuration is left
# alone: apt gets a private sources list and state folder for the download.
#
# One patch is applied to the source (gnupg-skip-compressed.patch beside this
# script): a file whose first bytes show it is compressed already (JPEG, PNG,
# GIF, WebP, ISO media such as MP4 and HEIC, Matroska, MP3, 7z, RAR, xz,
# zstd, CAB and PDF, besides gzip, bzip2 and zip) is not compressed again
# when it is encrypted, signed and encrypted alike. GnuPG's iconv code is
# left out, so that gpg.exe never looks for an "iconv.dll" to load.
#
# The build is reproducible: the same source gives the same gpg.exe in any
# folder at any time (the folder is mapped away from file names the compiler
# records, the linker writes no time stamp, and the result is stripped).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
cache="$root/.cache/gnupg"
version=1.4.23
patch_file="$here/gnupg-skip-compressed.patch"
tarball="gnupg1_${version}.orig.tar.bz2"
# How gpg.exe is made is this script and the patch: a cached gpg.exe that an
# earlier version of either made is built again.
recipe="$(cat "$here/build-gnupg.sh" "$patch_file" | sha256sum | cut -d' ' -f1)"
patch_sum="$(sha256sum <"$patch_file" | cut -d' ' -f1)"

mkdir -p "$cache/apt/lists/partial" "$cache/apt/parts" "$cache/apt/cache/archives/partial" \
    "$cache/download"

cd "$cache/download"
if [ ! -f "$tarball" ]; then
    # The Debian archive that the machine's own apt configuration names, for
    # the source package: the first "URIs:" of a deb822 sources file, or
    # the first "deb" line of a one-line sources list.
    mirror=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
        awk '/^URIs:/ && $2 !~ /security/ {print $2; exit}')
    if [ -z "$mirror" ]; then
        mirror=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
            awk '$1 == "deb" && $0 !~ /security/ {for (i = 2; i <= NF; i++) if ($i ~ /:\/\//) {print $i; exit}}')
    fi
    if [ -z "$mirror" ]; then
        echo "gnupg: this machine's apt configuration names no Debian archive to fetch" \
            "the source package gnupg1 $version from; add one to /etc/apt/sources.list.d/" >&2
        exit 1
    fi
    echo "deb-src $mirror bookworm main" >"$cache/apt/sources.list"
    apt_private="-o Dir::Etc::SourceList=$cache/apt/sources.list -o Dir::Etc::SourceParts=$cache/apt/parts
 -o Dir::State::Lists=$cache/apt/lists -o Dir::Cache=$cache/apt/cache -o APT::Sandbox::User=root"
    echo "gnupg: fetching Debian's source package of GnuPG $version with apt-get source"
    # shellcheck disable=SC2086
    apt-get -qq $apt_private update
    # The Debian packaging tarball may be missing from the mirror, which makes
    # apt fail after the upstream tarball and the .dsc have arrived: judge by
    # the files and the checksum instead of the exit code.
    # shellcheck disable=SC2086
    apt-get -qq $apt_private source --download-only "gnupg1=$version-1.1" >/dev/null 2>&1 || true
fi
dsc=$(ls gnupg1_${version}-*.dsc 2>/dev/null | head -n 1)
if [ -z "$dsc" ] || [ ! -f "$tarball" ]; then
    echo "gnupg: the source package could not be fetched (no .dsc or no $tarball)" >&2
    exit 1
fi
expected=$(awk '/^Checksums-Sha256:/ {on=1; next} /^[^ ]/ {on=0} on && $3 == "'"$tarball"'" {print $1}' "$dsc")
actual=$(sha256sum "$tarball" | cut -d' ' -f1)
if [ -z "$expected" ] || [ "$expected" != "$actual" ]; then
    echo "gnupg: checksum of $tarball does not match $dsc ($actual, expected $expected)" >&2
    rm -f "$tarball"
    exit 1
fi
# The note that travels with gpg.exe in the package: what it was built from
# and how to get that source, without naming any host (checked on every run,
# so that an older note is replaced).
write_note() {
    cat >"$cache/SOURCE.txt.new" <<NOTE
gpg.exe is GnuPG $version, built for 64-bit Windows with mingw-w64 from the
upstream source of Debian's source package gnupg1, version $version-1.1
($dsc; upstream tarball $tarball,
sha256 $actual),
with one patch of Quillet's, scripts/gnupg-skip-compressed.patch
(sha256 $patch_sum),
given in full below: a file that is compressed already (JPEG, PNG, GIF,
WebP, MP4/MOV/M4A/HEIC, Matroska/WebM, MP3, 7z, RAR, xz, zstd, CAB, PDF;
gzip, bzip2 and zip as before) is not compressed again when it is
encrypted.
To get the same source on Debian: apt-get source gnupg1=$version-1.1
(with a deb-src line for bookworm in the apt configuration), then
patch -p1 <gnupg-skip-compressed.patch in its folder gnupg-$version.
GnuPG is free software under the GNU General Public License version 3 or
later; see COPYING.
Configured with: --with-included-zlib --disable-bzip2 --disable-nls
--disable-card-support --disable-agent-support --disable-exec
--disable-keyserver-helpers --disable-regex --without-readline --disable-asm
--disable-gnupg-iconv

NOTE
    cat "$patch_file" >>"$cache/SOURCE.txt.new"
    if cmp -s "$cache/SOURCE.txt.new" "$cache/SOURCE.txt"; then
        rm -f "$cache/SOURCE.txt.new"
    else
        mv "$cache/SOURCE.txt.new" "$cache/SOURCE.txt"
    fi
}

if [ -f "$cache/gpg.exe" ] && [ "$(cat "$cache/RECIPE" 2>/dev/null)" = "$recipe" ]; then
    write_note
    exit 0
fi
rm -f "$cache/gpg.exe" "$cache/RECIPE"
echo "gnupg: $tarball verified (sha256 $actual)"

rm -rf "$cache/src" "$cache/build"
mkdir -p "$cache/src" "$cache/build"
tar -xjf "$tarball" -C "$cache/src"

echo "gnupg: configuring the cross build for x86_64-w64-mingw32"
# Only what the program uses: no smart cards, agent, keyservers, external
# programs, translations or bzip2. GCC 12 needs -fcommon for this code.
# Source file names in __FILE__ and debug information are written relative
# to the cache folder. The time in the PE header (written by strip) and in
# __DATE__, should any code use it, is that of the newest file of the
# source, so that gpg.exe depends on nothing but its source and recipe.
SOURCE_DATE_EPOCH=$(find "$cache/src" -type f -printf '%T@\n' | sort -n | tail -n 1 | cut -d. -f1)
export SOURCE_DATE_EPOCH
# The patched files take that time too, so that nothing of the build
# depends on when the patch was applied.
echo "gnupg: applying $(basename "$patch_file")"
patched=$(sed -n 's|^+++ b/\([^[:space:]]*\).*|\1|p' "$patch_file")
(cd "$cache/src/gnupg-$version" && patch -p1 -s --no-backup-if-mismatch <"$patch_file" &&
    touch -d "@$SOURCE_DATE_EPOCH" $patched)
cd "$cache/build"
"$cache/src/gnupg-$version/configure" --host=x86_64-w64-mingw32 --with-included-zlib \
    --disable-bzip2 --disable-nls --disable-card-support --disable-agent-support --disable-exec \
    --disable-keyserver-helpers --disable-ldap --disable-hkp --disable-finger --disable-generic \
    --disable-dns-srv --disable-dns-cert --disable-regex --without-readline --disable-asm \
    --disable-photo-viewers --disable-gnupg-iconv CFLAGS="-O2 -fcommon -ffile-prefix-map=$cache=." \
    LDFLAGS="-Wl,--no-insert-timestamp" >configure.log 2>&1 ||
    { tail -n 30 configure.log >&2; exit 1; }
echo "gnupg: building gpg.exe"
for part in zlib bzlib util mpi cipher; do
    make -C "$part" -j2 >>make.log 2>&1 || { tail -n 30 make.log >&2; exit 1; }
done
make -C g10 -j2 gpg.exe >>make.log 2>&1 || { tail -n 30 make.log >&2; exit 1; }
x86_64-w64-mingw32-strip -o "$cache/gpg.exe" g10/gpg.exe
cp "$cache/src/gnupg-$version/COPYING" "$cache/COPYING"
echo "$recipe" >"$cache/RECIPE"
write_note
echo "gnupg: $cache/gpg.exe ready"
