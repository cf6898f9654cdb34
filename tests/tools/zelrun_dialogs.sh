#!/bin/bash
# zelrun loads a script's dialogs from its support folder at start-up; a missing definition
# ends the run through the general failure report.
set -euo pipefail
build=$1
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/zelpack" script "$src/examples/hello.json" -o "$work/hello.script"
mkdir "$work/support"
for page in "$src"/examples/dialogs/*.txt; do
  name=$(basename "$page" .txt)
  "$build/tools/zelpack" txt2dfm "$page" "$work/support/$name.dfm"
  cp "$src/examples/dialogs/$name.dfm.zelf" "$work/support/"
done
"$build/tools/zelrun" --support-dir "$work/support" --dialog NEXT --dialog NEXT \
  "$work/hello.script" > "$work/out" 2> "$work/err"
grep -q '^WIZARD=NEXT$' "$work/out"

rm "$work/support/folder.dfm.zelf"
status=0
"$build/tools/zelrun" --support-dir "$work/support" "$work/hello.script" > "$work/out" \
  2> "$work/err" || status=$?
[ "$status" = 11 ]
grep -q 'Cannot open file ".*folder.dfm.zelf"' "$work/err"
# Nothing ran: the failure comes before the first statement.
if grep -q '^WIZARD=' "$work/out"; then exit 1; fi
echo ok
