#!/usr/bin/env bash
# "Read Registry" and "Check Registry" through zelrun.exe, over values that Wine's own reg
# command added: every value type, the five roots, a missing key and a missing value.
set -euo pipefail
build=$(cd "$1" && pwd)
src=$2
source "$src/tests/wine/lib.sh"
zelrun_suite registry

add() { wine reg add "$@" /f >/dev/null 2>&1 || fail "reg add $*"; }
add 'HKCU\Software\Kestrix' /v Text /t REG_SZ /d 'plain text'
add 'HKCU\Software\Kestrix' /v Empty /t REG_SZ /d ''
add 'HKCU\Software\Kestrix' /v Expand /t REG_EXPAND_SZ /d '%SystemRoot%\%NOSUCH%\x'
add 'HKCU\Software\Kestrix' /v Max /t REG_DWORD /d 0xffffffff
add 'HKCU\Software\Kestrix' /v Lowest /t REG_DWORD /d 0x80000000
add 'HKCU\Software\Kestrix' /v Answer /t REG_DWORD /d 42
add 'HKCU\Software\Kestrix' /v Bytes /t REG_BINARY /d 0102ff
add 'HKCU\Software\Kestrix' /v List /t REG_MULTI_SZ /d 'a\0b'
add 'HKCU\Software\Kestrix' /v Wide /t REG_QWORD /d 0x100000000
add 'HKCU\Software\Kestrix' /ve /d 'the default'
add 'HKCU\Software\Kestrix' /v Accent /t REG_SZ /d 'café'
add 'HKCR\.kxtest' /ve /d kxfile
add 'HKLM\Software\Kestrix' /v Machine /t REG_SZ /d 'on the machine'
add 'HKU\.DEFAULT\Software\Kestrix' /v Users /t REG_SZ /d 'for all users'
add 'HKCC\Software\Kestrix' /v Config /t REG_SZ /d 'in the configuration'

# NAME|ROOT|KEY|VALUE|Check Registry's answer|Read Registry's answer
cases=(
  'TEXT|1|Software\Kestrix|Text|plain text|plain text'
  'EMPTY|1|Software\Kestrix|Empty||'
  'EXPAND|1|Software\Kestrix|Expand|%SystemRoot%\%NOSUCH%\x|%SystemRoot%\%NOSUCH%\x'
  'MAX|1|Software\Kestrix|Max|-1|-1'
  'LOWEST|1|Software\Kestrix|Lowest|-2147483648|-2147483648'
  'ANSWER|1|Software\Kestrix|Answer|42|42'
  'BYTES|1|Software\Kestrix|Bytes|BINARY$VALUE|'
  'LIST|1|Software\Kestrix|List|UNKNOWN$TYPE|'
  'WIDE|1|Software\Kestrix|Wide|UNKNOWN$TYPE|'
  'DEFAULT|1|Software\Kestrix||the default|the default'
  'TRAILING|1|Software\Kestrix\|Text|plain text|plain text'
  'DOUBLED|1|Software\\Kestrix|Text|plain text|plain text'
  'CLASSES|0|.kxtest||kxfile|kxfile'
  'MACHINE|2|Software\Kestrix|Machine|on the machine|on the machine'
  'USERS|3|.DEFAULT\Software\Kestrix|Users|for all users|for all users'
  'CONFIG|4|Software\Kestrix|Config|in the configuration|in the configuration'
  'NOKEY|1|Software\Kestrix\Missing|Text|NO$KEY|'
  'NOVALUE|1|Software\Kestrix|Missing|NO$VALUE|'
  'ELSEWHERE|2|Software\Kestrix|Text|NO$VALUE|'
)
json() { printf '%s' "$1" | sed 's/\\/\\\\/g; s/"/\\"/g'; }
statements=
for case in "${cases[@]}" 'ACCENT|1|Software\Kestrix|Accent||'; do
  IFS='|' read -r name root key value _ <<<"$case"
  for command in "Check Registry:C_" "Read Registry:R_"; do
    statements+="${statements:+,}{\"command\": \"${command%%:*}\", \"parameters\": [\"${command#*:}$name\", \"$root\", \"$(json "$key")\", \"$(json "$value")\"]}"
  done
done
zel_project registry "[$statements]"
zelrun_exe --silent registry.script
[ "$code" = 0 ] || fail "exit code $code: $(cat "$work/err")"
failed=0
for case in "${cases[@]}"; do
  IFS='|' read -r name _ _ _ checked read <<<"$case"
  for expected in "C_$name=$checked" "R_$name=$read"; do
    grep -qxF -- "$expected" "$work/out" ||
      { echo "FAIL: expected $expected, got $(grep "^${expected%%=*}=" "$work/out")"; failed=1; }
  done
done
# Texts come in the Windows code page: é is one byte.
grep -qx $'C_ACCENT=caf\xe9' "$work/out" && grep -qx $'R_ACCENT=caf\xe9' "$work/out" ||
  { echo "FAIL: $(grep _ACCENT= "$work/out" | od -c | head -3)"; failed=1; }
[ "$failed" = 0 ] || exit 1
echo "registry queries: ${#cases[@]} cases passed"
