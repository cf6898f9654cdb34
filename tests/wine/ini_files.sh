#!/usr/bin/env bash
# "Get INI File Settings" through zelrun.exe (GetPrivateProfileStringA) over one table of INI
# files: comments, blanks, quotes, duplicate sections and keys, missing file, section and key, a
# value longer than the buffer, LF line ends. The portable reader answers from the same table.
set -euo pipefail
build=$(cd "$1" && pwd)
src=$2
source "$src/tests/wine/lib.sh"
zelrun_suite ini
table=$src/tests/fixtures/ini/cases.txt

json() { printf '%s' "$1" | sed 's/\\/\\\\/g; s/"/\\"/g'; }
statements=
count=0
while IFS='|' read -r file section key _; do
  [[ $file == \#* ]] && continue
  statements+="${statements:+,}{\"command\": \"Get INI File Settings\", \"parameters\": [\"I$count\", \"\$INIDIR\$$file\", \"$(json "$section")\", \"$(json "$key")\"]}"
  count=$((count + 1))
done <"$table"
zel_project ini "[$statements]"
zelrun_exe --silent --arg "INIDIR=$(winepath -w "$src/tests/fixtures/ini")\\" ini.script
[ "$code" = 0 ] || fail "exit code $code: $(cat "$work/err")"
failed=0
count=0
while IFS='|' read -r file section key value; do
  [[ $file == \#* ]] && continue
  grep -qxF -- "I$count=$value" "$work/out" ||
    { echo "FAIL: $file [$section] $key: expected '$value', got $(grep "^I$count=" "$work/out")"; failed=1; }
  count=$((count + 1))
done <"$table"
[ "$failed" = 0 ] || exit 1
echo "INI files: $count lookups passed"
