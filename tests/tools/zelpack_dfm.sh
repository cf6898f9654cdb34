#!/bin/bash
# zelpack converts dialog definitions between their text and binary forms without loss.
set -euo pipefail
build=$1
src=$2
zelpack=$build/tools/zelpack
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$zelpack" txt2dfm "$src/tests/fixtures/dialogs/welcome.txt" "$work/welcome.dfm"
# A definition starts with its resource header, then the component stream.
[ "$(head -c 3 "$work/welcome.dfm" | od -An -tx1 | tr -d ' ')" = "ff0a00" ]
grep -q TPF0 "$work/welcome.dfm"
"$zelpack" dfm2txt "$work/welcome.dfm" "$work/welcome.txt"
cmp "$work/welcome.txt" "$src/tests/fixtures/dialogs/welcome.txt"
"$zelpack" txt2dfm "$work/welcome.txt" "$work/again.dfm"
cmp "$work/welcome.dfm" "$work/again.dfm"

# Bad input: a clear error naming the file and line, and no output file.
printf 'object A: TForm\r\n  Caption = '"'"'open\r\nend\r\n' > "$work/bad.txt"
if "$zelpack" txt2dfm "$work/bad.txt" "$work/bad.dfm" 2> "$work/err"; then exit 1; fi
grep -q "bad.txt: line 2: unterminated string" "$work/err"
[ ! -e "$work/bad.dfm" ]
printf 'TPF0\x05TForm\x01F\x00\x00' > "$work/bare.dfm"
if "$zelpack" dfm2txt "$work/bare.dfm" "$work/bare.txt" 2> "$work/err"; then exit 1; fi
grep -q "Invalid stream format" "$work/err"
echo ok
