#!/bin/sh
# Puts the program folder together from the Windows build and starts
# Quillet.exe in it under Wine, on the user's own display:
#
#   scripts/run-app.sh [build folder] [program folder]
#
# (defaults: build/win64 and build/app). Only the program's own files are
# refreshed: Quillet.exe, bin/gpg.exe and, when the build made one,
# manual.chm. The folders conf/ (the user's keys and settings) and pubkey/,
# which Quillet makes at its first start, stay from one run to the next.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build="${1:-$root/build/win64}"
app="${2:-$root/build/app}"

refresh() {
    if ! cmp -s "$1" "$2" 2>/dev/null; then
        cp "$1" "$2"
    fi
}

mkdir -p "$app/bin"
refresh "$build/Quillet.exe" "$app/Quillet.exe"
refresh "$root/.cache/gnupg/gpg.exe" "$app/bin/gpg.exe"
if [ -f "$build/manual.chm" ]; then
    refresh "$build/manual.chm" "$app/manual.chm"
fi

if [ -z "${DISPLAY:-}" ]; then
    echo "run: no DISPLAY is set, so Quillet has no screen to open its window on; the program folder $app is ready: run 'make run' again from a desktop session (or over ssh -X)."
    exit 0
fi
echo "run: starting $app/Quillet.exe under Wine on display $DISPLAY"
QUILLET_DISPLAY="$DISPLAY" exec "$here/wine-run.sh" "$app/Quillet.exe"
