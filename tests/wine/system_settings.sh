#!/usr/bin/env bash
# "Get System Settings" for every number through zelrun.exe on Xvfb screens of 1024 x 768 and
# 600 x 800, against what Wine reports of itself (memory, colour depth, pixels per inch, the
# browser and winver versions, names, rights), and the Windows version numbers under the
# versions Wine can pretend to be, Windows 95 to 8.
set -euo pipefail
build=$(cd "$1" && pwd)
src=$2
source "$src/tests/wine/lib.sh"
xvfb_start
zelrun_suite settings

declare -A fact
while IFS='=' read -r name value; do fact[$name]=$value; done < <(
  wine "$build/tests/kx_machine_facts.exe" | tr -d '\r')
environment() { wine cmd /c echo "%$1%" | tr -d '\r'; }
owners() {
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' /v RegisteredOwner /d 'NT Owner' /f
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' /v RegisteredOrganization /d 'NT Company' /f
  wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion' /v RegisteredOwner /d '9x Owner' /f
} >/dev/null 2>&1
owners

statements=
for number in $(seq 0 64); do
  statements+="${statements:+,}{\"command\": \"Get System Settings\", \"parameters\": [\"S$number\", \"$number\"]}"
done
zel_project settings "[$statements]"

truth() { if "$@"; then echo TRUE; else echo FALSE; fi; }
# A version a.b.c.d as one comparable number.
version_number() {
  local IFS=.
  read -r a b c d <<<"$1"
  printf '%05d%05d%05d%05d' "$a" "$b" "$c" "$d"
}
browser_table=(6.0.2800.1106 6.0.2600.0 5.5.4807.2300 5.5.4522.1800 5.5.4134.100 5.0.3502.5400
  5.0.3314.2100 5.0.2919.6307 5.0.2014.213 4.72.3612.1707 4.72.3110.3 4.72.2106.7 4.71.1712.5
  4.70.1300.0 4.70.1215.0 4.70.1155.0)

declare -A want
want[0]=${fact[admin]}
megabytes=(32 64 128 256 512 1024 2048)
for i in $(seq 1 7); do
  want[$i]=$(truth [ "${fact[memory]}" -ge $(((${megabytes[$((i - 1))]} - 2) << 20)) ])
done
# The Xvfb screen: 1024 x 768.
want[8]=TRUE want[9]=TRUE want[10]=FALSE want[11]=FALSE want[12]=FALSE
depths=(8 16 24 32)
for i in 0 1 2 3; do want[$((13 + i))]=$(truth [ "${fact[bits]}" -ge "${depths[$i]}" ]); done
want[33]=${fact[translation]}
want[34]=${fact[language]}
want[35]='NT Owner' want[36]='NT Company'
for i in $(seq 0 15); do
  want[$((37 + i))]=$(truth [ "$(version_number "${fact[browser]}")" \> "$(version_number "${browser_table[$i]}")" -o \
    "$(version_number "${fact[browser]}")" = "$(version_number "${browser_table[$i]}")" ])
done
for i in $(seq 53 58); do want[$i]=FALSE; done  # no IIS
want[59]=''
want[60]=$(environment USERNAME)
want[61]=$(environment COMPUTERNAME)
want[62]=$(environment USERDOMAIN)
want[63]=$([ "${fact[admin]}" = TRUE ] && echo ADMIN || echo USER)
want[64]=${fact[ppi]}

# Every number but 17 to 32, which are checked under each Windows version below.
[ "${#want[@]}" = 49 ] || fail "the table has ${#want[@]} numbers"
failed=0
check() {
  grep -qxF -- "$1" "$work/out" ||
    { echo "FAIL: expected $1, got $(grep "^${1%%=*}=" "$work/out")"; failed=1; }
}
zelrun_exe --silent settings.script
[ "$code" = 0 ] || fail "exit code $code: $(cat "$work/err")"
for number in "${!want[@]}"; do check "S$number=${want[$number]}"; done
[ -n "${fact[language]}" ] && [ "${fact[translation]}" != 0 ] || { echo "FAIL: no winver language"; failed=1; }

# IIS 5.1 as its registry says.
wine reg add 'HKLM\Software\Microsoft\InetStp' /v MajorVersion /t REG_DWORD /d 5 /f >/dev/null 2>&1
wine reg add 'HKLM\Software\Microsoft\InetStp' /v MinorVersion /t REG_DWORD /d 1 /f >/dev/null 2>&1
zelrun_exe --silent settings.script
check S53=FALSE
for number in 54 55 56 57 58; do check "S$number=TRUE"; done

# Numbers 17 to 32 under each Windows version Wine reports (T for TRUE, F for FALSE): Windows
# 98 says 4.10 with a build above 67766445, which counts as 4.11.
versions=(
  'win95|TFTFFFTFFFFFFFFF' 'win98|TFTTTFTFFFFFFFFF' 'winme|TFTTTTTFFFFFFFFF'
  'win2k|FTTTTTTTFFTTTTFF' 'winxp|FTTTTTTTTFTTTFFF' 'winxp64|FTTTTTTTTTTTFFFF'
  'win7|FTTTTTTTTTTFFFFF' 'win8|FTTTTTTTTTFFFFFF'
)
for entry in "${versions[@]}"; do
  IFS='|' read -r name answers <<<"$entry"
  wine reg add 'HKCU\Software\Wine' /v Version /d "$name" /f >/dev/null 2>&1
  zelrun_exe --silent settings.script
  for i in $(seq 0 15); do
    answer=$([ "${answers:$i:1}" = T ] && echo TRUE || echo FALSE)
    grep -qxF "S$((17 + i))=$answer" "$work/out" ||
      { echo "FAIL: $name: expected S$((17 + i))=$answer"; failed=1; }
  done
  # Windows 9x: every user an administrator, no domain, the owner of the 9x key.
  if [ "${answers:0:1}" = T ]; then
    for line in S0=TRUE S63=ADMIN S62= 'S35=9x Owner'; do
      grep -qxF "$line" "$work/out" || { echo "FAIL: $name: expected $line"; failed=1; }
    done
  fi
done

# A portrait screen of 600 x 800 counts as 800 x 600, and is smaller than 1024 x 768.
wineserver -k
kill "$XVFB_PID"
xvfb_start 600x800x24
zelrun_exe --silent settings.script
for line in S8=TRUE S9=FALSE; do
  grep -qxF "$line" "$work/out" || { echo "FAIL: portrait: expected $line"; failed=1; }
done
[ "$failed" = 0 ] || exit 1
echo "system settings: 65 numbers, ${#versions[@]} Windows versions and a portrait screen passed"
