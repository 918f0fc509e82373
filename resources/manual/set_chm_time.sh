#!/bin/sh
# Writes a fixed time into a compiled help file, so that the same pages give
# the same bytes whenever they are compiled. chmcmd stamps the file in two
# places with the milliseconds since midnight of the moment it ran: the
# file header (at byte 16, most significant byte first) and the entry of
# code 10 in the internal file #SYSTEM (least significant byte first). Both
# get the time of day of the given moment instead.
#
#   set_chm_time.sh <file.chm> <seconds since 1970>
set -eu
chm=$1
epoch=$2
value=$(((epoch % 86400) * 1000))

# Finds where the code 10 value of #SYSTEM lies: reads the header for the
# directory and content offsets, finds #SYSTEM in the directory's listing
# chunks (its name "/#SYSTEM", then section, offset and length as
# variable-length numbers), and walks its entries (code, length, data).
position=$(od -An -v -tu1 "$chm" | awk '
    { for (i = 1; i <= NF; i++) b[n++] = $i }
    function le(at, size,   v, k) { v = 0; for (k = size - 1; k >= 0; k--) v = v * 256 + b[at + k]; return v }
    function encint(   v) { v = 0; while (b[p] >= 128) { v = v * 128 + b[p] - 128; p++ } v = v * 128 + b[p]; p++; return v }
    END {
        if (n < 96 || b[0] != 73 || b[1] != 84 || b[2] != 83 || b[3] != 70 || le(4, 4) != 3) exit 1
        directory = le(72, 8); content = le(88, 8)
        if (b[directory] != 73 || b[directory + 1] != 84 || b[directory + 2] != 83 || b[directory + 3] != 80) exit 1
        chunks = directory + le(directory + 8, 4); chunkSize = le(directory + 16, 4)
        split("47 35 83 89 83 84 69 77", name, " ")   # "/#SYSTEM"
        for (chunk = chunks; chunk + chunkSize <= n; chunk += chunkSize) {
            if (b[chunk] != 80 || b[chunk + 1] != 77 || b[chunk + 2] != 71 || b[chunk + 3] != 76) continue
            end = chunk + chunkSize - le(chunk + 4, 4)
            for (p = chunk + 20; p < end; ) {
                nameLength = encint(); start = p; p += nameLength
                found = (nameLength == 8)
                for (k = 0; found && k < 8; k++) found = (b[start + k] == name[k + 1])
                section = encint(); offset = encint(); size = encint()
                if (found && section == 0) {
                    at = content + offset + 4; last = content + offset + size
                    while (at + 4 <= last) {
                        code = le(at, 2); entry = le(at + 2, 2)
                        if (code == 10 && entry == 4) { print at + 4; exit 0 }
                        at += 4 + entry
                    }
                    exit 1
                }
            }
        }
        exit 1
    }') || {
    echo "set_chm_time: $chm is not a help file as chmcmd writes it" >&2
    exit 1
}

# Writes the four bytes of $value at byte $2 of the file, in the order $1.
write_value() {
    order=$1
    at=$2
    b0=$((value & 255)) b1=$(((value >> 8) & 255)) b2=$(((value >> 16) & 255)) b3=$((value >> 24))
    if [ "$order" = big ]; then
        bytes=$(printf '\\%03o\\%03o\\%03o\\%03o' "$b3" "$b2" "$b1" "$b0")
    else
        bytes=$(printf '\\%03o\\%03o\\%03o\\%03o' "$b0" "$b1" "$b2" "$b3")
    fi
    # shellcheck disable=SC2059
    printf "$bytes" | dd of="$chm" bs=1 seek="$at" conv=notrunc status=none
}
write_value big 16
write_value little "$position"
