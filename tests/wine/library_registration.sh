#!/usr/bin/env bash
# "Register Library" through zelrun.exe: a type library made by widl, libraries of the tests'
# own that register themselves (one answering a failure code) and a program given the switch.
set -euo pipefail
build=$(cd "$1" && pwd)
src=$2
source "$src/tests/wine/lib.sh"
zelrun_suite library_registration

cp "$build/tests/kx_types.tlb" "$build/tests/kx_self_registering.dll" \
  "$build/tests/kx_failing_registration.dll" "$build/tests/kx_argument_log.exe" "$work/"
win() { winepath -w "$work/$1" 2>/dev/null; }
typelib='HKCR\TypeLib\{6B1E3C7A-4F2D-4C1B-9A8E-2D5F7C3B9E01}\1.2'
selfkey='HKCU\Software\Kestrix\SelfRegistration'
query() { wine reg query "$@" >"$work/query" 2>/dev/null; }

register() { # FLAG SUFFIX: every kind, and the failures
  zel_project "register$2" "[$(
    IFS=,
    echo "$(zel_statement "Register Library" "$(win kx_types.tlb)" "$1" "TLB$2"),$(
      zel_statement "Register Library" "$(win kx_self_registering.dll)" "$1" "DLL$2"),$(
      zel_statement "Register Library" "$(win kx_failing_registration.dll)" "$1" "FAILING$2"),$(
      zel_statement "Register Library" "$(win kx_missing.tlb)" "$1" "MISSING_TLB$2"),$(
      zel_statement "Register Library" "$(win kx_missing.dll)" "$1" "MISSING_DLL$2"),$(
      zel_statement "Register Library" "$(win kx_argument_log.exe)" "$1" "EXE$2")"
  )]"
  zelrun_exe --silent "register$2.script"
  [ "$code" = 0 ] || fail "register$2: exit code $code: $(cat "$work/err")"
}
wait_for_args() {
  for _ in $(seq 100); do grep -qxF -- "$1" "$work/kx_argument_log.exe.args" 2>/dev/null && return 0; sleep 0.1; done
  fail "the program was not started with '$1': $(cat "$work/kx_argument_log.exe.args" 2>&1)"
}

register TRUE _ON
expect_store TLB_ON=TRUE DLL_ON=TRUE FAILING_ON=FALSE MISSING_TLB_ON=FALSE MISSING_DLL_ON=FALSE \
  EXE_ON=TRUE
query "$typelib" /s || fail "type library not registered"
grep -q 'C:\\KxHelp' "$work/query" || fail "no help folder: $(cat "$work/query")"
query "$selfkey" /v Working || fail "DllRegisterServer not called"
query "$selfkey" /v Failing || fail "the failing DllRegisterServer not called"
wait_for_args /regserver

register FALSE _OFF
expect_store TLB_OFF=TRUE DLL_OFF=TRUE FAILING_OFF=FALSE MISSING_TLB_OFF=FALSE \
  MISSING_DLL_OFF=FALSE EXE_OFF=TRUE
! query "$typelib" || fail "type library still registered: $(cat "$work/query")"
! query "$selfkey" /v Working || fail "DllUnregisterServer not called"
wait_for_args /unregserver
echo "library registration passed"
