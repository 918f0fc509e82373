#!/bin/sh
# The other side of the exchange with today's OpenPGP programs: RNP (the
# engine of Thunderbird), GopenPGP (Proton's, through gosop), Sequoia (sq and
# sqop) and OpenPGP.js (Proton's web mail, Mailvelope and FlowCrypt; through
# openpgp_js.cjs under Node.js, with NODE_PATH naming the folder that holds
# the package). Their RSA keys are made per run in a private folder; each row
# below is one thing a person who uses that program does with Quillet's keys
# and files, and the expected outcome.
#
#   openpgp_peers.sh make FOLDER TARO_PUBLIC_KEY OLD_STYLE_KEY_FOLDER
#       makes the peers' keys and their signed and encrypted letters and
#       detached signatures for Taro (whose key the program's own key
#       generation made).
#   openpgp_peers.sh check FOLDER
#       checks what Quillet made for the peers (FOLDER/out), records which
#       peers take a key of an earlier program folder after one start, then
#       removes the private folder.
set -eu

mode=$1
dir=$2
here=$(cd "$(dirname "$0")" && pwd)
# The peers that speak the stateless OpenPGP command line, and RNP.
sop_peers="gosop sequoia openpgp-js"
failed=0

fail() {
    echo "openpgp peers: $*" >&2
    exit 1
}
# row NAME COMMAND...: runs the row, prints its outcome, remembers a failure.
row() {
    name=$1
    shift
    if "$@" >"$work/row.log" 2>&1; then
        echo "ok    $name"
    else
        echo "FAIL  $name"
        sed 's/^/      /' "$work/row.log"
        failed=1
    fi
}
label() {
    case $1 in
    gnupg2) echo "GnuPG 2" ;;
    rnp) echo RNP ;;
    gosop) echo GopenPGP ;;
    sequoia) echo Sequoia ;;
    openpgp-js) echo OpenPGP.js ;;
    esac
}
# sop PEER ARGUMENTS...: the peer's stateless OpenPGP command line.
sop() {
    tool=$1
    shift
    case $tool in
    gosop) gosop "$@" ;;
    sequoia) sqop "$@" ;;
    openpgp-js) node "$here/openpgp_js.cjs" "$@" ;;
    esac
}
rnp_() {
    rnp --homedir "$work/rnp" --notty --password '' --overwrite "$@"
}
rnpkeys_() {
    rnpkeys --homedir "$work/rnp" --notty "$@"
}
gpg2_() {
    gpg --homedir "$work/gnupg2" --batch --quiet --trust-model always "$@"
}

# A key that RNP imports as valid: no "[INVALID]" in its listing.
rnp_takes_key() {
    home=$(mktemp -d "$work/rnpcheck.XXXXXX")
    rnpkeys --homedir "$home" --notty --import "$1" >"$home/listing" 2>&1
    cat "$home/listing"
    ! grep -q 'INVALID' "$home/listing"
}
rnp_takes_old_key_before() {
    ! rnp_takes_key "$1"
}
rnp_letter() {
    rnp_ -e -s -r taro@example.com -u rnp@peer.example --output "$dir/letter-rnp.gpg" \
        "$dir/letter.txt"
}
rnp_signs() {
    rnp_ -s --detach -u rnp@peer.example --output "$dir/letter-rnp.sig" "$dir/letter.txt"
}
sop_letter() {
    sop "$1" encrypt --sign-with "$work/$1.key" "$taro" <"$dir/letter.txt" >"$dir/letter-$1.gpg"
}
sop_signs() {
    sop "$1" sign "$work/$1.key" <"$dir/letter.txt" >"$dir/letter-$1.sig"
}
rnp_verifies_detached() {
    rnp_ --keyfile "$taro" -v "$out/report.txt.sig" --source "$out/report.txt"
}
rnp_decrypts() {
    rnp_ -d --output "$work/from-quillet-rnp.txt" "$out/for-rnp.gpg" 2>&1 | tee "$work/rnp-d.log"
    grep -q 'Good signature' "$work/rnp-d.log" && cmp "$work/from-quillet-rnp.txt" "$out/report.txt"
}
sop_verifies_detached() {
    sop "$1" verify "$out/report.txt.sig" "$taro" <"$out/report.txt"
}
sop_decrypts() {
    rm -f "$work/$1-verified"
    sop "$1" decrypt --verify-with "$taro" --verify-out "$work/$1-verified" "$work/$1.key" \
        <"$out/for-$1.gpg" >"$work/from-quillet-$1.txt"
    test -s "$work/$1-verified" && cmp "$work/from-quillet-$1.txt" "$out/report.txt"
}

