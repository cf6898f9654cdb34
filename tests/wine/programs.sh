#!/usr/bin/env bash
# Starting and closing programs through zelrun.exe over Wine's shell and process functions:
# "Run Program" with a program of the tests' own and with a document of a registered file type,
# "Run Program As" under the engine's account and as another user, "Terminate Program" on a
# window of the tests' own, and the progress page's Cancel stopping a wait that never ends.
set -euo pipefail
build=$(cd "$1" && pwd)
src=$2
source "$src/tests/wine/lib.sh"
xvfb_start
zelrun_suite programs
cp "$build/tests/kx_test_program.exe" "$build/tests/kx_argument_log.exe" "$work/"
program='Z:'${work//\//\\}'\kx_test_program.exe'
logger='Z:'${work//\//\\}'\kx_argument_log.exe'
wine reg add 'HKCR\.kxdoc' /ve /d KxDocument /f >/dev/null 2>&1
wine reg add 'HKCR\KxDocument\shell\open\command' /ve /d "\"$logger\" \"%1\"" /f >/dev/null 2>&1
printf 'notes\r\n' >"$work/notes.kxdoc"

zel_project run '[
  {"command": "Set Variable", "parameters": ["P", "'"${program//\\/\\\\}"'"]},
  {"command": "Run Program", "parameters": ["$P$", "TRUE", "exit 7", "TRUE", "HIDDEN"]},
  {"command": "Run Program", "parameters": ["$P$", "FALSE", "exit 300", "-1", "SHOWN"]},
  {"command": "Run Program", "parameters": ["$P$", "TRUE", "exit -2", "TRUE", "negative"]},
  {"command": "Run Program", "parameters": ["$P$", "TRUE", "forever", "FALSE", "RUNNING"]},
  {"command": "Run Program", "parameters": ["notes.kxdoc", "TRUE", "", "TRUE", "DOCUMENT"]},
  {"command": "Run Program", "parameters": ["missing.exe", "TRUE", "", "TRUE", "MISSING"]},
  {"command": "Run Program As", "parameters": ["$P$", "", "exit 5", "1", "", "", "", "OWN", "TRUE", ""]},
  {"command": "Run Program As", "parameters": ["nothere.exe", "", "", "1", "", "", "", "OWNMISSING", "TRUE", ""]},
  {"command": "Run Program As", "parameters": ["$P$", "", "exit 6", "1", "nobody", "secret", "", "ASUSER", "TRUE", ""]}
 ]'
timeout 120 bash -c 'cd "$0" && wine "$1/tools/zelrun.exe" run.script >out 2>err' "$work" "$build" ||
  fail "zelrun run: $(cat "$work/err")"
expect_store HIDDEN=7 SHOWN=300 NEGATIVE=-2 RUNNING=259 DOCUMENT=0 MISSING=-2147483648 OWN=5 \
  OWNMISSING=-11
grep -qF 'notes.kxdoc' "$work/kx_argument_log.exe.args" ||
  fail "the document's program was not started: $(cat "$work/kx_argument_log.exe.args" 2>&1)"
# As another user Wine answers without a logon of its own: whatever it gives, the run goes on
# and writes a number.
grep -qE '^ASUSER=-?[0-9]+$' "$work/out" || fail "as another user: $(grep ASUSER "$work/out")"
echo "as another user under Wine: $(grep ASUSER "$work/out")"

# The progress page's Cancel stops the wait for a program that never ends, and the run goes on.
zel_project cancel '[
  {"command": "Set Variable", "parameters": ["P", "'"${program//\\/\\\\}"'"]},
  {"command": "Run Program", "parameters": ["$P$", "TRUE", "forever", "TRUE", "WAITED"]},
  {"command": "Set Variable", "parameters": ["AFTER", "$ABORT$"]},
  {"command": "Run Program As", "parameters": ["$P$", "", "forever", "1", "", "", "", "WAITEDAS", "TRUE", ""]}
 ]'
started=$(date +%s)
timeout 60 bash -c 'cd "$0" && wine "$1/tools/zelrun.exe" --cancel-after 1500 cancel.script >out 2>err' \
  "$work" "$build" || fail "zelrun cancel did not end: $(cat "$work/err")"
expect_store WAITED=259 AFTER=TRUE WAITEDAS=259
[ $(($(date +%s) - started)) -lt 30 ] || fail "the cancelled wait took too long"

# "Terminate Program" closes the window of a program that runs meanwhile.
: >"$work/kx_test_program.exe.log"
(cd "$work" && wine kx_test_program.exe window "Kestrix window test" >/dev/null 2>&1 &)
for _ in $(seq 100); do grep -q ready "$work/kx_test_program.exe.log" && break; sleep 0.2; done
grep -q ready "$work/kx_test_program.exe.log" || fail "the window program did not start"
zel_project terminate '[
  {"command": "Terminate Program", "parameters": ["window test", "KxTest"]}
 ]'
zelrun_exe terminate.script
[ "$code" = 0 ] || fail "terminate exit code $code: $(cat "$work/err")"
for _ in $(seq 50); do grep -q closed "$work/kx_test_program.exe.log" && break; sleep 0.2; done
grep -q closed "$work/kx_test_program.exe.log" || fail "the window was not closed"

# "Run Light Mode Setup" from a setup built by zelpack: the package holds only a script, which
# ends with the exit code its command line gives; the engine's image runs it and the package is
# as it was afterwards, with no zel.dll beside it.
mkdir "$work/engine" "$work/outer" "$work/pkg"
cp "$build/tools/zelstub.exe" "$build/media/zel/zel.dll" "$work/engine/"
echo '{"title": "Empty", "statements": []}' >"$work/empty.json"
(cd "$work" && wine "$build/tools/zelpack.exe" build empty.json -o empty --engine engine) ||
  fail "zelpack build"
zel_project light '[{"command": "Terminate with Exit Code", "parameters": ["$CODE$"]}]'
cp "$work/light.script" "$work/pkg/light.exe"
cp "$work/empty/setup.res" "$work/pkg/light.res"
echo msi >"$work/pkg/light.msi"
package='Z:'${work//\//\\}'\pkg\light.exe'
zel_project outer '[
  {"command": "Run Light Mode Setup", "parameters": ["'"${package//\\/\\\\}"'", "RES", "/s CODE=42", "TRUE"]},
  {"command": "Terminate with Exit Code", "parameters": ["$RES$"]}
 ]'
cat "$work/engine/zelstub.exe" "$work/outer.script" >"$work/outer/setup.exe"
cp "$work/engine/zel.dll" "$work/empty/setup.res" "$work/outer/"
echo msi >"$work/outer/setup.msi"
printf 'start /wait setup.exe /s\r\necho [%%ERRORLEVEL%%]>code.txt\r\n' >"$work/outer/run.bat"
(cd "$work/outer" && timeout 120 wine cmd /c run.bat >/dev/null 2>&1) || true
[ "$(tr -d '[]\r\n' <"$work/outer/code.txt")" = 42 ] ||
  fail "light-mode setup: exit code $(cat "$work/outer/code.txt")"
cmp "$work/pkg/light.exe" "$work/light.script" || fail "the package changed"
[ ! -e "$work/pkg/zel.dll" ] || fail "zel.dll left beside the package"
[ -z "$(ls "$work/pkg" | grep -vxE 'light\.(exe|res|msi)')" ] || fail "left in pkg: $(ls "$work/pkg")"
echo "programs: ok"
