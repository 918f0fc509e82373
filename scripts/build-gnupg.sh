#!/bin/sh
# Cross-builds GnuPG 1.4.23 for 64-bit Windows (gpg.exe) from Debian's source
# package, once, into .cache/gnupg. The machine's apt configuration is left
# alone: apt gets a private sources list and state folder for the download.
#
# The build is reproducible: the same source gives the same gpg.exe in any
# folder at any time (the folder is mapped away from file names the compiler
# records, the linker writes no time stamp, and the result is stripped).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
cache="$root/.cache/gnupg"
version=1.4.23
tarball="gnupg1_${version}.orig.tar.bz2"
# How gpg.exe is made is this script: a cached gpg.exe that an earlier
# version of it made is built again.
recipe="$(sha256sum <"$here/build-gnupg.sh" | cut -d' ' -f1)"

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
unchanged upstream source of Debian's source package gnupg1, version
$version-1.1 ($dsc; upstream tarball $tarball, sha256 $actual).
To get the same source on Debian: apt-get source gnupg1=$version-1.1
(with a deb-src line for bookworm in the apt configuration).
GnuPG is free software under the GNU General Public License version 3 or
later; see COPYING.
Configured with: --with-included-zlib --disable-bzip2 --disable-nls
--disable-card-support --disable-agent-support --disable-exec
--disable-keyserver-helpers --disable-regex --without-readline --disable-asm
NOTE
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
cd "$cache/build"
echo "gnupg: configuring the cross build for x86_64-w64-mingw32"
# Only what the program uses: no smart cards, agent, keyservers, external
# programs, translations or bzip2. GCC 12 needs -fcommon for this code.
# Source file names in __FILE__ and debug information are written relative
# to the cache folder. The time in the PE header (written by strip) and in
# __DATE__, should any code use it, is that of the newest file of the
# source, so that gpg.exe depends on nothing but its source and recipe.
SOURCE_DATE_EPOCH=$(find "$cache/src" -type f -printf '%T@\n' | sort -n | tail -n 1 | cut -d. -f1)
export SOURCE_DATE_EPOCH
"$cache/src/gnupg-$version/configure" --host=x86_64-w64-mingw32 --with-included-zlib \
    --disable-bzip2 --disable-nls --disable-card-support --disable-agent-support --disable-exec \
    --disable-keyserver-helpers --disable-ldap --disable-hkp --disable-finger --disable-generic \
    --disable-dns-srv --disable-dns-cert --disable-regex --without-readline --disable-asm \
    --disable-photo-viewers CFLAGS="-O2 -fcommon -ffile-prefix-map=$cache=." \
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
