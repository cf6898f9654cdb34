#!/usr/bin/env bash
# "Check Process", "Check Service", the share commands and "Set Access Control" through
# zelrun.exe: a service of the tests' own installed with Wine's sc, access lists read back with
# the system's security functions by a reader of the tests' own.
set -euo pipefail
build=$(cd "$1" && pwd)
src=$2
source "$src/tests/wine/lib.sh"
zelrun_suite services

cp "$build/tests/kx_test_service.exe" "$build/tests/kx_security_reader.exe" "$work/"
win() { winepath -w "$1" 2>/dev/null; }
run_project() { # NAME STATEMENT...
  local name=$1 all=
  shift
  all=$(IFS=,; echo "$*")
  zel_project "$name" "[$all]"
  timeout 120 bash -c 'cd "$0" && wine "$1/tools/zelrun.exe" --silent "$2.script"' \
    "$work" "$build" "$name" >"$work/out" 2>"$work/err" || fail "$name: exit $? $(cat "$work/err")"
}

# ---- services and processes ----
wine sc create KxTestService binpath= "$(win "$work/kx_test_service.exe")" >/dev/null 2>&1 ||
  fail "sc create"
# Right after the prefix is made, the service manager is still starting its own services and
# refuses requests for a few seconds: the first answer is awaited.
for try in $(seq 30); do
  run_project stopped \
    "$(zel_statement "Check Service" KxTestService "" STATE)" \
    "$(zel_statement "Check Service" KxNoSuchService "" MISSING)" \
    "$(zel_statement "Check Service" KxTestService KXNOSUCHHOST REMOTE)"
  grep -qx STATE=STOPPED "$work/out" && break
  sleep 1
done
# Wine's service manager ignores the computer name: another computer answers as this one. (It
# also finds a service only by its name's exact letter case, so that is left untested here.)
expect_store STATE=STOPPED MISSING=NOTINSTALLED REMOTE=STOPPED

for try in $(seq 30); do
  wine sc start KxTestService >/dev/null 2>&1 && break
  [ "$try" = 30 ] && fail "sc start"
  sleep 1
done
run_project running \
  "$(zel_statement "Check Service" KxTestService "" STATE)" \
  "$(zel_statement "Check Process" Kx_Test_Service.EXE FOUND)" \
  "$(zel_statement "Check Process" kx_missing.exe MISSING)" \
  "$(zel_statement "Check Process" kx_test_service FOUND_STEM)"
expect_store STATE=RUNNING FOUND=TRUE MISSING=FALSE FOUND_STEM=FALSE
wine sc stop KxTestService >/dev/null 2>&1 || true

# ---- shares: the commands neither stop nor show anything, whatever Wine answers ----
run_project shares \
  "$(zel_statement "Create Share" "C:" KxRoot "the root")" \
  "$(zel_statement "Create Share" "$(win "$work")\\" KxWork "a folder")" \
  "$(zel_statement "Create Share" "KxPrinter|KXNOSUCHHOST" KxPrinted "")" \
  "$(zel_statement "Delete Share" KxRoot)" \
  "$(zel_statement "Delete Share" "KxWork|KXNOSUCHHOST")" \
  "$(zel_statement "Set Variable" AFTER done)"
expect_store AFTER=done

# ---- access lists of a file and of registry keys ----
reader() { (cd "$work" && wine kx_security_reader.exe "$@" 2>/dev/null) | tr -d '\r'; }
user=$(reader user)
[[ "$user" == S-1-5-* ]] || fail "no user SID: $user"
: >"$work/secured.txt"
file=$(win "$work/secured.txt")
file_before=$(reader file "$file")
for key in Both Granted Emptied Unlisted Untouched; do
  wine reg add "HKCU\\Software\\Kestrix\\$key" /f >/dev/null 2>&1 || fail "reg add $key"
done
before=$(reader key 'CURRENT_USER\Software\Kestrix\Untouched')
# Lines 2-16: Everyone, the user, Authenticated Users, named; name; read, full; set rights,
# empty list, no list; file, share, key, service, printer.
access() { # OBJECT ACCOUNTS(4) NAME RIGHTS(2) LIST(3) KINDS(5)
  local lines=("$1") bit
  for bit in $(echo "$2" | grep -o .); do lines+=("$([ "$bit" = 1 ] && echo TRUE || echo FALSE)"); done
  lines+=("$3")
  for bit in $(echo "$4$5$6" | grep -o .); do lines+=("$([ "$bit" = 1 ] && echo TRUE || echo FALSE)"); done
  zel_statement "Set Access Control" "${lines[@]}"
}
run_project access \
  "$(access "$file" 1100 "" 11 100 10000)" \
  "$(access 'HKEY_CURRENT_USER\Software\Kestrix\Both' 1100 "" 11 100 00100)" \
  "$(access 'HKEY_CURRENT_USER\Software\Kestrix\Granted' 1011 Administrators 10 100 00100)" \
  "$(access 'HKEY_CURRENT_USER\Software\Kestrix\Emptied' 1000 "" 10 011 00100)" \
  "$(access 'HKEY_CURRENT_USER\Software\Kestrix\Unlisted' 1000 "" 10 001 00100)" \
  "$(access 'HKEY_CURRENT_USER\Software\Kestrix\Untouched' 1000 "" 10 000 00100)" \
  "$(zel_statement "Set Variable" AFTER done)"
expect_store AFTER=done

expect_entries() { # WHAT ACTUAL EXPECTED-LINE...
  local what=$1 actual=$2 line
  shift 2
  for line in "$@"; do
    grep -qxF -- "$line" <<<"$actual" || fail "$what lacks '$line': $actual"
  done
}
# Wine keeps no access list of a file: it reads the file's Unix permissions as one, and writes a
# list as those permissions. Full access for Everyone shows as the others' write permission.
secured=$(reader file "$file")
expect_entries "file before" "$file_before" "ALLOW S-1-1-0 1200A9 0"
expect_entries file "$secured" "ALLOW S-1-1-0 1301FF 0"
both=$(reader key 'CURRENT_USER\Software\Kestrix\Both')
expect_entries key "$both" "ALLOW S-1-1-0 1F01FF 3" "ALLOW $user 1F01FF 3"
# Read and full chosen together leave one entry per account.
[ "$(grep -c ' S-1-1-0 ' <<<"$both")" = 1 ] || fail "more than one entry of Everyone: $both"
[ "$(grep -c " $user " <<<"$both")" = 1 ] || fail "more than one entry of the user: $both"
granted=$(reader key 'CURRENT_USER\Software\Kestrix\Granted')
expect_entries key "$granted" "ALLOW S-1-1-0 1200A9 3" "ALLOW S-1-5-11 1200A9 3" \
  "ALLOW S-1-5-32-544 1200A9 3"
# An empty list wins over no list.
[ "$(reader key 'CURRENT_USER\Software\Kestrix\Emptied')" = EMPTY ] || fail "list not emptied"
[ "$(reader key 'CURRENT_USER\Software\Kestrix\Unlisted')" = "NO LIST" ] || fail "list not removed"
[ "$(reader key 'CURRENT_USER\Software\Kestrix\Untouched')" = "$before" ] ||
  fail "a key without a chosen change changed"
echo "services, processes, shares and access lists passed"
