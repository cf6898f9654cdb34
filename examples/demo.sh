#!/usr/bin/env bash
# Builds the example script with zelpack and runs it with zelrun, twice: a user who walks
# through the wizard, and a user who cancels on the second page.
set -euo pipefail
build=${1:-build/release}
here=$(dirname "$0")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$build/tools/zelpack" script "$here/hello.json" -o "$out/hello.script"
echo "== zelpack wrote $(wc -c <"$out/hello.script") bytes of script"
# The dialogs, written as text, compiled into the support folder with their rule files.
mkdir "$out/support"
for page in "$here"/dialogs/*.txt; do
  name=$(basename "$page" .txt)
  "$build/tools/zelpack" txt2dfm "$page" "$out/support/$name.dfm"
  cp "$here/dialogs/$name.dfm.zelf" "$out/support/"
done
echo "== zelpack compiled $(ls "$out/support" | grep -c '\.dfm$') dialogs"
echo "== run 1: Next, Next"
"$build/tools/zelrun" --support-dir "$out/support" --trace --dialog NEXT --dialog NEXT "$out/hello.script" | grep -E '^(WIZARD|TARGETDIR|WINDOWHANDLE)='
echo "== run 2: Next, Cancel"
"$build/tools/zelrun" --support-dir "$out/support" --trace --dialog NEXT --dialog CANCEL "$out/hello.script" | grep -E '^(WIZARD)='
echo "== run 3: silent, with an override"
"$build/tools/zelrun" --support-dir "$out/support" --silent --arg 'TARGETDIR=C:\Hello' "$out/hello.script" | grep -E '^(SILENT|TARGETDIR)='
