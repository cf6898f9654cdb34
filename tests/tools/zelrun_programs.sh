#!/usr/bin/env bash
# zelrun starts no Windows programs: each start is logged and answered as on a machine where the
# program cannot be started; the light-mode package stays as it was. --cancel-after takes a delay.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

printf 'light package' >"$work/light.exe"
dir='Z:'${work//\//\\\\}
cat >"$work/p.json" <<JSON
{"title": "T", "statements": [
  {"command": "Run Program", "parameters": ["C:\\\\Tools\\\\\\\\app.exe", "TRUE", "/q", "TRUE", "RUN"]},
  {"command": "Run Program As", "parameters": ["C:\\\\app.exe", "", "/x", "0", "", "", "", "OWN", "TRUE", ""]},
  {"command": "Run Program As", "parameters": ["C:\\\\app.exe", "", "", "0", "bob", "pw", "", "BOB", "TRUE", ""]},
  {"command": "Run Light Mode Setup", "parameters": ["$dir\\\\light.exe", "LIGHT", "", "TRUE"]},
  {"command": "Terminate Program", "parameters": ["Notepad", ""]}
 ]}
JSON
"$build/tools/zelpack" script "$work/p.json" -o "$work/p.script"
"$build/tools/zelrun" "$work/p.script" >"$work/out" 2>"$work/err" || fail "exit code $?: $(cat "$work/err")"
for line in RUN=-2147483648 OWN=-11 BOB=-3 LIGHT=-1; do
  grep -qxF "$line" "$work/out" || fail "store lacks $line: $(cat "$work/out")"
done
grep -qxF 'Program not started here: C:\Tools\app.exe /q' "$work/err" || fail "log: $(cat "$work/err")"
grep -qxF 'Program not started here: "C:\app.exe" /x' "$work/err" || fail "log: $(cat "$work/err")"
! grep -q 'not built yet' "$work/err" || fail "$(cat "$work/err")"
# zelrun itself is no Windows program image: the package cannot be made runnable and is kept.
[ "$(cat "$work/light.exe")" = 'light package' ] || fail "the package changed"
[ "$(ls "$work" | grep -c light)" = 1 ] || fail "left: $(ls "$work")"

set +e
"$build/tools/zelrun" --cancel-after soon "$work/p.script" >/dev/null 2>"$work/err"
code=$?
set -e
[ "$code" = 2 ] && grep -q 'not a delay: soon' "$work/err" || fail "--cancel-after soon: $code"
"$build/tools/zelrun" --cancel-after 0 "$work/p.script" >"$work/out" 2>&1 || fail "--cancel-after 0"
grep -qxF 'LIGHT=-1' "$work/out" || fail "--cancel-after 0: $(cat "$work/out")"
echo "zelrun programs: ok"
