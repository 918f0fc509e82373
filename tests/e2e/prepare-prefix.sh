#!/bin/sh
# Makes the Wine prefix of the end-to-end tests, given as $1: like the
# prefix of the other tests (scripts/wine-run.sh makes it), with Wine's own
# desktop window of 1024 x 768 (a "virtual desktop"). Wine then draws every
# window's frame and title bar itself, so the screenshots show what a person
# sees, and the screen's size does not depend on whichever X display started
# the desktop. Later calls find the prefix ready and return at once.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
export QUILLET_WINEPREFIX="$1"
marker="$QUILLET_WINEPREFIX/e2e-prepared"
if [ -f "$marker" ]; then
    exit 0
fi
run() { "$root/scripts/wine-run.sh" "$@" >/dev/null; }
run reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
run reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f
# The registry reaches user.reg when the Wine server ends.
WINEPREFIX="$QUILLET_WINEPREFIX" wineserver -w
if ! grep -qs '^"Default"="1024x768"' "$QUILLET_WINEPREFIX/user.reg"; then
    echo "e2e: cannot set up the virtual desktop in $QUILLET_WINEPREFIX" >&2
    exit 1
fi
touch "$marker"
echo "e2e: made the Wine prefix $QUILLET_WINEPREFIX with a 1024x768 desktop"
