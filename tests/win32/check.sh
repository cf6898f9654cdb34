#!/usr/bin/env bash
# The 32-bit build cannot run here; what can be read off its files is checked instead: 32-bit
# programs and libraries, the exports a 32-bit caller binds by their plain names, and imports
# only of libraries from the system folder.
set -euo pipefail
build=${1:?usage: tests/win32/check.sh BUILD_DIR}
passed=0
fail() { echo "FAIL: $*"; exit 1; }
exports() { i686-w64-mingw32-objdump -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/ s/^\s*\[ *[0-9]*\] //p'; }
imports() { i686-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
known='^(ADVAPI32|bcrypt|COMCTL32|GDI32|KERNEL32|msvcrt|ole32|OLEAUT32|SHELL32|USER32)\.dll$'

declare -A expected_exports=(
  [media/zel/zel.dll]="CloseListArchive ExtractArchive GetLastArchiveError OpenListArchive"
  [bundlefiles/RX_BundleFiles.dll]="RunTimeExecute")
for file in tools/zelstub.exe tools/zelrun.exe media/zel/zel.dll bundlefiles/RX_BundleFiles.dll; do
  path=$build/$file
  file "$path" | grep -q 'PE32 executable.*Intel 80386' || fail "$file is not a 32-bit program"
  unexpected=$(imports "$path" | grep -viE "$known" || true)
  [ -z "$unexpected" ] || fail "$file imports" $unexpected
  if [ -n "${expected_exports[$file]:-}" ]; then
    [ "$(exports "$path" | tr '\n' ' ' | sed 's/ $//')" = "${expected_exports[$file]}" ] ||
      fail "$file exports: $(exports "$path" | tr '\n' ' ')"
  fi
  passed=$((passed + 1))
done
echo "win32 build: $passed passed, 0 failed"
