#!/bin/sh
# Unpacks the Windows package into a fresh, empty folder for the package
# test, and checks that everything in it lies in its one folder
# Quillet-<version>/, so that "extract here" scatters nothing.
#
#   unpack_package.sh <package.zip> <empty folder to make> <version>
set -eu
package=$1
folder=$2
top="Quillet-$3"
rm -rf "$folder"
mkdir -p "$folder"
unzip -q "$package" -d "$folder"
outside=$(ls -A "$folder" | grep -vx "$top" || true)
if [ -n "$outside" ]; then
    echo "package: entries outside $top/: $outside" >&2
    exit 1
fi
for file in Quillet.exe manual.chm bin/gpg.exe; do
    if [ ! -f "$folder/$top/$file" ]; then
        echo "package: $top/$file is missing" >&2
        exit 1
    fi
done
