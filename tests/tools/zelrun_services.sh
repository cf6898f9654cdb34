#!/usr/bin/env bash
# zelrun has no Windows processes, services, shares, access lists or COM: the queries answer as
# a machine without them, changes do not happen, the run goes on and each attempt is logged.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cat >"$work/p.json" <<'JSON'
{"title": "Services", "statements": [
  {"command": "Check Process", "parameters": ["zelrun", "PROCESS"]},
  {"command": "Check Service", "parameters": ["Spooler", "", "SERVICE"]},
  {"command": "Create Share", "parameters": ["C:", "Root", "the root"]},
  {"command": "Delete Share", "parameters": ["Root|Server"]},
  {"command": "Set Access Control", "parameters": ["C:\\App", "TRUE", "FALSE", "FALSE", "FALSE",
    "", "TRUE", "FALSE", "TRUE", "FALSE", "FALSE", "TRUE", "FALSE", "FALSE", "FALSE", "FALSE"]},
  {"command": "Register Library", "parameters": ["C:\\App\\types.tlb", "TRUE", "TLB"]},
  {"command": "Register Library", "parameters": ["C:\\App\\server.exe", "TRUE", "EXE"]},
  {"command": "Register Library", "parameters": ["C:\\App\\control.dll", "FALSE", "DLL"]},
  {"command": "Set Variable", "parameters": ["AFTER", "done"]}
 ]}
JSON
"$build/tools/zelpack" script "$work/p.json" -o "$work/p.script"
"$build/tools/zelrun" --silent "$work/p.script" >"$work/out" 2>"$work/err" || fail "exit $?: $(cat "$work/err")"
for line in PROCESS=FALSE SERVICE=NOTINSTALLED TLB=FALSE EXE=FALSE DLL=FALSE AFTER=done; do
  grep -qxF "$line" "$work/out" || fail "store lacks $line: $(grep "^${line%%=*}=" "$work/out")"
done
for logged in "No Windows processes here" "No service manager here: Spooler on this computer" \
  "Share not created here: Root for C:\\" "Share not deleted here: Root" \
  "No access lists here: C:\\App" "Program not registered here: C:\\App\\server.exe" \
  "Library not registered here: C:\\App\\control.dll"; do
  grep -qF -- "$logged" "$work/err" || fail "not logged: $logged: $(cat "$work/err")"
done
# A missing type library is answered before anything is tried.
! grep -qF "types.tlb" "$work/err" || fail "a missing type library was tried"
echo "zelrun services passed"
