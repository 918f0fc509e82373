#!/bin/sh
# Installs what building and testing Quillet needs on a Debian 12 machine,
# and only what is missing: the compilers and tools, Wine with a virtual
# display, GnuPG 1.4 for the native tests, the OpenPGP programs that the
# interop tests exchange files with (GnuPG 2, RNP, gosop, Sequoia, and
# OpenPGP.js under Node.js), Japanese fonts and locale.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
# OpenPGP.js, pinned: the interop tests compare its behaviour, which a new
# version may change. Installed from the machine's npm registry into the
# git-ignored cache.
openpgp_js_version=6.3.2
openpgp_js_dir=$root/.cache/npm

packages="cmake g++ make g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth gnupg1 gnupg rnp gosop sqop sq locales
fonts-ipafont-gothic fonts-ipafont-mincho fp-utils libchm-bin googletest libbenchmark-dev
bzip2 xz-utils zip unzip ca-certificates clang libclang-rt-14-dev fonts-wine"
# Node.js comes with the machine or from Debian.
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
    packages="$packages nodejs npm"
fi

missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done
if [ -n "$missing" ]; then
    echo "setup: installing Debian packages:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $missing >/dev/null
    echo "setup: packages installed"
fi

# Wine takes its ANSI code page from the locale: ja_JP.UTF-8 gives 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    echo "setup: generating the ja_JP.UTF-8 locale"
    if grep -q '^# *ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
        sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    elif ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
        echo "ja_JP.UTF-8 UTF-8" >>/etc/locale.gen
    fi
    locale-gen >/dev/null
fi

installed=$(sed -n 's/^ *"version": *"\([^"]*\)".*/\1/p' \
    "$openpgp_js_dir/node_modules/openpgp/package.json" 2>/dev/null | head -n 1)
if [ "$installed" != "$openpgp_js_version" ]; then
    echo "setup: installing OpenPGP.js $openpgp_js_version into .cache/npm"
    mkdir -p "$openpgp_js_dir"
    npm install --prefix "$openpgp_js_dir" --no-save --no-audit --no-fund --loglevel=error \
        "openpgp@$openpgp_js_version" >/dev/null
fi
