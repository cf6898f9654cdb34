#!/usr/bin/env bash
# Recording through zelrun.exe on Wine: the real msi.dll edits the package as libmsi does in
# the native zelrun, and msiexec then installs what the script switched on, with its values.
# And the commands that act at once: "Delete Registry" on the Wine registry, and "Generate
# Native Images" starting the generators that are installed, with the assembly path quoted.
set -euo pipefail
build=$(cd "$1" && pwd)
src=$2
source "$src/tests/wine/lib.sh"
zelrun_suite recording

# Delete Registry: a value, the default value, a key with its subkeys, root 5 as HKCU, and a
# missing key; every other value stays.
add() { wine reg add "$@" /f >/dev/null 2>&1 || fail "reg add $*"; }
add 'HKCU\Software\Kestrix\Values' /v Gone /d x
add 'HKCU\Software\Kestrix\Values' /v Kept /d x
add 'HKCU\Software\Kestrix\Values' /ve /d default
add 'HKCU\Software\Kestrix\Tree\Sub' /v Deep /d x
add 'HKCU\Software\Kestrix\Five' /v Gone /d x
add 'HKLM\Software\Kestrix' /v Machine /d x
zel_project delete '[
  {"command": "Delete Registry", "parameters": ["1", "Software\\\\Kestrix\\\\Values", "Gone", "FALSE"]},
  {"command": "Delete Registry", "parameters": ["1", "Software\\\\Kestrix\\\\Values", "", "FALSE"]},
  {"command": "Delete Registry", "parameters": ["1", "Software\\\\Kestrix\\\\Tree", "", "TRUE"]},
  {"command": "Delete Registry", "parameters": ["5", "Software\\\\Kestrix\\\\Five", "Gone", "FALSE"]},
  {"command": "Delete Registry", "parameters": ["2", "Software\\\\Kestrix\\\\Missing", "", "TRUE"]}]'
zelrun_exe --silent delete.script
[ "$code" = 0 ] || fail "Delete Registry: exit code $code: $(cat "$work/err")"
query() { wine reg query "$@" 2>/dev/null | tr -d '\r'; }
values=$(query 'HKCU\Software\Kestrix\Values')
grep -q 'Kept' <<<"$values" || fail "Delete Registry took Kept: $values"
grep -q 'Gone' <<<"$values" && fail "Delete Registry left the value Gone: $values"
grep -q 'default' <<<"$values" && fail "Delete Registry left the default value: $values"
query 'HKCU\Software\Kestrix\Tree' >/dev/null && fail "Delete Registry left the key Tree"
query 'HKCU\Software\Kestrix\Five' | grep -q Gone && fail "root 5 did not mean HKCU"
query 'HKLM\Software\Kestrix' | grep -q Machine || fail "Delete Registry took HKLM's value"

# Generate Native Images: no generator, then only the 2.0 one, then both.
framework="$WINEPREFIX/drive_c/windows/Microsoft.NET/Framework"
v1="$framework/v1.1.4322/ngen.exe"
v2="$framework/v2.0.50727/ngen.exe"
rm -f "$v1" "$v2"
zel_project images '[{"command": "Generate Native Images", "parameters": ["C:\\My Files\\a.dll"]}]'
install_generator() { mkdir -p "$(dirname "$1")" && cp "$build/tests/kx_argument_log.exe" "$1"; }
for generators in none v2 both; do
  case $generators in
    v2) install_generator "$v2" ;;
    both) install_generator "$v1" ;;
  esac
  rm -f "$v1.args" "$v2.args"
  zelrun_exe --silent images.script
  [ "$code" = 0 ] || fail "Generate Native Images ($generators): exit code $code"
  case $generators in
    none) [ ! -e "$v1.args" ] && [ ! -e "$v2.args" ] || fail "a generator ran without being there" ;;
    *)
      [ "$(tr -d '\r' <"$v2.args")" = 'install "C:\My Files\a.dll"' ] ||
        fail "2.0 generator ($generators) got: $(cat "$v2.args" 2>/dev/null)"
      if [ $generators = both ]; then
        [ "$(tr -d '\r' <"$v1.args")" = '"C:\My Files\a.dll"' ] ||
          fail "1.1 generator got: $(cat "$v1.args" 2>/dev/null)"
      else
        [ ! -e "$v1.args" ] || fail "the missing 1.1 generator ran"
      fi ;;
  esac
done
# The recording script over the same package natively and under Wine: the same tables.
native="$build/../native/tools/zelrun"
[ -x "$native" ] || fail "the native zelrun is not built"
data="$src/tests/data/recording"
"$(dirname "$native")/zelpack" script "$data/recording.json" -o "$work/recording.script"
bash "$data/make_package.sh" "$work/pristine.msi"
mkdir -p "$work/support"
cp "$data"/support/* "$work/support/"
printf 'short line\r\n' >"$work/support/big.txt"
arguments=(--silent --arg LANGUAGE=French --arg APP=App --arg VENDOR=Kestrix
  --arg $'NOTE=one\r\ntwo' --arg 'SERVER=\\\\files')
cp "$work/pristine.msi" "$work/native.msi"
"$native" "${arguments[@]}" --support-dir "$work/support" --msi "$work/native.msi" \
  "$work/recording.script" >/dev/null || fail "native zelrun"
cp "$work/pristine.msi" "$work/wine.msi"
zelrun_exe "${arguments[@]}" --support-dir 'support' --msi 'wine.msi' recording.script
[ "$code" = 0 ] || fail "zelrun.exe recording: exit code $code: $(cat "$work/err")"
for table in Property Shortcut ProgId Component Registry; do
  msiinfo export "$work/native.msi" $table >"$work/native.$table"
  msiinfo export "$work/wine.msi" $table >"$work/wine.$table"
  diff "$work/native.$table" "$work/wine.$table" || fail "$table differs under Wine's msi.dll"
done
grep -q "^PREG_3	O'Brien" "$work/wine.Property" || fail "Wine's package lacks PREG_3"

# The system's installer stores a value of 1 MB whole, and no other row suffers.
head -c 1048576 /dev/zero | tr '\0' x >"$work/support/big.txt"
cp "$work/pristine.msi" "$work/big.msi"
zelrun_exe "${arguments[@]}" --support-dir 'support' --msi 'big.msi' recording.script
msiinfo export "$work/big.msi" Property | sed 's/\r$//' >"$work/big.Property"
[ "$(grep '^PBIG_1	' "$work/big.Property" | wc -c)" = $((7 + 1048576 + 1)) ] ||
  fail "the 1 MB value is not whole"
grep -q '^PUNC_1	\\\\files\\share$' "$work/big.Property" || fail "a row after the 1 MB value suffered"

# msiexec installs the edited package: the switched-on components with the recorded values,
# not the component of the statement that stayed off.
wine msiexec /i 'Z:'"$(tr / '\\' <<<"$work/wine.msi")" /qn >/dev/null 2>&1 || fail "msiexec failed"
query 'HKCU\Software\Kestrix\App' | grep -q "Owner.*REG_SZ.*O'Brien" ||
  fail "the recorded registry value was not installed: $(query 'HKCU\Software\Kestrix\App')"
installed=$(query 'HKCU\Software\Kestrix\Recording')
grep -q 'Types' <<<"$installed" || fail "the file type component was not installed: $installed"
grep -q 'Off' <<<"$installed" && fail "the component of a statement that stayed off was installed"
echo "recording: ok"
