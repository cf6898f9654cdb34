#!/bin/bash
# The value commands through zelpack and zelrun, on real host files: the headless path and
# temporary file services, and message boxes answered from the command line.
set -euo pipefail
build=$1
work=$(mktemp -d /tmp/kx-values-tool.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Some Dir"
touch "$work/Some Dir/File.TXT"

# A host path as a Windows path, its backslashes escaped for JSON.
json_path() { printf 'Z:%s' "$1" | sed 's#/#\\\\#g'; }
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }

cat > "$work/values.json" <<JSON
{
  "title": "Values",
  "productCode": "{D476A5F2-B52A-464F-82D1-2B29B76326B2}",
  "revisionCode": "{29ABEC92-7A56-44D7-8B9E-2D14BBB3995E}",
  "statements": [
    {"command": "Set Variable", "parameters": ["LONGFORM", "$(json_path "$work/some dir/file.txt")"]},
    {"command": "Convert Path", "parameters": ["LONGFORM", "FALSE"]},
    {"command": "Set Variable", "parameters": ["MISSING", "$(json_path "$work/none/file.txt")"]},
    {"command": "Convert Path", "parameters": ["MISSING", "FALSE"]},
    {"command": "Set Variable", "parameters": ["SHORTFORM", "$(json_path "$work/Some Dir")\\\\"]},
    {"command": "Convert Path", "parameters": ["SHORTFORM", "TRUE"]},
    {"command": "Get Temporary File", "parameters": ["FIRST"]},
    {"command": "Get Temporary File", "parameters": ["\$SECOND\$"]},
    {"command": "Set Variable", "parameters": ["NAME", "\$SECOND\$"]},
    {"command": "Extract Path", "parameters": ["NAME", "0"]},
    {"command": "MessageBox", "parameters": ["Caption \$TITLE\$", "Text", "7", "9", "ANSWER"]},
    {"command": "MessageBox", "parameters": ["Second", "Text", "1", "5", "ANSWER2"]}
  ]
}
JSON

"$build/tools/zelpack" script "$work/values.json" -o "$work/values.zel"
"$build/tools/zelrun" --answer OK --answer NO "$work/values.zel" >"$work/store" 2>"$work/log"

fail() { echo "FAIL: $*" >&2; cat "$work/store" "$work/log" >&2; exit 1; }
expect() { grep -qxF -- "$1" "$work/store" || fail "store lacks $1"; }

expect "LONGFORM=$(windows_path "$work/Some Dir/File.TXT")"
expect "MISSING="
expect "SHORTFORM=$(windows_path "$work/Some Dir")\\"
expect "NAME=zel2.tmp"
expect "ANSWER=OK"
expect "ANSWER2=NO"
grep -qE '^FIRST=Z:\\tmp\\zelrun\.[^\\]+\\temp\\zel1\.tmp$' "$work/store" || fail "FIRST"
grep -qxF 'MessageBox: Caption Values | Text | icon=0 | buttons=1' "$work/log" || fail "first box"
grep -qxF 'MessageBox: Second | Text | icon=1 | buttons=5' "$work/log" || fail "second box"
echo "value commands: ok"
