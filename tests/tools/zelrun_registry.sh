#!/usr/bin/env bash
# zelrun --registry: a run starts from a registry editor file and leaves its registry in it.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export LC_ALL=C
utf16() { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; }

# The run reads the registered owner and values of every type, deletes a stale resume entry and
# writes a new one.
cat >"$work/p.json" <<'JSON'
{"title": "Registry", "productCode": "{D476A5F2-B52A-464F-82D1-2B29B76326B2}",
 "statements": [
  {"command": "Check Registry", "parameters": ["EXPAND", "1", "software\\UNTOUCHED", ""]},
  {"command": "Check Registry", "parameters": ["DWORD", "1", "Software\\Untouched", "d"]},
  {"command": "Check Registry", "parameters": ["BIN", "1", "Software\\Untouched", "Bin"]},
  {"command": "Check Registry", "parameters": ["MULTI", "1", "Software\\Untouched", "Multi"]},
  {"command": "Check Registry", "parameters": ["EMPTYKEY", "1", "Software\\Untouched\\Empty", ""]},
  {"command": "Check Registry", "parameters": ["NOKEY", "2", "Software\\Untouched", ""]},
  {"command": "Read Registry", "parameters": ["OWNER", "2", "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "RegisteredOwner"]},
  {"command": "Read Registry", "parameters": ["BINREAD", "1", "Software\\Untouched", "Bin"]},
  {"command": "Reboot and Resume", "parameters": []}
 ]}
JSON
"$build/tools/zelpack" script "$work/p.json" -o "$work/p.script"
sed 's/$/\r/' <<'REG' | utf16 >"$work/machine.reg"
Windows Registry Editor Version 5.00

; what the run starts from
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion]
"RegisteredOwner"="Zoë \"Q\""
"RegisteredOrganization"="Kestrix \\ Test"

[HKCU\Software\Microsoft\Windows\CurrentVersion\Run]
"D476A5F2"="stale"
"Other"="kept"

[HKEY_CURRENT_USER\Software\Untouched]
@=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,00,00
"Bin"=hex:00,ff,\
  10
"Multi"=hex(7):61,00,00,00,e9,00,00,00,00,00
"Q"=hex(b):01,00,00,00,00,00,00,00
"D"=dword:ffffffff
"None"=hex(0):

[HKEY_CURRENT_USER\Software\Untouched\Empty]
REG
"$build/tools/zelrun" --registry "$work/machine.reg" "$work/p.script" >"$work/out" 2>"$work/err" \
  || { cat "$work/err"; fail "run with a registry failed"; }
grep -qxF "$(printf 'USERNAME=Zo\xeb "Q"')" "$work/out" || fail "registered owner not read"
grep -qxF 'USERCOMPANY=Kestrix \ Test' "$work/out" || fail "registered organization not read"
for answer in 'EXPAND=%TEMP%' 'DWORD=-1' 'BIN=BINARY$VALUE' 'MULTI=UNKNOWN$TYPE' \
  'EMPTYKEY=NO$VALUE' 'NOKEY=NO$KEY' "$(printf 'OWNER=Zo\xeb "Q"')" 'BINREAD='; do
  grep -qxF "$answer" "$work/out" || { cat "$work/out"; fail "no $answer"; }
done
[ "$(head -c 2 "$work/machine.reg" | od -An -tx1 | tr -d ' ')" = fffe ] || fail "no UTF-16 byte order mark"
exe=$(realpath "$build/tools/zelrun")
resume="Z:${exe//\//\\\\}"
sed 's/$/\r/' >"$work/expected" <<REG
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software]

[HKEY_CURRENT_USER\\Software\\Microsoft]

[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows]

[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion]

[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]
"Other"="kept"

[HKEY_CURRENT_USER\\Software\\Orlanvik]

[HKEY_CURRENT_USER\\Software\\Orlanvik\\Kestrix]

