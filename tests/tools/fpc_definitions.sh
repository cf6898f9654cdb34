#!/bin/bash
# Definitions against Free Pascal's stream classes, a second implementation of the format: what
# it compiles from a text, zelpack txt2dfm compiles to the same bytes, and each side reads what
# the other wrote.
set -euo pipefail
build=$1
src=$2
zelpack=$build/tools/zelpack
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fpc -O2 -v0 -FE"$work" -FU"$work" "$src/tests/tools/fpc/form_stream.pas" >/dev/null
converter=$work/form_stream
passed=0
for text in "$src"/tests/fixtures/dialogs/*.txt "$src"/examples/dialogs/*.txt; do
  name=$(basename "$text" .txt)
  "$converter" txt2dfm "$text" "$work/$name.fpc.dfm"
  "$zelpack" txt2dfm "$text" "$work/$name.dfm"
  cmp "$work/$name.fpc.dfm" "$work/$name.dfm" || { echo "FAIL $name: the two compile differently"; exit 1; }
  # Free Pascal reads our definition back to a text that compiles to the same bytes again.
  "$converter" dfm2txt "$work/$name.dfm" "$work/$name.fpc.txt"
  "$converter" txt2dfm "$work/$name.fpc.txt" "$work/$name.again.dfm"
  cmp "$work/$name.dfm" "$work/$name.again.dfm" || { echo "FAIL $name: read back differently"; exit 1; }
  passed=$((passed + 1))
done
[ "$passed" -ge 5 ] || { echo "FAIL: only $passed definitions compared"; exit 1; }
echo "definitions against Free Pascal: $passed passed, 0 failed"
