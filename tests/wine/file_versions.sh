#!/usr/bin/env bash
# "Get File Version" and "Check File Version" through zelrun.exe, over a program whose version
# resource windres compiled (1.2.3.4), files without one, and a library of Wine's own.
set -euo pipefail
build=$(cd "$1" && pwd)
src=$2
source "$src/tests/wine/lib.sh"
zelrun_suite versions
cp "$build/tests/kx_versioned.exe" "$work/versioned.exe"
cp "$build/tests/kx_machine_facts.exe" "$work/facts.exe"
mkdir "$work/folder"
echo text >"$work/plain.txt"
browser=$(cd "$work" && wine facts.exe | tr -d '\r' | sed -n 's/^browser=//p')

# NAME|FILE|version it reports
versions=(
  'VERSIONED|versioned.exe|1.2.3.4'
  'PLAIN|plain.txt|0.0.0.0'
  'MISSING|missing.exe|0.0.0.0'
  'FOLDER|folder|0.0.0.0'
  "SYSTEM|C:\\\\windows\\\\system32\\\\shdocvw.dll|$browser"
)
# NAME|version text|answer for versioned.exe (1.2.3.4)
texts=(
  'SHORT|1.2|TRUE'
  'EQUAL|1.2.3.4|FALSE'
  'ONEMORE|1.2.3.5|FALSE'
  'ONELESS|1.2.3.3|TRUE'
  'MINOR|1.3|FALSE'
  'MAJOR|2|FALSE'
  'THREE|1.2.3|TRUE'
  'EMPTY||TRUE'
  'LASTNOTNUMBER|1.2.3.x|TRUE'
  'BIGPARTS|1.2.65535.0|FALSE'
)
# NAME|first file|second file|answer
files=(
  'NEWER|versioned.exe|plain.txt|TRUE'
  'OLDER|plain.txt|versioned.exe|FALSE'
  'SAME|versioned.exe|versioned.exe|FALSE'
  'NONE|plain.txt|missing.exe|FALSE'
)
statements=
add() { statements+="${statements:+,}{\"command\": \"$1\", \"parameters\": [$2]}"; }
for case in "${versions[@]}"; do
  IFS='|' read -r name file _ <<<"$case"
  add "Get File Version" "\"$file\", \"\$V_$name\$\""
done
for case in "${texts[@]}"; do
  IFS='|' read -r name text _ <<<"$case"
  add "Check File Version" "\"T_$name\", \"versioned.exe\", \"FALSE\", \"\", \"$text\""
done
for case in "${files[@]}"; do
  IFS='|' read -r name first second _ <<<"$case"
  add "Check File Version" "\"F_$name\", \"$first\", \"TRUE\", \"$second\", \"9.9\""
done
zel_project versions "[$statements]"
zelrun_exe --silent versions.script
[ "$code" = 0 ] || fail "exit code $code: $(cat "$work/err")"
failed=0
check() {
  grep -qxF -- "$1" "$work/out" ||
    { echo "FAIL: expected $1, got $(grep "^${1%%=*}=" "$work/out")"; failed=1; }
}
[ -n "$browser" ] && [ "$browser" != 0.0.0.0 ] || { echo "FAIL: Wine reports no shdocvw.dll version"; failed=1; }
for case in "${versions[@]}"; do
  IFS='|' read -r name _ version <<<"$case"
  check "V_$name=$version"
done
for case in "${texts[@]}"; do
  IFS='|' read -r name _ answer <<<"$case"
  check "T_$name=$answer"
done
for case in "${files[@]}"; do
  IFS='|' read -r name _ _ answer <<<"$case"
  check "F_$name=$answer"
done
[ "$failed" = 0 ] || exit 1

# A part before a dot that is not a number stops the run with a script error.
zel_project bad '[{"command": "Check File Version", "parameters": ["BAD", "versioned.exe", "FALSE", "", "1.x.3"]},
  {"command": "Set Variable", "parameters": ["AFTER", "ran"]}]'
zelrun_exe bad.script
[ "$code" = 11 ] || fail "a bad version text ended with $code"
grep -q "^MessageBox: Kestrix | Runtime error in setup script:.*'x' is not a valid integer value" "$work/err" ||
  fail "no script error: $(cat "$work/err")"
! grep -q '^AFTER=' "$work/out" || fail "the run went on after the script error"
echo "file versions: $((${#versions[@]} + ${#texts[@]} + ${#files[@]} + 1)) cases passed"
