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
#       Also writes files that are compressed already (FOLDER/formats: the
#       first bytes of each format, then random data) and a text, listed in
#       FOLDER/formats/list.txt, for Quillet to encrypt for RNP's key.
#   openpgp_peers.sh check FOLDER [uncompressed]
#       checks what Quillet made for the peers (FOLDER/out), records which
#       peers take a key of an earlier program folder after one start, then
#       removes the private folder. With "uncompressed" (the bundled gpg.exe)
#       the encrypted files of compressed formats must hold no compressed
#       packet.
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
        mkdir -p -m 700 "$work/gnupg2"
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

# Every format's file as RNP, GopenPGP, Sequoia and GnuPG 2 decrypt it (all
# with RNP's secret key), byte for byte. GopenPGP's command-line tool writes
# every plaintext as text, whoever encrypted it (GnuPG 2 alike): each run of
# bytes that are not UTF-8 becomes one U+FFFD and CR LF becomes LF; its
# output is compared with the file so converted.
as_text() {
    python3 -c 'import re, sys
text = open(sys.argv[1], "rb").read().decode("utf-8", "surrogateescape")
text = re.sub("[\udc80-\udcff]+", "\ufffd", text).replace("\r\n", "\n")
sys.stdout.buffer.write(text.encode("utf-8"))' "$1"
}
formats_decrypt() {
    for format in $(cat "$dir/formats/list.txt"); do
        encrypted=$out/formats/$format.gpg
        original=$dir/formats/$format
        rnp_ -d --output "$work/plain" "$encrypted" >/dev/null 2>&1 &&
            cmp "$work/plain" "$original" || { echo "RNP: $format"; return 1; }
        sqop decrypt "$work/rnp-secret.asc" <"$encrypted" >"$work/plain" &&
            cmp "$work/plain" "$original" || { echo "Sequoia: $format"; return 1; }
        gosop decrypt "$work/rnp-secret.asc" <"$encrypted" >"$work/plain" &&
            as_text "$original" | cmp "$work/plain" - || { echo "GopenPGP: $format"; return 1; }
        gpg2_ --yes -o "$work/plain" -d "$encrypted" 2>/dev/null &&
            cmp "$work/plain" "$original" || { echo "GnuPG 2: $format"; return 1; }
        rm -f "$work/plain"
    done
}
# GnuPG 2's packet listing: a compressed packet in the text's file only.
formats_uncompressed() {
    for format in $(cat "$dir/formats/list.txt"); do
        gpg2_ --list-packets "$out/formats/$format.gpg" >"$work/packets" 2>/dev/null
        grep -q '^:literal data packet:' "$work/packets" || { echo "$format: no data"; return 1; }
        if grep -q '^:compressed packet:' "$work/packets"; then
            [ "$format" = text.txt ] || { echo "$format: compressed"; return 1; }
        else
            [ "$format" != text.txt ] || { echo "$format: not compressed"; return 1; }
        fi
    done
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

    # Files of formats that are compressed already: each format's first
    # bytes, then data that does not compress; and a text that does.
    mkdir -p "$dir/formats"
    rnpkeys_ --export-key --secret rnp@peer.example >"$work/rnp-secret.asc"
    mkdir -p -m 700 "$work/gnupg2"
    gpg2_ --import "$work/rnp-secret.asc" "$taro" 2>/dev/null
    while read -r format header; do
        { printf '%b' "$header"; head -c 16384 /dev/urandom; } >"$dir/formats/$format"
        echo "$format" >>"$dir/formats/list.txt"
    done <<'FORMATS'
photo.jpg \377\330\377\340\000\020JFIF\000
camera.jpg \377\330\377\341\000\030Exif\000\000
image.png \211PNG\r\n\032\n\000\000\000\rIHDR
anim.gif GIF89a
image.webp RIFF\044\000\001\000WEBPVP8\040
photo.heic \000\000\000\030ftypheic
video.mp4 \000\000\000\040ftypisom
video.mov \000\000\000\024ftypqt\040\040
audio.m4a \000\000\000\040ftypM4A\040
video.mkv \032\105\337\243\001\000\000\000
audio.mp3 ID3\004\000\000
archive.7z 7z\274\257\047\034\000\004
archive.rar Rar!\032\007\001\000
archive.xz \3757zXZ\000\000\004
archive.zst \050\265\057\375
setup.cab MSCF\000\000\000\000
paper.pdf %PDF-1.7\n
archive.gz \037\213\010\000
archive.bz2 BZh91AY
archive.zip PK\003\004\024\000
FORMATS
    yes 'A text compresses well: the same line again and again.' | head -n 300 \
        >"$dir/formats/text.txt"
    echo text.txt >>"$dir/formats/list.txt"
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
    row "RNP, GopenPGP, Sequoia and GnuPG 2 decrypt Quillet's files of every format" \
        formats_decrypt
    if [ "${3:-}" = uncompressed ]; then
        row "Files of compressed formats are not compressed again; the text is" \
            formats_uncompressed
    fi
    [ $failed -eq 0 ] || fail "a row failed"
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac
