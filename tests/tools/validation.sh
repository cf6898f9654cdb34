#!/usr/bin/env bash
# zelrun reports a script that fails validation as "validation: INDEX: MESSAGE" and runs none
# of its statements; a valid script runs.
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# project NAME STATEMENTS_JSON: writes $out/NAME.script through zelpack.
project() {
  printf '{"title": "Validation", "statements": [%s]}' "$2" >"$out/$1.json"
  "$build/tools/zelpack" script "$out/$1.json" -o "$out/$1.script"
}

# The dialogs are loaded before validation runs: the scripts' one page must exist.
mkdir "$out/support"
printf 'object Page: TPoolTemplate\nend\n' >"$out/page.txt"
"$build/tools/zelpack" txt2dfm "$out/page.txt" "$out/support/page.dfm"
: >"$out/support/page.dfm.zelf"

# expect NAME EXPECTED_STDERR: runs the script with --trace and compares its stderr.
expect() {
  local status=0
  "$build/tools/zelrun" --support-dir "$out/support" --trace "$out/$1.script" >"$out/$1.stdout" 2>"$out/$1.stderr" || status=$?
  if [[ $status -ne 0 ]]; then
    echo "FAIL $1: exit code $status"
    exit 1
  fi
  if [[ "$(cat "$out/$1.stderr")" != "$2" ]]; then
    echo "FAIL $1: stderr was:"
    cat "$out/$1.stderr"
    echo "expected:"
    echo "$2"
    exit 1
  fi
}

project undefined '
  {"command": "Comment", "parameters": ["first"]},
  {"command": "MessageBox", "parameters": ["Caption", "Text", "0", "0", "ANSWER"]},
  {"command": "If", "parameters": ["NOSUCH", "0", "x", "FALSE"]},
  {"command": "End"}'
expect undefined 'validation: 2: Variable not defined: NOSUCH'

project unbalanced '
  {"command": "If", "parameters": ["RUNAPP", "0", "TRUE", "FALSE"]},
  {"command": "Comment", "parameters": ["no end"]},
  {"command": "Comment", "parameters": ["last"]}'
expect unbalanced 'validation: 2: Insufficient END statements'

project loop '
  {"command": "Wizard Loop"},
  {"command": "Display Dialog", "parameters": ["page", "WIZARD", "TRUE", "", "TRUE", "FALSE"]},
  {"command": "Set Variable", "parameters": ["X", "1"], "disabled": true},
  {"command": "Set Variable", "parameters": ["X", "1"]},
  {"command": "End"}'
expect loop 'validation: 3: Statements other than DISPLAY DIALOG not allowed inside WIZARD LOOP'

# A failed validation prints the store the pass left: the predefined names, empty.
grep -qx 'TARGETDIR=' "$out/loop.stdout"
grep -qx 'X=' "$out/loop.stdout"

project valid '
  {"command": "If", "parameters": ["$RUNAPP$", "0", "TRUE", "FALSE"]},
  {"command": "GoTo Label", "parameters": ["done"]},
  {"command": "End"},
  {"command": "Label", "parameters": ["Done"]}'
expect valid $'exec 1 If\nexec 2 GoTo Label\nexec 4 Label'
# A rule that reads past the end of the parameter section fails the pass itself: the general
# failure report, exit code 11, and still no statement runs.
project truncated '
  {"command": "End"},
  {"command": "If", "parameters": ["RUNAPP"]}'
status=0
"$build/tools/zelrun" --trace "$out/truncated.script" >/dev/null 2>"$out/truncated.stderr" || status=$?
[[ $status -eq 11 ]] || { echo "FAIL truncated: exit code $status"; exit 1; }
grep -q 'Runtime error in install: List index out of bounds (3)' "$out/truncated.stderr"
if grep -q '^exec' "$out/truncated.stderr"; then
  echo "FAIL truncated: statements ran"
  exit 1
fi
echo "ok"
