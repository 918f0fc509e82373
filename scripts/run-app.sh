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
#
# Without a display there is no screen for the window; then the end-to-end
# test program (the build's tests/quillet_e2e_tests.exe) works Quillet on a
# virtual screen instead, as a walkthrough: the first start with the key
# setup in a fresh program folder (build/walkthrough/program), then every
# operation between two test users. Each step keeps one screenshot in
# build/walkthrough/ and prints one line; each row prints its outcome.
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
    echo "run: no DISPLAY is set, so Quillet cannot open its window on a screen of yours (the program folder $app is ready for a run from a desktop session or over ssh -X); here is a scripted walkthrough on a virtual screen instead."
    walkthrough="$root/build/walkthrough"
    prefix="$root/build/walkthrough-wineprefix"
    mkdir -p "$walkthrough"
    sh "$root/tests/e2e/prepare-prefix.sh" "$prefix"
    # The test users' keys that the operations use, made once per build.
    ctest --test-dir "$build" -R '^test_keys_setup$' >/dev/null
    rm -f "$walkthrough"/*.bmp
    # Wine's own chatter (the volume label of drive Z:, the virtual screen
    # going away) is left out; the walkthrough's exit status is kept.
    status_file=$(mktemp)
    {
        status=0
        QUILLET_WINEPREFIX="$prefix" "$here/wine-run.sh" "$build/tests/quillet_e2e_tests.exe" \
            --program="$build/Quillet.exe" --screenshots="$walkthrough" \
            --gtest_filter='FirstStart.*:Operations.*' 2>&1 || status=$?
        echo "$status" >"$status_file"
    } | grep -v -e '^wine: Read access denied for device' -e '^X connection to .* broken'
    status=$(cat "$status_file")
    rm -f "$status_file"
    exit "$status"
fi
echo "run: starting $app/Quillet.exe under Wine on display $DISPLAY"
QUILLET_DISPLAY="$DISPLAY" exec "$here/wine-run.sh" "$app/Quillet.exe"
