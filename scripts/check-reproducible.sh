#!/bin/sh
# Builds the Windows package twice from the checkout's last commit, each time
# in a fresh clone, the two in folders of different path lengths, and
# compares the two SHA256SUMS (the ZIP and every file in it) byte for byte.
# Uncommitted changes are not part of it. GnuPG's cross build is made anew
# in each clone; only its downloaded source is shared.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
started=$(date +%s)
work=$(mktemp -d "${TMPDIR:-/tmp}/quillet-reproducible.XXXXXX")
cleanup() { rm -rf "$work"; }
trap cleanup EXIT INT TERM

if [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
    echo "reproducible: uncommitted changes are left out; the last commit is built" >&2
fi
commit=$(git -C "$root" rev-parse HEAD)
for name in a build-in-a-folder-with-a-much-longer-name; do
    clone="$work/$name"
    git clone -q --no-hardlinks "$root" "$clone"
    git -C "$clone" checkout -q "$commit"
    if [ -d "$root/.cache/gnupg/download" ]; then
        mkdir -p "$clone/.cache/gnupg"
        cp -a "$root/.cache/gnupg/download" "$clone/.cache/gnupg/"
    fi
    echo "reproducible: building the package in $clone"
    (cd "$clone" && nice make package >"$work/$name.log" 2>&1) || {
        tail -n 40 "$work/$name.log" >&2
        exit 1
    }
done
first="$work/a/dist/SHA256SUMS"
second="$work/build-in-a-folder-with-a-much-longer-name/dist/SHA256SUMS"
took=$(($(date +%s) - started))
if ! cmp -s "$first" "$second"; then
    echo "reproducible: the two builds of $commit differ (${took}s):" >&2
    diff "$first" "$second" >&2 || true
    exit 1
fi
echo "reproducible: two builds of $commit in two folders are the same (${took}s):"
cat "$first"
