#!/usr/bin/env bash
# A setup built from zelstub.exe and a script runs silently under Wine: exit codes, the support
# folder, and the setup files beside it.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d /tmp/kx-setup.XXXXXX)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb=""
trap 'wineserver -k >/dev/null 2>&1 || true; [ -z "$xvfb" ] || kill "$xvfb"; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A display of our own (before the prefix boots: its desktop binds to the display it finds).
for n in $(seq 90 140); do
  [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
  Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=:$n
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
  break
done
[ -n "$xvfb" ] || fail "no X display"
wineboot -i >/dev/null 2>&1

# project NAME STATEMENTS-JSON: a script NAME.script compiled by our zelpack.
project() {
  cat >"$work/$1.json" <<JSON
{"title": "Wine Test", "productCode": "{6F1C2D3E-0000-4000-8000-000000000001}",
 "revisionCode": "{6F1C2D3E-0000-4000-8000-000000000002}", "statements": $2}
JSON
  (cd "$work" && wine "$build/tools/zelpack.exe" script "$1.json" -o "$1.script") ||
    fail "zelpack $1"
}

# setup FOLDER SCRIPT-OR-EMPTY FILES...: setup.exe (the engine with the script appended) and
# the named support files in a folder of its own.
setup() {
  local folder="$work/$1" script=$2
  shift 2
  rm -rf "$folder" && mkdir -p "$folder"
  cp "$build/platform/win32/zelstub.exe" "$folder/setup.exe"
  [ -z "$script" ] || cat "$work/$script" >>"$folder/setup.exe"
  for file in "$@"; do echo "$file" >"$folder/$file"; done
}

# exit_code FOLDER ARGS...: the setup's whole exit code, read through cmd (the shell's exit
# status would keep only its low byte).
exit_code() {
  local folder=$1
  shift
  (cd "$work/$folder" &&
    printf 'start /wait setup.exe %s\r\necho [%%ERRORLEVEL%%]>code.txt\r\n' "$*" >run.bat &&
    timeout 120 wine cmd /c run.bat >/dev/null 2>&1) || true
  tr -d '[]\r\n' <"$work/$folder/code.txt"
}

expect_code() {
  local expected=$1 folder=$2
  shift 2
  local code
  code=$(exit_code "$folder" "$@")
  [ "$code" = "$expected" ] || fail "$folder $*: exit code $code, expected $expected"
}

temp=$(winepath -u "$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')")
[ -d "$temp" ] || fail "no temporary folder ($temp)"

project terminate '[{"command": "Terminate with Exit Code", "parameters": ["$CODE$"]}]'
# Passes validation, fails when it runs: the mode is not an integer.
project failing '[{"command": "Parse String", "parameters": ["a.b", ".", "F", "S", "zero", "", ""]}]'

setup code terminate.script setup.res setup.msi
expect_code 3010 code /s CODE=3010
expect_code 0 code /s CODE=abc
ls -d "$temp"/zel* >/dev/null 2>&1 && fail "support folder left behind: $(ls -d "$temp"/zel*)"

setup bare "" setup.res setup.msi
expect_code 0 bare /s

setup failing failing.script setup.res setup.msi
expect_code 11 failing /s

head -c 60 "$work/terminate.script" >"$work/cut.script"
setup cut cut.script setup.res setup.msi
expect_code 11 cut /s

# Only a patch package: the run proceeds (and here ends with its exit code).
setup patch terminate.script setup.res setup.msp
expect_code 7 patch /s CODE=7

# With zel1 and zel2 taken, the run takes zel3; an early end (no database) leaves it in place.
mkdir -p "$temp/zel1" "$temp/zel2"
echo kept >"$temp/zel1/leftover.txt"
setup nodatabase terminate.script setup.res
expect_code 0 nodatabase /s CODE=5
[ -d "$temp/zel3" ] || fail "zel3 not created: $(ls "$temp")"
[ "$(cat "$temp/zel1/leftover.txt")" = kept ] || fail "zel1 touched"
[ -d "$temp/zel2" ] || fail "zel2 removed"
[ -d "$temp/zel4" ] && fail "zel4 created"

# "Reboot and Resume" writes the resume entry (HKLM: the Wine user is an administrator) with the
# program path and the arguments; the next start removes it before its first statement.
project resume '[{"command": "Reboot and Resume"}]'
setup resume resume.script setup.res setup.msi
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
expect_code 0 resume TARGETDIR=X /s
entry=$(wine reg query "$run_key" /v 6F1C2D3E 2>/dev/null | tr -d '\r' | grep 6F1C2D3E) ||
  fail "no resume entry"
expected="$(winepath -w "$work/resume/setup.exe") TARGETDIR=X /s"
[ "${entry#*REG_SZ    }" = "$expected" ] || fail "resume entry '$entry', expected '$expected'"
cp "$work/code/setup.exe" "$work/resume/setup.exe"
expect_code 3 resume /s CODE=3
wine reg query "$run_key" /v 6F1C2D3E >/dev/null 2>&1 && fail "resume entry not removed"

# The start-up windows' geometry, read back from the windows themselves.
wine "$build/tests/kx_wine_tests.exe" --gtest_filter='Win32StartupServices.PreparingWindow*' \
  >"$work/geometry.txt" 2>&1 || true
grep -q '^\[       OK \] Win32StartupServices.PreparingWindow' "$work/geometry.txt" ||
  { cat "$work/geometry.txt"; fail "preparing window geometry"; }

# A picture of the splash and the preparing window behind "For internal use only".
setup shown "" setup.res setup.msi
convert -size 320x200 gradient:navy-skyblue bmp3:"$work/shown/setup.bmp"
(cd "$work/shown" && wine setup.exe >/dev/null 2>&1 &)
for _ in $(seq 100); do
  xwininfo -root -tree | grep -q '"Kestrix"' && break
  sleep 0.2
done
xwininfo -root -tree | grep -q '"Kestrix"' || fail "no message box on screen"
mkdir -p "$build/screenshots"
import -window root "$build/screenshots/startup-windows.png"

echo "setup runs: 11 passed, 0 failed"
