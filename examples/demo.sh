#!/usr/bin/env bash
# Builds the example script with zelpack and runs it with zelrun, twice: a user who walks
# through the wizard, and a user who cancels on the second page.
set -euo pipefail
build=${1:-build/native}
here=$(dirname "$0")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$build/tools/zelpack" script "$here/hello.json" -o "$out/hello.script"
echo "== zelpack wrote $(wc -c <"$out/hello.script") bytes of script"
echo "== run 1: Next, Next"
"$build/tools/zelrun" --trace --dialog NEXT --dialog NEXT "$out/hello.script" | grep -E '^(WIZARD|TARGETDIR|WINDOWHANDLE)='
echo "== run 2: Next, Cancel"
"$build/tools/zelrun" --trace --dialog NEXT --dialog CANCEL "$out/hello.script" | grep -E '^(WIZARD)='
echo "== run 3: silent, with an override"
"$build/tools/zelrun" --silent --arg 'TARGETDIR=C:\Hello' "$out/hello.script" | grep -E '^(SILENT|TARGETDIR)='
