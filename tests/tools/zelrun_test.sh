#!/usr/bin/env bash
# zelpack compiles a project byte-exactly; zelrun runs it and reports store, trace, boxes, exit.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cat >"$work/p.json" <<'JSON'
{"title": "T", "productCode": "{P}", "revisionCode": "{R}",
 "statements": [
  {"command": "Comment", "parameters": [""], "id": "{1}"},
  {"command": "If", "parameters": ["NOSUCH", "0", "x", "FALSE"], "id": "{2}", "disabled": false},
  {"command": "End", "id": "{3}"}
 ]}
JSON
"$build/tools/zelpack" script "$work/p.json" -o "$work/p.script"
printf 'Comment\r\nIf\r\nEnd\r\n$\r\n{1}\r\n{2}\r\n{3}\r\n$\r\n{1}\r\n\r\n{2}\r\nNOSUCH\r\n0\r\nx\r\nFALSE\r\n$\r\n\r\n\r\n\r\n$\r\n{P}\r\nT\r\n$\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n$\r\n0\r\n$\r\n{R}\r\n$\r\nFALSE\r\nEnglish\r\n$\r\n' >"$work/expected"
cmp "$work/p.script" "$work/expected" || fail "zelpack output differs"

# NOSUCH is defined by a statement that the run skips: valid, but undefined at run time.
cat >"$work/q.json" <<'JSON'
{"title": "T", "statements": [
  {"command": "If", "parameters": ["REPAIR", "0", "TRUE", "FALSE"]},
  {"command": "Set Variable", "parameters": ["NOSUCH", "x"]},
  {"command": "End"},
  {"command": "If", "parameters": ["NOSUCH", "0", "x", "FALSE"]},
  {"command": "End"}
 ]}
JSON
"$build/tools/zelpack" script "$work/q.json" -o "$work/q.script"
set +e
"$build/tools/zelrun" --trace "$work/q.script" >"$work/out" 2>"$work/err"
code=$?
set -e
[ "$code" = 11 ] || fail "a script error ended with exit code $code"
grep -qx 'exec 1 If' "$work/err" || fail "no trace"
grep -qx 'exec 4 If' "$work/err" || fail "no trace of the second If"
grep -qxF 'MessageBox: Kestrix | Runtime error in setup script:\x0D\x0DLine 4: Attempting to get value of undefined variable NOSUCH | icon=3 | buttons=1' "$work/err" \
  || { cat "$work/err"; fail "script error box"; }
grep -qx 'WIZARD=NEXT' "$work/out" || fail "store not printed"

# Silent: no box; an override protected from the script.
"$build/tools/zelrun" --silent --arg 'TARGETDIR=C:\X' "$work/q.script" >"$work/out" 2>"$work/err" || true
! grep -q MessageBox "$work/err" || fail "silent run showed a box"
grep -qxF 'TARGETDIR=C:\X' "$work/out" || fail "override lost"

# A truncated script is the general failure report with exit code 11.
head -c 40 "$work/q.script" >"$work/cut.script"
set +e
"$build/tools/zelrun" "$work/cut.script" >"$work/out" 2>"$work/err"
code=$?
set -e
[ "$code" = 11 ] || fail "truncated script exit code $code"
grep -q '^MessageBox: Kestrix | Runtime error in install: the script ends before' "$work/err" || fail "general failure box"
# An empty script and one whose last statement is disabled end normally, without a box.
# A command not built yet says so on stderr instead of passing for done.
echo '{"title": "T", "statements": []}' >"$work/empty.json"
cat >"$work/last.json" <<'JSON'
{"title": "T", "statements": [
  {"command": "Label", "parameters": ["top"]},
  {"command": "Set Component State", "parameters": ["Main", "TRUE"]},
  {"command": "GoTo Label", "parameters": ["top"], "disabled": true}
 ]}
JSON
for name in empty last; do
  "$build/tools/zelpack" script "$work/$name.json" -o "$work/$name.script"
  set +e
  "$build/tools/zelrun" "$work/$name.script" >"$work/out" 2>"$work/err"
  code=$?
  set -e
  [ "$code" = 0 ] || { cat "$work/err"; fail "$name script ended with exit code $code"; }
  ! grep -q MessageBox "$work/err" || fail "$name script showed a box"
done
grep -qx 'not built yet: 2 Set Component State' "$work/err" || { cat "$work/err"; fail "unbuilt command not reported"; }
# A plug-in statement that fails (zelrun loads no Windows library) leaves the store whole: a
# value that is one NUL byte, and every variable after it.
mkdir "$work/support"
echo MZ >"$work/support/Fail.dll"
cat >"$work/nul.json" <<'JSON'
{"title": "T", "plugins": ["Failing Plugin"], "statements": [
  {"command": "Mathematics", "parameters": ["0", "0", "12", "NUL"]},
  {"command": "Set Variable", "parameters": ["AFTER", "z"]},
  {"command": "Failing Plugin", "parameters": ["Mode=x", "Plugins\\Fail.dll"]},
  {"command": "Set Variable", "parameters": ["LAST", "$AFTER$"]}
 ]}
JSON
"$build/tools/zelpack" script "$work/nul.json" -o "$work/nul.script"
"$build/tools/zelrun" --support-dir "$work/support" "$work/nul.script" >"$work/out" 2>"$work/err" ||
  { cat "$work/err"; fail "plug-in script ended with an error"; }
for line in 'NUL=\x00' 'AFTER=z' 'LAST=z'; do
  grep -qxF "$line" "$work/out" || { cat "$work/out"; fail "store after the plug-in lacks $line"; }
done
! grep -q MessageBox "$work/err" || { cat "$work/err"; fail "the failing plug-in showed a box"; }
echo "zelrun: 1 passed, 0 failed"
