#!/bin/sh
# The other side of the GnuPG 2 exchange test: Debian's GnuPG 2 (gpg) as a
# person who uses it. Keys live in a private home folder made per run.
#
#   gnupg2_peer.sh make FOLDER TARO_PUBLIC_KEY
#       makes an RSA key (GnuPG's default) and an elliptic-curve key (its
#       future default), exports them armored and binary, and writes a
#       letter to Taro, signed and encrypted, with two detached signatures;
#       the same signed by a key revoked afterwards and by one that has
#       expired since, an expired key to encrypt for, and a letter that
#       GnuPG 1.4 encrypts without protection against tampering; keys whose
#       user IDs are a Japanese name, a name with ':', '\' and a letter
#       that code page 932 lacks, and one in Shift_JIS bytes.
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
    taro=$(fingerprint taro@example.com)

    # Signed while the key was good, then revoked (its owner lost it, say):
    # GnuPG 2 keeps a revocation certificate whose armor line starts with ':'.
    peer --quick-gen-key 'Peer Revoked <revoked@peer.example>' rsa2048 default never 2>/dev/null
    revoked=$(fingerprint revoked@peer.example)
    peer --quick-add-key "$revoked" rsa2048 encr never 2>/dev/null
    peer -u "$revoked" --detach-sign -o "$dir/revoked.sig" "$dir/letter.txt"
    peer -u "$revoked" -r "$taro" --sign --encrypt -o "$dir/revoked.txt.gpg" "$dir/letter.txt"
    sed 's/^:-----BEGIN/-----BEGIN/' "$home/openpgp-revocs.d/$revoked.rev" >"$dir/revocation.asc"
    peer --import "$dir/revocation.asc" 2>/dev/null
    peer --export "$revoked" >"$dir/revoked.gpg"

    # Made ten days ago to last one day; Taro's key is younger than that.
    then=$(($(date +%s) - 864000))
    past="--faked-system-time $then --ignore-time-conflict --ignore-valid-from"
    # shellcheck disable=SC2086
    {
        peer $past --quick-gen-key 'Peer Expired <expired@peer.example>' rsa2048 default 1d
        expired=$(fingerprint expired@peer.example)
        peer $past --quick-add-key "$expired" rsa2048 encr 1d
        peer $past -u "$expired" --detach-sign -o "$dir/expired.sig" "$dir/letter.txt"
        peer $past -u "$expired" -r "$taro" --sign --encrypt -o "$dir/expired.txt.gpg" \
            "$dir/letter.txt"
    } 2>/dev/null
    peer --export "$expired" >"$dir/expired.gpg"

    # User IDs as today's programs write them: UTF-8 (whatever the locale).
    for name in '山田 太郎 <yamada@peer.example>' 'Café: Sales\Team <cafe@peer.example>'; do
        peer --display-charset utf-8 --quick-gen-key "$name" rsa1024 default never 2>/dev/null
    done
    peer --export '<yamada@peer.example>' >"$dir/yamada.gpg"
    fingerprint '<yamada@peer.example>' >"$dir/yamada.fpr"
    peer --export '<cafe@peer.example>' >"$dir/cafe.gpg"

    # What old programs make, and attacks that rewrite encrypted files.
    old=$(mktemp -d /tmp/qpeer1.XXXXXX)
    gpg1 --homedir "$old" --batch --quiet --import "$3" 2>/dev/null
    gpg1 --homedir "$old" --batch --always-trust --disable-mdc --cipher-algo cast5 -r "$taro" \
        -o "$dir/unprotected.txt.gpg" -e "$dir/letter.txt" 2>/dev/null
    # A user ID in the bytes of code page 932, as programs of old wrote it.
    printf 'Key-Type: RSA\nKey-Length: 1024\nName-Real: 能美 太郎\nName-Email: nomi@example.jp\n' |
        iconv -f UTF-8 -t CP932 >"$old/params"
    gpg1 --homedir "$old" --batch --quiet --gen-key "$old/params" 2>/dev/null
    gpg1 --homedir "$old" --export nomi@example.jp >"$dir/sjis.gpg"
    rm -rf "$old"
    for made in revoked.sig revoked.txt.gpg revoked.gpg expired.sig expired.txt.gpg \
        expired.gpg unprotected.txt.gpg yamada.gpg cafe.gpg sjis.gpg; do
        [ -s "$dir/$made" ] || fail "$made was not made"
    done
    ;;
check)
    home=$(cat "$dir/home-path")
    trap 'gpgconf --homedir "$home" --kill gpg-agent 2>/dev/null; rm -rf "$home"' EXIT
    out=$dir/out
    # Run with only some of the tests that use the peer (ctest -L e2e), the
    # exchange test made nothing to check; it fails itself when it should have.
    if [ ! -f "$out/report.txt" ]; then
        echo "gnupg2 peer: the exchange test did not run; nothing of Quillet's to check"
        exit 0
    fi
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
