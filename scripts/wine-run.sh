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
