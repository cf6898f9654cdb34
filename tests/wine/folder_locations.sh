#!/usr/bin/env bash
# "Get Folder Location" for every number, per user and for all users, through zelrun.exe,
# against what Wine's shell (SHGetSpecialFolderPathA), registry and drives report; and
# "Get Environment" against Wine's command shell.
set -euo pipefail
build=$(cd "$1" && pwd)
src=$2
source "$src/tests/wine/lib.sh"
zelrun_suite folders

# A CD-ROM drive D: for number 10.
mkdir "$work/cd"
ln -s "$work/cd" "$WINEPREFIX/dosdevices/d:"
wine reg add 'HKLM\Software\Wine\Drives' /v d: /d cdrom /f >/dev/null 2>&1 || fail "reg add drive"
wineserver -w  # the drive types are read when Wine starts

declare -A shell
while IFS='=' read -r name path; do
  [[ $name == csidl* ]] && shell[${name#csidl}]=$path
done < <(wine "$build/tests/kx_machine_facts.exe" | tr -d '\r')
registry() {
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
slashed() { [ -z "$1" ] && echo "" || echo "${1%\\}\\"; }

# Number, then the CSIDL numbers per user and for all users (as the engine's table gives them),
# or the fact the folder comes from.
expected() {
  local number=$1 allUsers=$2
  local -A user=([0]=32 [1]=33 [2]=5 [3]=6 [4]=13 [5]=39 [6]=14 [7]=19 [8]=27 [11]=48 [12]=11
    [13]=7 [14]=2 [15]=26 [16]=59 [17]=0 [18]=20 [19]=40 [20]=38 [21]=8 [22]=9 [24]=21)
  local -A common=([3]=31 [4]=53 [5]=54 [6]=55 [11]=47 [12]=22 [13]=24 [14]=23 [15]=35 [17]=25
    [19]=62 [20]=43)
  if [ -n "${user[$number]:-}" ]; then
    local csidl=${user[$number]}
    [ "$allUsers" = TRUE ] && [ -n "${common[$number]:-}" ] && csidl=${common[$number]}
    slashed "${shell[$csidl]:-}"
    return
  fi
  case $number in
    9) slashed "$(registry 'HKLM\Software\Microsoft\Windows\CurrentVersion\Setup' BootDir)" ;;
    10) echo 'D:\' ;;
    23) slashed "${shell[37]}" ;;
    25) slashed "${shell[36]}" ;;
    26) slashed "$(registry 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' AppData)\\Microsoft\\Internet Explorer\\Quick Launch" ;;
    27) echo "" ;;
  esac
}

statements=
for number in $(seq 0 27); do
  for allUsers in FALSE TRUE; do
    statements+="${statements:+,}{\"command\": \"Get Folder Location\", \"parameters\": [\"F${number}_$allUsers\", \"$number\", \"$allUsers\"]}"
  done
done
statements+=',{"command": "Get Environment", "parameters": ["APPDATA", "$ENV_APPDATA$"]}'
statements+=',{"command": "Get Environment", "parameters": ["KX_NOT_SET", "ENV_UNSET"]}'
zel_project folders "[$statements]"
zelrun_exe --silent folders.script
[ "$code" = 0 ] || fail "exit code $code: $(cat "$work/err")"
failed=0
nonempty=0
for number in $(seq 0 27); do
  for allUsers in FALSE TRUE; do
    line="F${number}_$allUsers=$(expected "$number" "$allUsers")"
    [ "${line#*=}" = "" ] || nonempty=$((nonempty + 1))
    grep -qxF -- "$line" "$work/out" ||
      { echo "FAIL: expected $line, got $(grep "^${line%%=*}=" "$work/out")"; failed=1; }
  done
done
# Wine knows most folders; an empty answer everywhere would prove nothing.
[ "$nonempty" -ge 40 ] || { echo "FAIL: only $nonempty folders known"; failed=1; }
appdata=$(wine cmd /c echo %APPDATA% | tr -d '\r')
grep -qxF "ENV_APPDATA=$appdata" "$work/out" || { echo "FAIL: APPDATA $appdata"; failed=1; }
grep -qxF "ENV_UNSET=%KX_NOT_SET%" "$work/out" || { echo "FAIL: unset variable"; failed=1; }
[ "$failed" = 0 ] || exit 1

# The web server root: PathWWWRoot, else the virtual root "/" up to its first comma.
roots='SYSTEM\CurrentControlSet\Services\W3SVC\Parameters\Virtual Roots'
wine reg add "HKLM\\$roots" /v / /d 'C:\inetpub\wwwroot,,201' /f >/dev/null 2>&1
zelrun_exe --silent folders.script
expect_store 'F27_FALSE=C:\inetpub\wwwroot\'
wine reg add 'HKLM\Software\Microsoft\InetStp' /v PathWWWRoot /d 'D:\web' /f >/dev/null 2>&1
zelrun_exe --silent folders.script
expect_store 'F27_FALSE=D:\web\'
echo "folder locations: 56 numbers, the web root and the environment passed"
