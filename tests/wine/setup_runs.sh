#!/usr/bin/env bash
# A setup built from zelstub.exe and a script runs under Wine: exit codes of silent runs, the
# support folder, the setup files beside it, the resume entry, and the start-up windows as the UI
# driver reads them.
set -euo pipefail
build=$(cd "$1" && pwd)
source "$2/tests/wine/lib.sh"
xvfb_start
wine_prefix
work=$(mktemp -d /tmp/kx-setup.XXXXXX)
trap 'wine_cleanup; rm -rf "$work"' EXIT

# project NAME STATEMENTS-JSON: a script NAME.script compiled by our zelpack.
project() {
  cat >"$work/$1.json" <<JSON
{"title": "Wine Test", "productCode": "{6F1C2D3E-0000-4000-8000-000000000001}",
 "revisionCode": "{6F1C2D3E-0000-4000-8000-000000000002}", "statements": $2}
JSON
  (cd "$work" && wine "$build/tools/zelpack.exe" script "$1.json" -o "$1.script") ||
    fail "zelpack $1"
}

# The engine's files, and an empty payload archive written by zelpack build.
mkdir "$work/engine"
cp "$build/tools/zelstub.exe" "$build/media/zel/zel.dll" "$work/engine/"
echo '{"title": "Empty", "statements": []}' >"$work/empty.json"
(cd "$work" && wine "$build/tools/zelpack.exe" build empty.json -o empty --engine engine) ||
  fail "zelpack build"

# setup FOLDER SCRIPT-OR-EMPTY FILES...: setup.exe (the engine with the script appended), zel.dll
# and the named support files in a folder of its own; setup.res is the empty payload archive.
setup() {
  local folder="$work/$1" script=$2
  shift 2
  rm -rf "$folder" && mkdir -p "$folder"
  cp "$work/engine/zelstub.exe" "$folder/setup.exe"
  cp "$work/engine/zel.dll" "$folder/"
  [ -z "$script" ] || cat "$work/$script" >>"$folder/setup.exe"
  for file in "$@"; do echo "$file" >"$folder/$file"; done
  [ ! -e "$folder/setup.res" ] || cp "$work/empty/setup.res" "$folder/"
}

