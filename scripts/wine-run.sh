#!/bin/sh
# Runs a Windows program under Wine the way the tests need it: a private Wine
# prefix, the Japanese locale (so the ANSI code page is 932), no Wine debug
# chatter, and a virtual X display of its own (without a display Wine gives a
# console program such as gpg.exe no working console).
#
#   scripts/wine-run.sh program.exe [arguments...]
#   scripts/wine-run.sh --prepare      (only make the prefix)
#
# QUILLET_WINEPREFIX chooses the prefix (default: build/wineprefix in the
# checkout); it is created on first use.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
export WINEPREFIX="${QUILLET_WINEPREFIX:-$root/build/wineprefix}"
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

mkdir -p "$(dirname "$WINEPREFIX")"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    (
        flock 9
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            echo "wine: making the Wine prefix $WINEPREFIX" >&2
            wineboot -i >/dev/null 2>&1 || true
            wineserver -w || true
        fi
    ) 9>"$WINEPREFIX.lock"
fi
# The dialogs name the fonts of a Japanese Windows. Wine has none of them and
# would draw their texts in a wider fixed-pitch font, cutting them off; the
# IPA fonts of the same cut (proportional for the P fonts) keep the layout.
# Done once per prefix, also for a prefix made before this step existed.
fonts_marker="$WINEPREFIX/.quillet-fonts"
if [ ! -f "$fonts_marker" ]; then
    (
        flock 9
        if [ ! -f "$fonts_marker" ]; then
            for pair in "ＭＳ Ｐゴシック=IPAPGothic" "ＭＳ Ｐ明朝=IPAPMincho" \
                "ＭＳ ゴシック=IPAGothic" "ＭＳ 明朝=IPAMincho"; do
                wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${pair%%=*}" \
                    /t REG_SZ /d "${pair#*=}" /f >/dev/null 2>&1 || true
            done
            touch "$fonts_marker"
        fi
    ) 9>"$WINEPREFIX.lock"
fi
# Wine does not look for fonts in its own data folder, so the prefix gets
# copies of those the program's look depends on (from the Debian package
# fonts-wine): Marlett, with which Wine draws the symbols of title-bar
# buttons, scroll bars and check marks (without it they show the letters
# "0", "1" and "r"), and the Japanese bitmap fonts. jvgasys.fon is the System
# font of code page 932 with the metrics of a Japanese Windows: its widest
# character is 16 pixels, so the four mode buttons (four of those each) take
# 256 pixels and fit the window. Without it Wine falls back to IPAGothic,
# whose widest character is 22 pixels, and the fourth button is cut off.
for font in marlett.ttf jvgasys.fon jvgafix.fon; do
    if [ ! -f "/usr/share/wine/fonts/$font" ]; then
        echo "wine: /usr/share/wine/fonts/$font is missing (install fonts-wine)" >&2
    elif [ -d "$WINEPREFIX/drive_c/windows/Fonts" ] &&
        [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/$font" ]; then
        cp "/usr/share/wine/fonts/$font" "$WINEPREFIX/drive_c/windows/Fonts/$font" 2>/dev/null || true
    fi
done
if [ "${1:-}" = "--prepare" ]; then
    exit 0
fi

# A display of our own, unless the caller gives one (QUILLET_DISPLAY).
xvfb_pid=""
cleanup() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT INT TERM
if [ -n "${QUILLET_DISPLAY:-}" ]; then
    export DISPLAY="$QUILLET_DISPLAY"
else
    fifo=$(mktemp -u "${TMPDIR:-/tmp}/quillet-xvfb.XXXXXX")
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    xvfb_pid=$!
    read -r number <"$fifo"
    rm -f "$fifo"
    export DISPLAY=":$number"
fi

status=0
wine "$@" || status=$?
exit "$status"
