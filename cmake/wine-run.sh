#!/bin/sh
# Runs one Windows program under Wine in a throw-away prefix, so tests never share registry or files.
set -u
prefix=$(mktemp -d /tmp/kx-wine.XXXXXX)
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64
wineboot -i >/dev/null 2>&1
wine "$@"
rc=$?
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1
rm -rf "$prefix"
exit $rc
