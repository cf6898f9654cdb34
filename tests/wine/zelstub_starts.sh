#!/usr/bin/env bash
# The x64 engine is a PE32+ program that starts under Wine and ends cleanly when run silently.
set -euo pipefail
build=$1
exe="$build/tools/zelstub.exe"
file "$exe" | grep -q 'PE32+ executable' || { echo "FAIL: $exe is not PE32+"; exit 1; }
# It imports only libraries that Windows loads from the system folder: a DLL of any other name
# placed beside setup.exe would be loaded in its stead.
known='^(ADVAPI32|COMCTL32|GDI32|KERNEL32|msvcrt|ole32|OLEAUT32|SHELL32|USER32)\.dll$'
unexpected=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | grep -viE "$known" || true)
[ -z "$unexpected" ] || { echo "FAIL: $exe imports" $unexpected; exit 1; }
prefix=$(mktemp -d /tmp/kx-wine.XXXXXX)
trap 'WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1; rm -rf "$prefix"' EXIT
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1
set +e
timeout 60 wine "$exe" /s
code=$?
set -e
[ "$code" = 0 ] || { echo "FAIL: exit code $code"; exit 1; }
echo "zelstub starts: 1 passed, 0 failed"