# What PEER does with the key of an earlier program folder after one start
# (out/old-pubring.gpg, named by its unchanged fingerprint) and with a
# signature it made then: "takes" (encrypts for it and verifies the
# signature) or "refuses" (does neither); doing one and not the other fails.
old_key() {
    who=$1
    key=$out/old-pubring.gpg
    fingerprint=$(cat "$out/old-fingerprint.txt") && test -s "$out/old-report.txt.sig" || return 1
    case $who in
    gnupg2)
        mkdir -m 700 "$work/gnupg2"
        gpg2_ --import "$key"
        gpg2_ -e -r "$fingerprint" -o - "$out/report.txt" >/dev/null && encrypts=yes || encrypts=no
        gpg2_ --verify "$out/old-report.txt.sig" "$out/report.txt" && verifies=yes || verifies=no
        gpgconf --homedir "$work/gnupg2" --kill gpg-agent 2>/dev/null || true
        ;;
    rnp)
        rnp_ --keyfile "$key" -e -r "$fingerprint" --output "$work/old.gpg" "$out/report.txt" &&
            encrypts=yes || encrypts=no
        rnp_ --keyfile "$key" -v "$out/old-report.txt.sig" --source "$out/report.txt" &&
            verifies=yes || verifies=no
        ;;
    *)
        sop "$who" encrypt "$key" <"$out/report.txt" >/dev/null && encrypts=yes || encrypts=no
        sop "$who" verify "$out/old-report.txt.sig" "$key" <"$out/report.txt" &&
            verifies=yes || verifies=no
        ;;
    esac
    echo "encrypts: $encrypts, verifies: $verifies"
    case $2-$encrypts-$verifies in
    takes-yes-yes | refuses-no-no) return 0 ;;
    *) return 1 ;;
    esac
}

case $mode in
make)
    taro=$3
    old=$4
    rm -rf "$dir"
    mkdir -p "$dir/out"
    work=$(mktemp -d /tmp/qpeers.XXXXXX)
    echo "$work" >"$dir/work-path"
    cp "$taro" "$work/taro.gpg"
    mkdir -m 700 "$work/rnp"
    rnpkeys_ --generate-key --userid 'Peer Rnp <rnp@peer.example>' --password '' >/dev/null
    rnpkeys_ --export-key rnp@peer.example >"$dir/rnp.asc"
    gosop generate-key 'Peer Gosop <gosop@peer.example>' >"$work/gosop.key"
    sq key generate --cipher-suite rsa3k --userid 'Peer Sequoia <sequoia@peer.example>' \
        --export "$work/sequoia.key"
    sop openpgp-js generate-key 'Peer Js <js@peer.example>' >"$work/openpgp-js.key"
    for peer in $sop_peers; do
        sop "$peer" extract-cert <"$work/$peer.key" >"$dir/$peer.asc"
    done
    printf 'A letter from a user of today'\''s OpenPGP programs.\n' >"$dir/letter.txt"
    row "RNP takes the key of a first start as valid" rnp_takes_key "$taro"
    row "RNP takes a key of GnuPG 1.4's defaults as invalid (before its renewal)" \
        rnp_takes_old_key_before "$old/pubring.gpg"
    rnpkeys_ --import "$taro" >/dev/null 2>&1 || true
    row "RNP encrypts and signs for Quillet" rnp_letter
    row "RNP makes a detached signature" rnp_signs
    for peer in $sop_peers; do
        row "$(label "$peer") encrypts and signs for Quillet" sop_letter "$peer"
        row "$(label "$peer") makes a detached signature" sop_signs "$peer"
    done
    [ $failed -eq 0 ] || fail "a row failed"
    ;;
check)
    work=$(cat "$dir/work-path")
    trap 'rm -rf "$work"' EXIT
    taro=$work/taro.gpg
    out=$dir/out
    row "RNP verifies Quillet's detached signature" rnp_verifies_detached
    row "RNP decrypts what Quillet encrypted for it, and verifies its signature" rnp_decrypts
    for peer in $sop_peers; do
        row "$(label "$peer") verifies Quillet's detached signature" sop_verifies_detached "$peer"
        row "$(label "$peer") decrypts what Quillet encrypted for it, and verifies its signature" \
            sop_decrypts "$peer"
    done
    # A key of an earlier version (1024-bit DSA with ElGamal): GnuPG 2, RNP
    # and GopenPGP take it, OpenPGP.js and Sequoia refuse its type in their
    # default policies. A change here means the manual must change.
    for expected in gnupg2:takes rnp:takes gosop:takes sequoia:refuses openpgp-js:refuses; do
        peer=${expected%:*}
        row "$(label "$peer") ${expected#*:} a key of an earlier version after one start" \
            old_key "$peer" "${expected#*:}"
    done
    [ $failed -eq 0 ] || fail "a row failed"
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac
