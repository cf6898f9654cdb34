#!/bin/bash
# "Extract 7Zip Archive" through zelrun, over archives made by the real 7-Zip.
set -euo pipefail
build=$1
work=$(mktemp -d /tmp/kx-extract.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/source/sub/deeper" "$work/source/empty folder"
for i in $(seq 1 2000); do echo "line $i of the payload"; done > "$work/source/payload.txt"
head -c 100000 /dev/urandom > "$work/source/sub/deeper/data.bin"
printf 'non-ASCII name\n' > "$work/source/sub/nämé.txt"
(cd "$work/source" && LC_ALL=C.UTF-8 7zz a -bso0 -bsp0 "$work/payload.7z" ./* -psecret -mhe=on)
win() { echo "Z:${1//\//\\}"; }
cat > "$work/project.json" <<JSON
{
  "title": "Extract",
  "productCode": "{D476A5F2-B52A-464F-82D1-2B29B76326B2}",
  "revisionCode": "{29ABEC92-7A56-44D7-8B9E-2D14BBB3995E}",
  "statements": [
    {"command": "Extract 7Zip Archive", "parameters": ["$(win "$work/payload.7z" | sed 's/\\/\\\\/g')", "$(win "$work/out/new" | sed 's/\\/\\\\/g')", "GOOD", "\$PASSWORD\$", "TRUE", "TRUE"]},
    {"command": "Extract 7Zip Archive", "parameters": ["$(win "$work/missing.7z" | sed 's/\\/\\\\/g')", "$(win "$work/out2" | sed 's/\\/\\\\/g')", "MISSING", "", "TRUE", "TRUE"]},
    {"command": "Extract 7Zip Archive", "parameters": ["$(win "$work/payload.7z" | sed 's/\\/\\\\/g')", "$(win "$work/out3" | sed 's/\\/\\\\/g')", "WRONG", "nope", "TRUE", "TRUE"]}
  ]
}
JSON
"$build/tools/zelpack" script "$work/project.json" -o "$work/extract.script"
for mode in --silent ""; do
  rm -rf "$work/out"
  "$build/tools/zelrun" $mode --arg PASSWORD=secret "$work/extract.script" > "$work/variables.txt"
  grep -qx 'GOOD=SUCCESS' "$work/variables.txt"
  grep -qx 'MISSING=The archive file was not found' "$work/variables.txt"
  grep -qx 'WRONG=The archive cannot be opened: unsupported archive or incorrect password' "$work/variables.txt"
  diff -r "$work/source" "$work/out/new"
done
echo "extract archive through zelrun: ok"