# exit_code FOLDER ARGS...: the setup's whole exit code, read through cmd (the shell's exit
# status would keep only its low byte). With RUN_TEMP set, the setup's TEMP and TMP name it.
exit_code() {
  local folder=$1
  shift
  (cd "$work/$folder" &&
    { [ -z "${RUN_TEMP:-}" ] || printf 'set TEMP=%s\r\nset TMP=%s\r\n' "$RUN_TEMP" "$RUN_TEMP"; } >run.bat &&
    printf 'start /wait setup.exe %s\r\necho [%%ERRORLEVEL%%]>code.txt\r\n' "$*" >>run.bat &&
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

# The command line as a script sees it: overrides unquoted, the log path lowered, CMDLINE as the
# process received it. The first variable that differs ends the run with 100 + its index.
python3 - "$work/cmdline.json" <<'PY'
import json, sys
expected = [("SILENT", "TRUE"), ("TARGETDIR", "C:\\Program Files\\App"),
            ("LOGGED", "c:\\logs\\setup.log"),
            ("CMDLINE", '"TARGETDIR=C:\\Program Files\\App" /L=C:\\Logs\\Setup.LOG /S')]
statements = []
for i, (name, value) in enumerate(expected):
    statements += [{"command": "If", "parameters": [name, "0", value, "TRUE"]},
                   {"command": "Terminate with Exit Code", "parameters": [str(100 + i)]},
                   {"command": "End"}]
statements.append({"command": "Terminate with Exit Code", "parameters": ["1"]})
json.dump({"title": "Wine Test", "statements": statements}, open(sys.argv[1], "w"))
PY
(cd "$work" && wine "$build/tools/zelpack.exe" script cmdline.json -o cmdline.script) ||
  fail "zelpack cmdline"
setup cmdline cmdline.script setup.res setup.msi
expect_code 1 cmdline '"TARGETDIR=C:\Program Files\App"' '/L=C:\Logs\Setup.LOG' /S

# A payload that is not an archive: entry 3, an early end with exit code 0.
setup corrupt terminate.script setup.msi
echo 'not an archive' >"$work/corrupt/setup.res"
expect_code 0 corrupt /s CODE=9

# A whole setup from zelpack build: the payload's dialogs and support files are unpacked into the
# support folder and the dialogs preloaded before the script runs; "Extract 7Zip Archive" unpacks
# an archive of the payload, made by the real 7-Zip with a password, through zel.dll.
mkdir -p "$work/whole/inner/docs"
cp -r "$2/examples/dialogs" "$2/examples/setup/support" "$work/whole/"
echo stub >"$work/whole/hello.msi"
seq 1 5000 >"$work/whole/inner/docs/numbers.txt"
head -c 100000 /dev/urandom >"$work/whole/inner/data.bin"
(cd "$work/whole/inner" && 7zz a -bso0 -bsp0 -psecret -mhe=on "$work/whole/support/inner.7z" ./*)
python3 - "$work/whole/whole.json" "$(winepath -w "$work/unpacked")" <<'PY'
import json, sys
dialog = lambda name: {"command": "Display Dialog",
                       "parameters": [name, "WIZARD", "TRUE", "", "TRUE", "FALSE"]}
extract = lambda result, password: {"command": "Extract 7Zip Archive", "parameters": [
    "$SUPPORTDIR$inner.7z", sys.argv[2], result, password, "TRUE", "TRUE"]}
json.dump({"title": "Whole", "supportFiles": "support", "dialogs": "dialogs", "msi": "hello.msi",
           "statements": [dialog("welcome"), dialog("folder"),
                          extract("WRONG", "nope"), extract("GOOD", "secret"),
                          {"command": "If", "parameters": ["GOOD", "0", "SUCCESS", "FALSE"]},
                          {"command": "If", "parameters": ["WRONG", "0", "SUCCESS", "TRUE"]},
                          {"command": "Terminate with Exit Code", "parameters": ["9"]},
                          {"command": "End"}, {"command": "End"},
                          {"command": "Terminate with Exit Code", "parameters": ["8"]}]},
          open(sys.argv[1], "w"))
PY
(cd "$work/whole" && wine "$build/tools/zelpack.exe" build whole.json -o setup --engine ../engine) ||
  fail "zelpack build whole"
mv "$work/whole/setup" "$work/wholesetup"
expect_code 9 wholesetup /s
diff -r "$work/whole/inner" "$work/unpacked" || fail "Extract 7Zip Archive unpacked other files"

# A dialog whose definition the payload lacks fails the start-up: exit code 11.
sed 's/"folder"/"nowhere"/' "$work/whole/whole.json" >"$work/whole/nodialog.json"
(cd "$work/whole" && wine "$build/tools/zelpack.exe" build nodialog.json -o nodialog \
  --engine ../engine) || fail "zelpack build nodialog"
mv "$work/whole/nodialog" "$work/nodialog"
expect_code 11 nodialog /s

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

# A temporary folder below folders that do not exist: they are created, then zel1 in them; the
# run reaches its script and removes zel1 at its end.
RUN_TEMP=$(winepath -w "$work/missing/deeper/temp") expect_code 6 code /s CODE=6
[ -d "$work/missing/deeper/temp" ] || fail "temporary folder not created"
[ -e "$work/missing/deeper/temp/zel1" ] && fail "support folder left below the new temporary folder"

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

# Windows: a message file carried by zel.dll (90 lines) gives the preparing window its texts and
# replaces "Setup resource not found" (no payload archive here), read back by the UI driver.
setup shown terminate.script setup.msi
{ cat "$build/tools/zelstub.exe"; for n in $(seq 90); do printf 'text %d\r\n' "$n"; done; } \
  >"$work/shown/zel.dll"
convert -size 320x200 gradient:navy-skyblue bmp3:"$work/shown/setup.bmp"
(cd "$work/shown" && wine setup.exe >/dev/null 2>&1; echo $? >"$work/shown/exit") &
shown=$!
driver="$build/tools/uidriver.exe"
wine "$driver" --class TSetupInit --timeout 60 >"$work/preparing.txt" || fail "no preparing window"
wine "$driver" --class TSetupSplash --timeout 5 >"$work/splash.txt" || fail "no splash window"
mkdir -p "$build/screenshots"
screenshot "$build/screenshots/startup-windows.png"
wine "$driver" --class '#32770' --title Kestrix --press OK >"$work/box.txt" || fail "no message box"
wait "$shown"
[ "$(cat "$work/shown/exit")" = 0 ] || fail "exit code $(cat "$work/shown/exit") after the box"
grep -q '^control class=Static id=[0-9-]* text=text 2 ' "$work/box.txt" ||
  { cat "$work/box.txt"; fail "box text"; }
grep -q '^window class=TSetupInit title=text 23 .* client=385,89' "$work/preparing.txt" ||
  { cat "$work/preparing.txt"; fail "preparing window"; }
grep -q 'text=text 24 rect=72,16,297,33 visible=1' "$work/preparing.txt" || fail "preparing text"
grep -q '^control class=msctls_progress32 .* rect=16,56,353,17 visible=1' "$work/preparing.txt" ||
  fail "progress bar"
# Splash centred on the 1024 x 768 screen; the preparing window below and right of its middle.
grep -q '^window class=TSetupSplash .* rect=352,284,320,200 ' "$work/splash.txt" ||
  { cat "$work/splash.txt"; fail "splash placement"; }
read -r left top width height < <(sed -n 's/^window .* rect=\([-0-9]*\),\([-0-9]*\),\([0-9]*\),\([0-9]*\) .*/\1 \2 \3 \4/p' \
  "$work/preparing.txt")
expected_left=$((352 + 160 + 50 < 1024 - width - 25 ? 352 + 160 + 50 : 1024 - width - 25))
expected_top=$((284 + 200 + 25 < 768 - height - 45 ? 284 + 200 + 25 : 768 - height - 45))
[ "$left,$top" = "$expected_left,$expected_top" ] ||
  fail "preparing window at $left,$top, expected $expected_left,$expected_top"

# The real zel.dll carries no message file: the preparing window shows the built-in texts.
setup defaults terminate.script setup.msi
(cd "$work/defaults" && wine setup.exe >/dev/null 2>&1) &
shown=$!
wine "$driver" --class TSetupInit --timeout 60 >"$work/preparing.txt" || fail "no preparing window"
wine "$driver" --class '#32770' --title Kestrix --press OK >"$work/box.txt" || fail "no message box"
wait "$shown"
grep -q '^window class=TSetupInit title=Kestrix Wizard ' "$work/preparing.txt" ||
  { cat "$work/preparing.txt"; fail "preparing window caption"; }
LC_ALL=C grep -q 'text=Kestrix.* is preparing the Kestrix.* Installation Wizard' "$work/preparing.txt" ||
  { cat "$work/preparing.txt"; fail "preparing window text"; }
grep -q 'text=Setup resource not found' "$work/box.txt" || { cat "$work/box.txt"; fail "box text"; }

# A program without a script says so and ends with exit code 0.
(cd "$work/bare" && wine setup.exe >/dev/null 2>&1; echo $? >"$work/bare/exit") &
shown=$!
wine "$driver" --class '#32770' --title Kestrix --press OK >"$work/box.txt" || fail "no message box"
wait "$shown"
grep -q 'text=For internal use only' "$work/box.txt" || { cat "$work/box.txt"; fail "box text"; }
[ "$(cat "$work/bare/exit")" = 0 ] || fail "exit code $(cat "$work/bare/exit") without a script"

# Libraries planted beside setup.exe under the names of system libraries that the engine loads at
# run time are never loaded, even with Windows' own search order (native before builtin), silent
# or with windows. (version.dll is left out: Wine's own user32 imports it while the program's
# imports are bound, before the engine runs.)
setup planted terminate.script setup.res setup.msi
for name in msi comctl32 urlmon wininet; do
  cp "$build/tests/kx_planted_library.dll" "$work/planted/$name.dll"
done
export WINEDLLOVERRIDES="msi,comctl32,urlmon,wininet=n,b;mscoree,mshtml="
expect_code 4 planted /s CODE=4
expect_code 5 planted CODE=5
loaded=$(cd "$work/planted" && ls -- *.loaded 2>/dev/null || true)
[ -z "$loaded" ] || fail "planted libraries loaded: $loaded"
# The stand-in does leave its marker when it is loaded (here by its full path).
wine regsvr32 /s "$(winepath -w "$work/planted/msi.dll")" >/dev/null 2>&1 || true
[ -e "$work/planted/msi.dll.loaded" ] || fail "the planted library's marker does not work"
export WINEDLLOVERRIDES="mscoree,mshtml="

echo "setup runs: 21 passed, 0 failed"
