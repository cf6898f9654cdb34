#!/usr/bin/env bash
# The commands that act at once, through zelrun.exe on Wine: "Delete Registry" on the Wine
# registry, and "Generate Native Images" starting the generators that are installed, with the
# assembly path quoted.
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
echo "recording: ok"
