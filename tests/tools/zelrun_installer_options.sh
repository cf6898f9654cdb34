#!/usr/bin/env bash
# zelrun's installer stand-in takes its answers from the command line: products installed before
# the run are seen installed; a malformed result, product or message file is refused before
# anything runs.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cat >"$work/p.json" <<'JSON'
{"title": "T", "statements": [
  {"command": "Is MSI Setup Installed", "parameters": ["{11111111-2222-3333-4444-555555555555}", "FIRST"]},
  {"command": "Is MSI Setup Installed", "parameters": ["{99999999-2222-3333-4444-555555555555}", "OTHER"]}
 ]}
JSON
"$build/tools/zelpack" script "$work/p.json" -o "$work/p.script"
printf '0x01000030 Disk is full\r\n\r\n0A000000 1: 0 2: 1000 3: 0 4: 0\r\n' >"$work/messages.txt"
"$build/tools/zelrun" --installer-result 1603 --installer-messages "$work/messages.txt" \
  --installed-product '{11111111-2222-3333-4444-555555555555}={A1B2C3D4-E5F6-4711-8899-AABBCCDDEEFF}' \
  "$work/p.script" >"$work/out" 2>"$work/err" || fail "exit code $?: $(cat "$work/err")"
for line in FIRST=TRUE OTHER=FALSE; do
  grep -qxF "$line" "$work/out" || fail "store lacks $line: $(cat "$work/out")"
done
"$build/tools/zelrun" --installed-product '{11111111-2222-3333-4444-555555555555}' \
  "$work/p.script" >"$work/out" 2>"$work/err" || fail "exit code $?: $(cat "$work/err")"
grep -qxF FIRST=TRUE "$work/out" || fail "a product without package code: $(cat "$work/out")"

printf '0x01000030 Disk is full\r\nDisk is full\r\n' >"$work/bad.txt"
while IFS='|' read -r option value error; do
  set +e
  "$build/tools/zelrun" "$option" "$value" "$work/p.script" >"$work/out" 2>"$work/err"
  code=$?
  set -e
  [ "$code" = 2 ] || fail "$option $value: exit code $code"
  grep -qF "zelrun: $error" "$work/err" || fail "$option $value: $(cat "$work/err")"
  [ ! -s "$work/out" ] || fail "$option $value ran: $(cat "$work/out")"
done <<EOT
--installer-result|soon|not an installer result: soon
--installer-result|-1|not an installer result: -1
--installed-product|={A1B2C3D4-E5F6-4711-8899-AABBCCDDEEFF}|no product code: ={A1B2C3D4
--installed-product||no product code: 
--installer-messages|$work/bad.txt|$work/bad.txt: line 2: not a message type
--installer-messages|$work/missing.txt|cannot read $work/missing.txt
EOT
echo "zelrun installer options: ok"