[HKEY_CURRENT_USER\\Software\\Orlanvik\\Kestrix\\Seven Zip]
"Path"="C:\\\\Users\\\\user\\\\Application Data\\\\Seven Zip\\\\"

[HKEY_CURRENT_USER\\Software\\Untouched]
@=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,00,00
"Bin"=hex:00,ff,10
"D"=dword:ffffffff
"Multi"=hex(7):61,00,00,00,e9,00,00,00,00,00
"None"=hex(0):
"Q"=hex(b):01,00,00,00,00,00,00,00

[HKEY_CURRENT_USER\\Software\\Untouched\\Empty]

[HKEY_LOCAL_MACHINE\\SOFTWARE]

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft]

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows]

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]
"D476A5F2"="$resume"

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT]

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]
"RegisteredOrganization"="Kestrix \\\\ Test"
"RegisteredOwner"="Zoë \\"Q\\""

REG
tail -c +3 "$work/machine.reg" | iconv -f UTF-16LE -t UTF-8 >"$work/written"
diff "$work/expected" "$work/written" || fail "registry written back differs"
# What zelrun wrote, it reads again: a second run leaves the same file.
cp "$work/machine.reg" "$work/first.reg"
"$build/tools/zelrun" --registry "$work/machine.reg" "$work/p.script" >/dev/null 2>&1
cmp "$work/first.reg" "$work/machine.reg" || fail "second run changed the file"

# A REGEDIT4 file is 8-bit text and is written back as one.
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n"RegisteredOwner"="Caf\xe9"\r\n"Expand"=hex(2):25,41,25,00\r\n' >"$work/old.reg"
"$build/tools/zelrun" --registry "$work/old.reg" "$work/p.script" >"$work/out" 2>"$work/err" \
  || { cat "$work/err"; fail "run with a REGEDIT4 file failed"; }
grep -qxF "$(printf 'USERNAME=Caf\xe9')" "$work/out" || fail "8-bit owner not read"
[ "$(head -n 1 "$work/old.reg")" = $'REGEDIT4\r' ] || fail "REGEDIT4 not written back as REGEDIT4"
grep -qxF "$(printf '"RegisteredOwner"="Caf\xe9"\r')" "$work/old.reg" || fail "8-bit text not kept"
grep -qxF "$(printf '"Expand"=hex(2):25,41,25,00\r')" "$work/old.reg" || fail "8-bit hex(2) not kept"

# A file that does not exist yet receives what the run wrote.
"$build/tools/zelrun" --registry "$work/new.reg" "$work/p.script" >/dev/null 2>&1
tail -c +3 "$work/new.reg" | iconv -f UTF-16LE -t UTF-8 | grep -qxF "\"D476A5F2\"=\"$resume\""$'\r' \
  || fail "new registry file lacks the run's value"

# A malformed file is refused with its line and reason; nothing runs and the file stays.
for case in 'bad hex byte "zz"|"Bin"=hex:01,zz' 'unknown root key "HKEY_NOWHERE"|[HKEY_NOWHERE\X]' \
  'unterminated string|"Open"="text'; do
  reason=${case%%|*}
  printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n%s\r\n' "${case#*|}" >"$work/bad.reg"
  cp "$work/bad.reg" "$work/bad.copy"
  set +e
  "$build/tools/zelrun" --registry "$work/bad.reg" "$work/p.script" >"$work/out" 2>"$work/err"
  code=$?
  set -e
  [ "$code" = 2 ] || fail "malformed file ($reason): exit code $code"
  [ "$(cat "$work/err")" = "zelrun: $work/bad.reg:4: $reason" ] || { cat "$work/err"; fail "message for $reason"; }
  [ ! -s "$work/out" ] || fail "a run happened despite a malformed registry file"
  cmp "$work/bad.reg" "$work/bad.copy" || fail "malformed file was changed"
done
echo "zelrun registry: 1 passed, 0 failed"
