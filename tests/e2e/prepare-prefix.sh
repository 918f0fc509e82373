#!/bin/sh
# Makes the Wine prefix of the end-to-end tests, given as $1: like the
# prefix of the other tests, with two additions for screenshots that show
# what a person sees on a Japanese Windows:
# - Wine's own desktop window of 1024 x 768 (a "virtual desktop"). Wine then
#   draws every window's frame and title bar itself, and the screen's size
#   does not depend on whichever X display started the desktop.
# - The Japanese Windows fonts that the dialogs name are replaced by the IPA
#   fonts of the same kind (proportional for proportional). Without them Wine
#   falls back to a fixed-width font whose wider text is cut off by the
#   dialogs' labels.
# Later calls find the prefix ready and return at once.
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
for pair in "ＭＳ Ｐ明朝=IPAPMincho" "ＭＳ Ｐゴシック=IPAPGothic" \
            "ＭＳ 明朝=IPAMincho" "ＭＳ ゴシック=IPAGothic"; do
    run reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${pair%%=*}" /d "${pair#*=}" /f
done
# The registry reaches user.reg when the Wine server ends.
WINEPREFIX="$QUILLET_WINEPREFIX" wineserver -w
if ! grep -qs '^"Default"="1024x768"' "$QUILLET_WINEPREFIX/user.reg" ||
    ! grep -qs '="IPAPMincho"' "$QUILLET_WINEPREFIX/user.reg"; then
    echo "e2e: cannot set up the Wine prefix $QUILLET_WINEPREFIX" >&2
    exit 1
fi
touch "$marker"
echo "e2e: made the Wine prefix $QUILLET_WINEPREFIX (1024x768 desktop, font replacements)"
