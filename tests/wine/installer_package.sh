#!/bin/bash
# Installer packages edited through Wine's msi.dll (installer_package_test.cpp), read back with
# msitools: the same edits leave the same tables as libmsi leaves natively
# (tests/data/installer/edited/), and whatever the edits do not touch stays.
set -eu
build=$1
src=$2
source "$src/tests/wine/lib.sh"
zelrun_suite installer
bash "$src/tests/data/installer/build_fixture.sh" "$work/fixture.msi"
for name in edited uncommitted renamed failures; do cp "$work/fixture.msi" "$work/$name.msi"; done
cp "$build/tests/kx_wine_tests.exe" "$work/"
# A library named msi.dll beside the program is never the one loaded.
cp "$build/tests/kx_planted_library.dll" "$work/msi.dll"
fixtures="Z:${work//\//\\}"
# Native before builtin, so that a library found by its name alone would be the planted one.
WINEDLLOVERRIDES="msi=n,b;$WINEDLLOVERRIDES" KX_INSTALLER_FIXTURES=$fixtures \
  wine "$work/kx_wine_tests.exe" --gtest_brief=1 --gtest_filter='Win32Installer.*' ||
  fail "the edits under Wine"

tables() { msiinfo tables "$1" 2>/dev/null | grep -v '^_' | sort; }
revision() { msiinfo suminfo "$1" | sed -n 's/^Revision number (UUID): //p'; }
# same_tables PACKAGE [TABLE...]: every table of PACKAGE but the ones named is as in the fixture.
same_tables() {
  local package=$1 table
  shift
  [ "$(tables "$package")" = "$(tables "$work/fixture.msi")" ] || fail "$package: tables differ"
  for table in $(tables "$work/fixture.msi"); do
    [[ " $* " == *" $table "* ]] && continue
    cmp -s <(msiinfo export "$work/fixture.msi" "$table" 2>/dev/null) \
      <(msiinfo export "$package" "$table" 2>/dev/null) || fail "$package: $table changed"
  done
}

[ ! -e "$work/msi.dll.loaded" ] || fail "the msi.dll beside the program was loaded"

same_tables "$work/edited.msi" Property Shortcut ProgId Component
for table in Property Shortcut ProgId Component; do
  msiinfo export "$work/edited.msi" "$table" >"$work/edited.idt" 2>/dev/null
  cmp -s "$work/edited.idt" "$src/tests/data/installer/edited/$table.idt" ||
    { diff "$src/tests/data/installer/edited/$table.idt" "$work/edited.idt" >&2; fail "$table"; }
done
[ "$(revision "$work/edited.msi")" = "{A1B2C3D4-E5F6-4711-8899-AABBCCDDEEFF}" ] || fail "package code"

# Without a commit the tables stay, but msi.dll has written the summary information at its
# persist already (libmsi keeps it for the commit).
same_tables "$work/uncommitted.msi"
[ "$(revision "$work/uncommitted.msi")" = "{A1B2C3D4-E5F6-4711-8899-AABBCCDDEEFF}" ] ||
  fail "uncommitted package code: $(revision "$work/uncommitted.msi")"

same_tables "$work/renamed.msi"

# Without msi.dll nothing is opened.
WINEDLLOVERRIDES="msi=d;$WINEDLLOVERRIDES" KX_INSTALLER_FIXTURES=$fixtures KX_INSTALLER_WITHOUT_MSI=1 \
  wine "$work/kx_wine_tests.exe" --gtest_brief=1 --gtest_filter='Win32InstallerWithoutMsi.*' ||
  fail "without msi.dll"
echo "installer packages under Wine: passed"
