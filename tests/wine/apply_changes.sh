#!/usr/bin/env bash
# "Apply Changes" in a setup built by zelpack, with the real msi.dll under Wine: a silent first
# installation of what the recording statements switched on, with their values, the product
# cache folder, the uninstall and identity entries and the installer log; the same setup run
# again while installed; the removal started by the uninstall entry's command; a package whose
# custom action fails; advertising.
set -euo pipefail
build=$(cd "$1" && pwd)
src=$2
source "$src/tests/wine/lib.sh"
zelrun_suite apply
# One server for the whole suite: a new one carries out the deletions scheduled for the next
# restart, before the removal's leftovers have been looked at.
wineserver -k || true
wineserver -p
data="$src/tests/data/apply"

product='{5B7A3C10-4E2D-4F6A-9B81-0C2D3E4F5A61}'
revision='{5B7A3C10-4E2D-4F6A-9B81-0C2D3E4F5A62}'
title='Kestrix Apply Test'
uninstall="HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$title"
identity="HKLM\\SOFTWARE\\Orlanvik\\Kestrix\\Ident.Cache\\$product"
# The installer's own registration of the product, under the product code's packed form.
packed() {
  local g=${1//[\{\}-]/} out i
  out=$(rev <<<"${g:0:8}")$(rev <<<"${g:8:4}")$(rev <<<"${g:12:4}")
  for i in 16 18 20 22 24 26 28 30; do out+=${g:i+1:1}${g:i:1}; done
  echo "$out"
}
registered="HKLM\\SOFTWARE\\Classes\\Installer\\Products\\$(packed "$product")"
drive_c=$WINEPREFIX/drive_c
target="$drive_c/Apply Target"
temp=$(winepath -u "$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')")
# The all-users application data root: beside the all-users desktop folder.
desktop=$(wine "$build/tests/kx_machine_facts.exe" | tr -d '\r' | sed -n 's/^csidl25=//p')
cache_windows="${desktop%\\*}\\Application Data\\$revision\\"
cache=$(winepath -u "$cache_windows")

# The package, with what wixl cannot write: the package code is the setup's revision code, and
# each component is conditioned on its statement's enable property. The failing package adds an
# error custom action (type 19) just before the installation would be committed.
(cd "$work" && wixl -o apply.msi "$data/apply.wxs") || fail "wixl"
msibuild "$work/apply.msi" -s "Kestrix Apply" "Kestrix Tests" "Intel;1033" "$revision"
for condition in 'Files|AFILES = "TRUE"' 'Reg|AREG = "TRUE"' 'Off|AOFF = "TRUE"'; do
  msibuild "$work/apply.msi" -q "UPDATE \`Component\` SET \`Condition\` = '${condition#*|}'
    WHERE \`Component\` = '${condition%%|*}'"
done
cp "$work/apply.msi" "$work/failing.msi"
msibuild "$work/failing.msi" \
  -q "INSERT INTO \`CustomAction\` (\`Action\`, \`Type\`, \`Target\`)
    VALUES ('Fail', 19, 'Stopped by the test')" \
  -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('Fail', 6550)"

mkdir "$work/engine"
cp "$build/tools/zelstub.exe" "$build/media/zel/zel.dll" "$work/engine/"
cp "$data/apply.json" "$work/"
(cd "$work" && wine "$build/tools/zelpack.exe" build apply.json -o setup --engine engine \
  >/dev/null 2>&1) || fail "zelpack build"
cp -r "$work/setup" "$work/failing"
cp "$work/failing.msi" "$work/failing/setup.msi"

# windows_run FOLDER COMMAND: the Windows command line COMMAND, started from FOLDER by cmd, which
# waits for it; its exit code in $code, and the lines the script wrote about its run in $report.
results=$drive_c/apply-run.txt
windows_run() {
  rm -f "$results"
  (cd "$1" && printf 'start "" /wait %s\r\necho [%%ERRORLEVEL%%]>code.txt\r\n' "$2" >run.bat &&
    timeout 120 wine cmd /c run.bat >/dev/null 2>&1) || true
  code=$(tr -d '[]\r\n' <"$1/code.txt" 2>/dev/null || echo none)
  rm -f "$1/run.bat" "$1/code.txt"
  report=$(tr -d '\r' <"$results" 2>/dev/null || true)
}
expect_report() {
  local expected
  expected=$(printf '%s\n' "$@")
  [ "$report" = "$expected" ] || fail "$1: the script reported '$report', expected '$expected'"
}
query() { wine reg query "$@" 2>/dev/null | tr -d '\r'; }
value() { query "$1" /v "$2" | sed -n "s/^ *$2 *REG_SZ *//p"; }
absent() { ! wine reg query "$1" >/dev/null 2>&1 || fail "$2"; }

# A package whose custom action fails: "ERROR" with the system's text for 1603 without its
# final period and line end, and nothing registered.
failure=$(wine "$build/tests/kx_system_message.exe" 1603 | python3 -c '
import sys
text = sys.stdin.buffer.read().decode("cp1252")
print(text.rstrip("".join(map(chr, range(33))) + "."))')
[ -n "$failure" ] || fail "no system text for 1603"
windows_run "$work/failing" 'setup.exe /s "TARGETDIR=C:\Apply Target"'
[ "$code" = 0 ] || fail "the failing setup ended with exit code $code"
expect_report "MAINTENANCE=FALSE NEWINSTANCE=FALSE" "RESULT=ERROR" "LASTERROR=$failure"
[ ! -e "$target/payload.txt" ] || fail "the failed installation left its file"
absent "$uninstall" "the failed installation wrote the uninstall entry"
absent "$identity" "the failed installation wrote the identity entry"
absent "$registered" "the failed installation is registered with the installer"
[ ! -e "$cache" ] || fail "the failed installation made the product cache folder"

# The first installation.
windows_run "$work/setup" 'setup.exe /s "/l=C:\logs\apply.log" "TARGETDIR=C:\Apply Target"'
[ "$code" = 0 ] || fail "the installation ended with exit code $code"
expect_report "MAINTENANCE=FALSE NEWINSTANCE=FALSE" "RESULT=COMPLETE" "LASTERROR="
cmp -s "$data/payload.txt" "$target/payload.txt" ||
  fail "the file was not installed into the recorded folder: $(ls "$drive_c")"
installed=$(query 'HKCU\Software\Kestrix Apply')
grep -q "Owner    REG_SZ    Anna O'Brien$" <<<"$installed" ||
  fail "the recorded registry value was not installed: $installed"
grep -q 'Off' <<<"$installed" && fail "the component of a statement that did not run was installed"
[ "$(value "$registered" PackageCode)" = "$(packed "$revision")" ] ||
  fail "the product is not registered with the installer: $(query "$registered")"
[ ! -e "$temp/$product" ] || fail "the property hand-over file was left behind"
program="${cache_windows}setup.exe"
for expected in "DisplayIcon=$program" "DisplayName=$title" \
  "UninstallString=\"$program\" REMOVE=TRUE MODIFY=FALSE" "ModifyPath=$program" \
  "Publisher=Kestrix Tests" "Contact=Apply Desk" "HelpLink=http://help.example/apply" \
  "URLUpdateInfo=http://update.example/apply" "Comments=Installed by the apply tests"; do
  name=${expected%%=*}
  [ "$(value "$uninstall" "$name")" = "${expected#*=}" ] ||
    fail "uninstall entry: $name is '$(value "$uninstall" "$name")', expected '${expected#*=}'"
done
[ "$(query "$identity" /ve | sed -n 's/^ *(Default) *REG_SZ *//p')" = "$cache_windows" ] ||
  fail "identity entry: $(query "$identity")"
for file in setup.exe setup.msi setup.res zel.dll; do
  cmp -s "$work/setup/$file" "$cache/$file" || fail "the product cache folder lacks $file"
done
[ "$(tr -d '\r' <"$cache/instance.dat")" = "$(printf '%s\n' "$product" "$revision" "$title")" ] ||
  fail "instance.dat: $(cat "$cache/instance.dat")"
[ "$(tr -d '\r' <"$cache/setup.par" | grep -x -A1 PREG_3 | tail -1)" = "Anna O'Brien" ] ||
  fail "setup.par lacks the recorded value: $(cat "$cache/setup.par")"
# The log: the engine's header in UTF-16LE, then the installer's lines. Wine's msi.dll does not
# append, but writes its lines from the file's first byte over the header's beginning.
python3 - "$drive_c/logs/apply.log" "$product" <<'PY' || fail "the installer log"
import re, sys
data = open(sys.argv[1], "rb").read()
utf16 = lambda text: text.encode("utf-16-le")
end = data.find(utf16("*** MSI Directory ***\r\n"))
end = data.find(utf16("\r\n\r\n\r\n"), end) + len(utf16("\r\n\r\n\r\n"))
if data.startswith(utf16("=== Kestrix: Applying Changes @")):
    start, lines = 0, data[end:]
    first = r"=== Kestrix: Applying Changes @[^\r\n]+ ===\r\n\r\n\*\*\* Variables \*\*\*\r\n"
else:
    lines = data[:data.find(b"\0")].rpartition(b"\n")[0]
    after = len(lines) + 1
    start = after + after % 2
    first = r"[^\r\n]*\r\n"  # what the installer's lines left of the headings before the variables
header = data[start:end].decode("utf-16-le")
sections = (first + r".*,TITLE,\"Kestrix Apply Test\",.*\r\n\r\n"
            r"\*\*\* Properties \*\*\*\r\n.*,PREG_3,\"Anna O'Brien\",.*\r\n\r\n"
            r"\*\*\* MSI Database \*\*\*\r\n.*\\setup\.msi\r\n\r\n"
            r"\*\*\* GUID \*\*\*\r\n" + re.escape(sys.argv[2]) + r"\r\n\r\n"
            r"\*\*\* Data Directory \*\*\*\r\n.*\\data\\\r\n\r\n"
            r"\*\*\* Media Directory \*\*\*\r\n.*\\\r\n\r\n"
            r"\*\*\* MSI Directory \*\*\*\r\n.*\\\r\n\r\n\r\n")
if not re.fullmatch(sections, header):
    sys.exit("header: " + repr(header))
if sys.argv[2].encode() not in lines:
    sys.exit("no installer lines: " + repr(lines))
PY

# The same setup again from its folder: installed, and not run from the product's cache.
windows_run "$work/setup" 'setup.exe /s'
[ "$code" = 3 ] || fail "the second run ended with exit code $code, not as a maintenance run"
expect_report "MAINTENANCE=TRUE NEWINSTANCE=TRUE"

# The uninstall entry's command runs the cached engine as a maintenance run that removes the
# product. The engine cannot delete itself: its folder moves aside until the next restart.
command=$(value "$uninstall" UninstallString)
windows_run "$work" "$command /s"
[ "$code" = 0 ] || fail "the removal ended with exit code $code"
expect_report "MAINTENANCE=TRUE NEWINSTANCE=FALSE" "RESULT=COMPLETE" "LASTERROR="
[ ! -e "$target" ] || fail "the removal left the installed files: $(ls -R "$target")"
absent 'HKCU\Software\Kestrix Apply' "the removal left the package's registry values"
absent "$registered" "the product is still registered with the installer"
absent "$uninstall" "the removal left the uninstall entry"
absent "$identity" "the removal left the identity entry"
[ ! -e "$cache" ] || fail "the removal left the product cache folder: $(ls "$cache")"
left="$(dirname "$cache")/~0"
[ -f "$left/setup.exe" ] || fail "no ~0 folder with the engine beside the cache folder"
wineboot -r >/dev/null 2>&1
[ ! -e "$left" ] || fail "the restart left the ~0 folder: $(ls "$left")"

# Advertising: no uninstall entry, and the cache folder holds only the "__ad" folder.
windows_run "$work/setup" 'setup.exe /s ADVERTISE=TRUE "TARGETDIR=C:\Apply Target"'
[ "$code" = 0 ] || fail "the advertising run ended with exit code $code"
expect_report "MAINTENANCE=FALSE NEWINSTANCE=FALSE" "RESULT=COMPLETE" "LASTERROR="
absent "$uninstall" "advertising wrote the uninstall entry"
absent "$identity" "advertising wrote the identity entry"
[ "$(cd "$cache" 2>/dev/null && find . | sort | tr '\n' ' ')" = ". ./__ad " ] ||
  fail "advertising: the product cache folder holds: $(find "$cache" 2>&1)"
[ ! -e "$target" ] || fail "advertising installed files"
echo "apply changes: ok"
