#!/usr/bin/env bash
# zelrun.exe: zelrun's options and output over the Win32 platform. Message boxes and dialogs
# are answered from the command line; the archive library is the zel.dll beside it.
set -euo pipefail
build=$(cd "$1" && pwd)
src=$2
source "$src/tests/wine/lib.sh"
zelrun_suite zelrun

# Boxes answered in order, a value with CR LF and one with a control byte, a command not built
# yet, a variable from the command line.
zel_project boxes '[
  {"command": "MessageBox", "parameters": ["First", "Continue?", "1", "4", "FIRST"]},
  {"command": "MessageBox", "parameters": ["Second", "Line$NEWLINE$two", "2", "5", "SECOND"]},
  {"command": "Set Variable", "parameters": ["LINES", "a$NEWLINE$b"]},
  {"command": "Set Component State", "parameters": ["Main", "TRUE"]}
 ]'
zelrun_exe --trace --answer no --answer CANCEL --arg GIVEN=from_command_line boxes.script
[ "$code" = 0 ] || fail "exit code $code"
expect_store FIRST=NO SECOND=CANCEL 'LINES=a$NEWLINE$b' GIVEN=from_command_line 'WIZARD=NEXT'
grep -qxF 'MessageBox: Second | Line$NEWLINE$two | icon=2 | buttons=5' "$work/err" ||
  fail "box not logged: $(cat "$work/err")"
grep -qx 'exec 3 Set Variable' "$work/err" || fail "no trace"
grep -qx 'not built yet: 4 Set Component State' "$work/err" || fail "unbuilt command not reported"
# Byte for byte as zelrun prints: lines end with LF alone.
! grep -q $'\r' "$work/out" "$work/err" || fail "CR in the output"
exe=$(grep '^EXEFILE=' "$work/out" | cut -d= -f2-)
[ "$exe" = "$(winepath -w "$build/tools/zelrun.exe")" ] || fail "EXEFILE=$exe"

# Silent: no box shown, nothing logged; the run's own support folder is gone afterwards.
zelrun_exe --silent boxes.script
expect_store SILENT=TRUE 'LINES=a$NEWLINE$b'
! grep -q MessageBox "$work/err" || fail "silent run showed a box"
! grep -q '^FIRST=' "$work/out" || fail "a silent box answered"
support=$(winepath -u "$(grep '^SUPPORTDIR=' "$work/out" | cut -d= -f2-)")
[ ! -e "$support" ] || fail "support folder $support left behind"

# Dialogs from the support folder, answered from --dialog; a given support folder stays.
mkdir "$work/support"
for page in welcome folder progress; do
  (cd "$work" && wine "$build/tools/zelpack.exe" txt2dfm "Z:$src/examples/dialogs/$page.txt" \
    "support/$page.dfm") || fail "txt2dfm $page"
  cp "$src/examples/dialogs/$page.dfm.zelf" "$work/support/"
done
cp "$src/examples/hello.json" "$work/"
(cd "$work" && wine "$build/tools/zelpack.exe" script hello.json -o hello.script) || fail "hello"
zelrun_exe --support-dir support --dialog NEXT --dialog CANCEL hello.script
[ "$code" = 0 ] || fail "hello exit code $code"
expect_store WIZARD=CANCEL "SUPPORTDIR=$(winepath -w "$work/support")\\"
[ -e "$work/support/welcome.dfm" ] || fail "the given support folder was removed"
zelrun_exe --support-dir support --dialog NEXT --dialog NEXT hello.script
expect_store WIZARD=NEXT
rm "$work/support/folder.dfm.zelf"
zelrun_exe --support-dir support hello.script
[ "$code" = 11 ] || fail "a missing rule file ended with $code"
grep -q 'Cannot open file ".*folder.dfm.zelf"' "$work/err" || fail "no failure report"

# The archive library through zel.dll: an encrypted archive written by 7-Zip.
mkdir -p "$work/source/sub"
printf 'payload\r\n' >"$work/source/sub/file.txt"
(cd "$work/source" && 7zz a -bso0 -bsp0 "$work/payload.7z" ./* -psecret -mhe=on)
zel_project extract '[
  {"command": "Extract 7Zip Archive", "parameters": ["payload.7z", "unpacked", "GOOD", "$PASSWORD$", "TRUE", "TRUE"]},
  {"command": "Extract 7Zip Archive", "parameters": ["payload.7z", "unpacked2", "WRONG", "nope", "TRUE", "TRUE"]}
 ]'
zelrun_exe --silent --arg PASSWORD=secret extract.script
expect_store GOOD=SUCCESS \
  'WRONG=The archive cannot be opened: unsupported archive or incorrect password'
cmp "$work/source/sub/file.txt" "$work/unpacked/sub/file.txt" || fail "extracted file differs"

# A validation fault is printed, nothing runs; a truncated script is the general failure.
zel_project invalid '[{"command": "If", "parameters": ["NOSUCH", "0", "x", "FALSE"]},
  {"command": "End"}]'
zelrun_exe invalid.script
[ "$code" = 0 ] || fail "validation fault exit code $code"
grep -qx 'validation: 0: Variable not defined: NOSUCH' "$work/err" ||
  fail "validation not reported: $(cat "$work/err")"
head -c 40 "$work/boxes.script" >"$work/cut.script"
zelrun_exe cut.script
[ "$code" = 11 ] || fail "truncated script exit code $code"
grep -q '^MessageBox: Kestrix | Runtime error in install: the script ends before' "$work/err" ||
  fail "general failure not shown: $(cat "$work/err")"

# Refused before anything runs: a registry file, a missing script, an unknown option.
zelrun_exe --registry x.reg boxes.script
[ "$code" = 2 ] && grep -q 'zelrun: --registry is for the headless registry' "$work/err" ||
  fail "--registry accepted ($code)"
[ ! -s "$work/out" ] || fail "a refused run printed a store"
zelrun_exe missing.script
[ "$code" = 2 ] && grep -qx 'zelrun: cannot read missing.script' "$work/err" ||
  fail "missing script: $code $(cat "$work/err")"
zelrun_exe --bogus boxes.script
[ "$code" = 2 ] && grep -q '^usage: zelrun' "$work/err" || fail "unknown option: $code"
echo "zelrun.exe: 1 passed, 0 failed"
