#!/bin/sh
# The other side of the GnuPG 2 exchange test: Debian's GnuPG 2 (gpg) as a
# person who uses it. Keys live in a private home folder made per run.
#
#   gnupg2_peer.sh make FOLDER TARO_PUBLIC_KEY
#       makes an RSA key (GnuPG's default) and an elliptic-curve key (its
#       future default), exports them armored and binary, and writes a
#       letter to Taro, signed and encrypted, with two detached signatures.
#   gnupg2_peer.sh check FOLDER
#       decrypts what Quillet encrypted for the peer (FOLDER/out) and checks
#       Quillet's signatures on it, then removes the private home folder.
set -eu

mode=$1
dir=$2

peer() {
    gpg --homedir "$home" --batch --pinentry-mode loopback --passphrase '' \
        --trust-model always "$@"
}
fingerprint() {
    gpg --homedir "$home" --with-colons --list-keys "$1" | awk -F: '$1 == "fpr" { print $10; exit }'
}
fail() {
    echo "gnupg2 peer: $*" >&2
    exit 1
}

case $mode in
make)
    rm -rf "$dir"
    mkdir -p "$dir/out"
    # A short path: gpg-agent's socket lives in the home folder.
    home=$(mktemp -d /tmp/qpeer.XXXXXX)
    echo "$home" >"$dir/home-path"
    trap 'gpgconf --homedir "$home" --kill gpg-agent 2>/dev/null' EXIT
    peer --quick-gen-key 'Peer Rsa <rsa@peer.example>' default default never 2>/dev/null
    peer --quick-gen-key 'Peer Curve <curve@peer.example>' future-default default never 2>/dev/null
    peer --armor --export rsa@peer.example >"$dir/rsa.asc"
    peer --export rsa@peer.example >"$dir/rsa.gpg"
    peer --armor --export curve@peer.example >"$dir/curve.asc"
    fingerprint rsa@peer.example >"$dir/rsa.fpr"
    peer --import "$3" 2>/dev/null
    printf 'A letter from a GnuPG 2 user.\n' >"$dir/letter.txt"
    peer -u rsa@peer.example -r "$(fingerprint taro@example.com)" --sign --encrypt \
        -o "$dir/letter.txt.gpg" "$dir/letter.txt"
    peer -u rsa@peer.example --detach-sign -o "$dir/letter.txt.sig" "$dir/letter.txt"
    peer -u curve@peer.example --detach-sign -o "$dir/letter-curve.sig" "$dir/letter.txt"
    ;;
check)
    home=$(cat "$dir/home-path")
    trap 'gpgconf --homedir "$home" --kill gpg-agent 2>/dev/null; rm -rf "$home"' EXIT
    out=$dir/out
    for encrypted in report-asc.gpg report-bin.gpg; do
        rm -f "$out/check.txt"
        peer --status-fd 1 -o "$out/check.txt" --decrypt "$out/$encrypted" >"$out/status" 2>/dev/null ||
            fail "$encrypted does not decrypt"
        grep -q '^\[GNUPG:\] VALIDSIG' "$out/status" || fail "$encrypted: no valid signature"
        cmp -s "$out/check.txt" "$out/report.txt" || fail "$encrypted: other content"
    done
    peer --status-fd 1 --verify "$out/report.txt.sig" "$out/report.txt" 2>/dev/null |
        grep -q '^\[GNUPG:\] VALIDSIG' || fail "report.txt.sig does not verify"
    echo "gnupg2 peer: Quillet's files decrypt and verify"
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac
