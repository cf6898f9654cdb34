#!/bin/bash
# zelrun's code page: texts of a script (here given as command-line values) are Windows-1252 by
# default and meet the host as UTF-8. An archive password with an accented letter opens the
# archive 7-Zip made with it, an accented target folder is created under its UTF-8 name, and a
# name outside the code page is still extracted under its own name.
set -euo pipefail
build=$1
work=$(mktemp -d /tmp/kx-codepage.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/source/sub"
printf 'accented\n' > "$work/source/sub/nämé.txt"
printf 'cyrillic\n' > "$work/source/Жук.txt"
(cd "$work/source" && LC_ALL=C.UTF-8 7zz a -bso0 -bsp0 "$work/payload.7z" ./* '-pS3crét' -mhe=on)
win() { echo "Z:${1//\//\\}"; }
cat > "$work/project.json" <<JSON
{
  "title": "Code page",
  "productCode": "{0C7B7C55-3E0B-4C5E-9E8B-5B1B5E4C2A11}",
  "revisionCode": "{6F1B6D1A-0F44-4C1E-8C5A-0D9C7E1B2A22}",
  "statements": [
    {"command": "Extract 7Zip Archive", "parameters": ["$(win "$work/payload.7z" | sed 's/\\/\\\\/g')", "\$TARGET\$", "RESULT", "\$PASSWORD\$", "TRUE", "TRUE"]}
  ]
}
JSON
"$build/tools/zelpack" script "$work/project.json" -o "$work/codepage.script"
target_1252=$(printf '%s\\caf\xe9' "$(win "$work/out")")
target_utf8="$(win "$work/out")\\café"

# Windows-1252 by default, and named.
for option in "" "--codepage 1252"; do
  rm -rf "$work/out"
  "$build/tools/zelrun" --silent $option --arg "PASSWORD=$(printf 'S3cr\xe9t')" \
    --arg "TARGET=$target_1252" "$work/codepage.script" > "$work/variables.txt"
  grep -qx 'RESULT=SUCCESS' "$work/variables.txt"
  diff -r "$work/source" "$work/out/café"
done

# UTF-8 passed through.
rm -rf "$work/out"
"$build/tools/zelrun" --silent --codepage 65001 --arg "PASSWORD=S3crét" \
  --arg "TARGET=$target_utf8" "$work/codepage.script" > "$work/variables.txt"
grep -qx 'RESULT=SUCCESS' "$work/variables.txt"
diff -r "$work/source" "$work/out/café"

# The same byte in the Cyrillic code page is another letter: another password, another folder.
rm -rf "$work/out"
"$build/tools/zelrun" --silent --codepage 1251 --arg "PASSWORD=$(printf 'S3cr\xe9t')" \
  --arg "TARGET=$target_1252" "$work/codepage.script" > "$work/variables.txt"
grep -qx 'RESULT=The archive cannot be opened: unsupported archive or incorrect password' \
  "$work/variables.txt"
test ! -e "$work/out/café"

# A code page zelrun does not know is refused before anything runs.
if "$build/tools/zelrun" --codepage 932 "$work/codepage.script" > "$work/out.txt" 2> "$work/err.txt"; then
  echo "code page 932 accepted" >&2
  exit 1
fi
grep -q 'unsupported code page 932' "$work/err.txt"
test ! -s "$work/out.txt"
echo "zelrun code page: ok"
