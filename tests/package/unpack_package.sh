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
# The shipped program holds no debug information (it would carry the build
# folder's paths) and imports only Windows' known DLLs: an import is loaded
# before the program runs, from the program's folder first unless it is a
# known DLL, whose own imports then come from the system folder too.
exe="$folder/$top/Quillet.exe"
if x86_64-w64-mingw32-objdump -h "$exe" | grep -q '\.debug'; then
    echo "package: $top/Quillet.exe holds debug sections" >&2
    exit 1
fi
for dll in $(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' |
    tr 'A-Z' 'a-z'); do
    case $dll in
    advapi32.dll | comdlg32.dll | gdi32.dll | kernel32.dll | msvcrt.dll | ole32.dll | \
        oleaut32.dll | shell32.dll | shlwapi.dll | user32.dll) ;;
    *)
        echo "package: Quillet.exe imports $dll, which Windows looks for beside it first" >&2
        exit 1
        ;;
    esac
done
