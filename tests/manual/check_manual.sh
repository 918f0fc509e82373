#!/bin/sh
# Unpacks the compiled manual and checks what its readers rely on: it is a
# Japanese help file that opens at its first page, every page is in it and
# in its table of contents, exactly as written, the message page shows
# every result-code message as the program shows it, and every message a page
# cites is one the program shows.
#   check_manual.sh MANUAL_CHM SOURCE_DIR LIST_RESULT_TEXTS WORK_DIR
set -eu
chm=$1
sources=$2
list_texts=$3
work=$4

rm -rf "$work"
mkdir -p "$work"
extract_chmLib "$chm" "$work/chm" >/dev/null

failures=0
complain() {
    echo "manual: $*" >&2
    failures=$((failures + 1))
}
# A file of the help file, back in UTF-8.
decoded() {
    iconv -f CP932 -t UTF-8 "$work/chm/$1"
}

# Language: Japanese (LCID 0x0411) in the header of the file.
lcid=$(od -An -tx1 -j20 -N4 "$chm" | tr -d ' \n')
[ "$lcid" = "11040000" ] || complain "language id is $lcid, not 0x0411"
# It opens at the first page.
grep -q "index.html" "$work/chm/#SYSTEM" || complain "index.html is not the default topic"

[ -f "$work/chm/toc.hhc" ] || complain "toc.hhc is missing"
decoded toc.hhc >"$work/toc.hhc"

pages=0
for page in "$sources"/*.html; do
    name=$(basename "$page")
    pages=$((pages + 1))
    if [ ! -f "$work/chm/$name" ]; then
        complain "$name is missing"
        continue
    fi
    grep -q "<param name=\"Local\" value=\"$name\">" "$work/toc.hhc" ||
        complain "$name is not in the table of contents"
    decoded "$name" >"$work/$name" || complain "$name is not in code page 932"
    sed 's/charset=utf-8/charset=Shift_JIS/' "$page" | cmp -s - "$work/$name" ||
        complain "$name is not its source in Shift_JIS"
done
[ "$pages" -ge 15 ] || complain "only $pages pages"

# Every entry of the table of contents leads to a page of the file.
for name in $(sed -n 's/.*<param name="Local" value="\([^"]*\)">.*/\1/p' "$work/toc.hhc"); do
    [ -f "$work/chm/$name" ] || complain "the table of contents names $name, which is missing"
done

messages=0
"$list_texts" >"$work/result_texts.txt"
while IFS= read -r text; do
    messages=$((messages + 1))
    grep -qF "<td class=\"msg\">$text</td>" "$work/messages.html" ||
        complain "messages.html does not list \"$text\""
done <"$work/result_texts.txt"
[ "$messages" -ge 50 ] || complain "only $messages result-code messages"

# Every message a page cites (class "msg") is a text of the program, word for
# word: one of the string table's texts (its "\n" a line break, <br>), or
# the one box text that stands in the code itself.
cut -f2- "$sources/../texts.txt" | sed 's/\\n/<br>/g' >"$work/program_texts.txt"
echo "GetMessage Error" >>"$work/program_texts.txt"
cited=0
for page in "$sources"/*.html; do
    grep -o 'class="msg">[^<]*\(<br>[^<]*\)*</' "$page" | sed 's/^class="msg">//; s/<\/$//' |
        while IFS= read -r text; do
            grep -qxF "$text" "$work/program_texts.txt" ||
                echo "$(basename "$page") cites \"$text\", which the program does not show"
        done
done >"$work/miscited.txt"
cited=$(cat "$sources"/*.html | grep -o 'class="msg">' | wc -l)
while IFS= read -r problem; do
    complain "$problem"
done <"$work/miscited.txt"

if [ "$failures" -ne 0 ]; then
    echo "manual: $failures problems" >&2
    exit 1
fi
echo "manual: $pages pages, $messages messages and $cited citations checked"
