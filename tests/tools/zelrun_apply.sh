#!/usr/bin/env bash
# "Apply Changes" through zelrun's installer stand-in over a real package (built by wixl): the
# command line and hand-over file the installer gets, the result words, the uninstall entry of
# a successful installation, the installer's own error text, and a maintenance run without its
# sources.
set -euo pipefail
build=$1
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

bash "$src/tests/data/installer/build_fixture.sh" "$work/setup.msi"
cat >"$work/p.json" <<'JSON'
{"title": "Apply Test", "productCode": "{11111111-2222-3333-4444-555555555555}",
 "revisionCode": "{29ABEC92-7A56-44D7-8B9E-2D14BBB3995E}",
 "company": "Kestrix Tests", "statements": [
  {"command": "Set Variable", "parameters": ["TARGETDIR", "C:\\App\\"]},
  {"command": "Set Variable", "parameters": ["NOTE", "one$NEWLINE$two"]},
  {"command": "Apply Changes", "parameters": ["progress", "RESULT", "TRUE", "FALSE"]}
 ]}
JSON
"$build/tools/zelpack" script "$work/p.json" -o "$work/p.script"

# apply ARG...: the script over a fresh copy of the package, the store in out, the log in err.
apply() {
  cp "$work/setup.msi" "$work/run.msi"
  rm -f "$work/registry.reg"
  code=0
  "$build/tools/zelrun" --silent --msi "$work/run.msi" --registry "$work/registry.reg" "$@" \
    "$work/p.script" >"$work/out" 2>"$work/err" || code=$?
  [ "$code" = 0 ] || fail "exit code $code: $(cat "$work/err")"
}
expect_store() {
  grep -qxF -- "$1" "$work/out" || fail "store lacks $1, has $(grep "^${1%%=*}=" "$work/out")"
}
expect_log() { grep -qF -- "$1" "$work/err" || fail "log lacks $1: $(cat "$work/err")"; }

apply
expect_store RESULT=COMPLETE
expect_store LASTERROR=
expect_log 'Installer: handler filter 0x7FDF'
expect_log "| ADDLOCAL=ALL ALLUSERS="
expect_log " ARPSYSTEMCOMPONENT=1 ARPNOREMOVE=1 ARPNOMODIFY=1 ARPNOREPAIR=1 SRCDIR="
expect_log 'Installer: hand-over TARGETDIR=C:\App\'
expect_log 'Installer: hand-over NOTE=one$NEWLINE$two'
expect_log 'Installer: hand-over MSINTEMP='
grep -qF 'Installer: hand-over USERNAME=' "$work/err" && fail "USERNAME was handed over"
grep -qF 'Installer: hand-over PRODUCTCODE=' "$work/err" && fail "PRODUCTCODE was handed over"
expect_log 'Installer: {11111111-2222-3333-4444-555555555555} installed'
registry=$(iconv -f UTF-16LE -t UTF-8 "$work/registry.reg" | tr -d '\r')
grep -q '\\Uninstall\\Apply Test\]$' <<<"$registry" || fail "no uninstall entry: $registry"
grep -qF '"Publisher"="Kestrix Tests"' <<<"$registry" || fail "no publisher: $registry"
grep -q '^"UninstallString"="\\"C:.*\\{29ABEC92-7A56-44D7-8B9E-2D14BBB3995E}\\\\zelrun\\" REMOVE=TRUE MODIFY=FALSE"$' \
  <<<"$registry" ||
  fail "uninstall string: $(grep UninstallString <<<"$registry")"
grep -q 'Ident.Cache\\{11111111-2222-3333-4444-555555555555}\]$' <<<"$registry" ||
  fail "no identity entry: $registry"

# The installer's code in the system's words, without the final period; nothing registered.
apply --installer-result 1603
expect_store RESULT=ERROR
expect_store 'LASTERROR=A fatal error occurred during the installation'
grep -qi 'Uninstall' "$work/registry.reg" 2>/dev/null && fail "a failed installation registered"

# The handler answers the installer's messages; a code the system has no words for is named.
printf '0x01000000 Disk F: is full.\r\n' >"$work/messages.txt"
apply --installer-result 1627 --installer-messages "$work/messages.txt"
expect_log 'Installer: message 0x01000000 answered 1'
expect_store RESULT=ERROR
expect_store 'LASTERROR=Windows error 1627'

# Installed already, and the sources are not where the setup runs from: a silent run gives up.
apply --installed-product '{11111111-2222-3333-4444-555555555555}'
expect_store MAINTENANCE=TRUE
expect_store RESULT=CANCEL
expect_store 'LASTERROR=Original setup sources required to complete operation, sources not found'
grep -qF 'Installer: install' "$work/err" && fail "the installer ran without sources"
echo "zelrun apply: ok"
