#!/usr/bin/env bash
# The IIS commands where no web server can be reached, as under Wine: every command ends
# silently with its failure answer, and the run goes on to its end.
set -euo pipefail
build=$(cd "$1" && pwd)
src=$2
source "$src/tests/wine/lib.sh"
zelrun_suite iis

zel_project web '[
  {"command": "Create IIS Site", "parameters": ["Shop", "", "", "", "80", "443", "60", "TRUE", "TRUE", "TRUE", "TRUE", "TRUE", "", "", "1"]},
  {"command": "Create Virtual Folder", "parameters": ["docs", "C:\\Web", "FALSE", "TRUE", "FALSE", "FALSE", "TRUE", "FALSE", "2", "1", "TRUE", "index.htm", "foot.htm", "TRUE", "FALSE", "FALSE", ".htm=text/html", "1"]},
  {"command": "Control IIS Site", "parameters": ["1", "2"]},
  {"command": "Set IIS Property", "parameters": ["TRUE", "", "1", "", "ServerComment", "x"]},
  {"command": "Get IIS Property", "parameters": ["TRUE", "", "1", "", "ServerComment", "PROPERTY"]},
  {"command": "Get IIS Property", "parameters": ["FALSE", "", "1", "docs", "Path", "FOLDER"]},
  {"command": "Get IIS Site Index", "parameters": ["Shop", "INDEX"]},
  {"command": "IIS Anonymous User", "parameters": ["USER"]},
  {"command": "Get System Settings", "parameters": ["SETTING", "59"]},
  {"command": "Delete Virtual Folder", "parameters": ["1", "docs"]},
  {"command": "Delete IIS Site", "parameters": ["1"]},
  {"command": "Set Variable", "parameters": ["END", "reached"]}
 ]'
code=0
(cd "$work" && timeout 120 wine "$build/tools/zelrun.exe" --trace web.script) >"$work/out" 2>"$work/err" ||
  code=$?
[ "$code" = 0 ] || { cat "$work/err" >&2; fail "exit code $code"; }
expect_store 'PROPERTY=!ERROR!' 'FOLDER=!ERROR!' INDEX=0 USER= SETTING= END=reached
! grep -q 'not built yet' "$work/err" || fail "a command is not built: $(cat "$work/err")"
[ "$(grep -c '^exec ' "$work/err")" = 12 ] || fail "not every statement ran: $(cat "$work/err")"
echo PASS
