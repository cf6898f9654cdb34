#!/usr/bin/env bash
# Bundle Files' message boxes on a real (virtual) display: each failure's box is read and closed.
set -euo pipefail
build=$1
prefix=$(mktemp -d /tmp/kx-wine.XXXXXX)
xvfb_pid=
cleanup() {
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" >/dev/null 2>&1 || true
  rm -rf "$prefix"
}
trap cleanup EXIT
for n in $(seq 150 199); do
  [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
  Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=:$n
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
  break
done
[ -n "$xvfb_pid" ] || { echo "FAIL: no X display"; exit 1; }
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
wineboot -i >/dev/null 2>&1
timeout 120 wine "$build/tests/kx_wine_tests.exe" --gtest_filter='*ShowsItsMessageBox*:*ShowsItsBox*:*ShowsTheSystemText*:*ShowsNoBoxOnADisplay*' \
  | tee "$prefix/out.txt"
grep -q '\[  PASSED  \] 4 tests' "$prefix/out.txt" || { echo "FAIL: message box tests"; exit 1; }
