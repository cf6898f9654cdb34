#!/bin/bash
# zelpack build turns a project into a setup folder: setup.exe with the compiled script, the
# payload archive with the dialogs and support files, the installer database, zel.dll with the
# message file; and when anything is wrong, an error naming the file and no setup.
set -euo pipefail
build=$1
src=$2
zelpack=$build/tools/zelpack
example=$src/examples/setup/setup.json
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
check() {  # DESCRIPTION COMMAND...
  if "${@:2}"; then passed=$((passed + 1)); else echo "FAIL: $1"; failed=$((failed + 1)); fi
}
archived() {  # the names in a 7z archive, one a line
  7zz l -slt "$1" | sed -n '/^----------$/,$ s/^Path = //p'
}

# Stand-in engine: a real stripped PE as zelstub.exe, and as zel.dll one that already carries a
# message file as its trailing data.
pe=$build/tests/pe-fixtures/x86_64.exe
[ -f "$pe" ] || cmake --build "$build" --target kx_pe_fixtures >/dev/null
mkdir "$work/engine"
cp "$pe" "$work/engine/zelstub.exe"
cat "$pe" - <<<'old messages' >"$work/engine/zel.dll"

# The example: dialogs, support files and a .wxs.
"$zelpack" build "$example" -o "$work/out" --engine "$work/engine"
"$zelpack" script "$example" -o "$work/setup.script"
cat "$work/engine/zelstub.exe" "$work/setup.script" >"$work/expected.exe"
check "setup.exe is zelstub.exe with the script" cmp -s "$work/expected.exe" "$work/out/setup.exe"
check "zel.dll is copied unchanged without a message file" \
  cmp -s "$work/engine/zel.dll" "$work/out/zel.dll"
expected_names='finish.dfm
finish.dfm.zelf
folder.dfm
folder.dfm.zelf
license.dfm
license.dfm.zelf
license.txt
progress.dfm
progress.dfm.zelf
readme.txt
welcome.dfm
welcome.dfm.zelf'
check "setup.res holds the dialogs and the support files" \
  [ "$(archived "$work/out/setup.res")" = "$expected_names" ]
7zz x -bso0 -bsp0 -o"$work/res" "$work/out/setup.res"
for page in "$src"/examples/dialogs/*.txt; do
  name=$(basename "$page" .txt)
  "$zelpack" dfm2txt "$work/res/$name.dfm" "$work/$name.txt"
  check "$name.dfm reads back as its text" cmp -s "$page" "$work/$name.txt"
  check "$name.dfm.zelf is packed" cmp -s "$src/examples/dialogs/$name.dfm.zelf" "$work/res/$name.dfm.zelf"
done
for file in readme.txt license.txt; do
  check "support file $file is packed" cmp -s "$src/examples/setup/support/$file" "$work/res/$file"
done
msiinfo export "$work/out/setup.msi" Property >"$work/property.idt"
check "wixl built setup.msi" grep -q "^ProductName	Hello Kestrix" "$work/property.idt"

# The copied files, into an output folder that does not exist yet.
project=$work/copies
mkdir -p "$project/data/sub"
printf 'messages\r\n' >"$project/messages.txt"
printf 'BM splash' >"$project/splash.bmp"
printf 'msi' >"$project/app.msi"
printf 'msp' >"$project/app.msp"
printf 'payload' >"$project/data/sub/file.bin"
cat >"$project/project.json" <<'JSON'
{"title": "Copies", "messageFile": "messages.txt", "msi": "app.msi", "msp": "app.msp",
 "splash": "splash.bmp", "data": "data"}
JSON
"$zelpack" build "$project/project.json" -o "$work/new/out" --engine "$work/engine"
cat "$pe" "$project/messages.txt" >"$work/expected.dll"
check "the message file replaces zel.dll's trailing data" \
  cmp -s "$work/expected.dll" "$work/new/out/zel.dll"
while read -r from to; do
  check "$from is copied as $to" cmp -s "$project/$from" "$work/new/out/$to"
done <<'CASES'
app.msi setup.msi
app.msp setup.msp
splash.bmp setup.bmp
data/sub/file.bin data/sub/file.bin
CASES
7zz t -bso0 -bsp0 "$work/new/out/setup.res"
check "setup.res is empty without support files and dialogs" \
  [ -z "$(archived "$work/new/out/setup.res")" ]

# Failures: exit 1, "zelpack: FILE: REASON", and nothing written.
broken=$work/broken
mkdir -p "$broken/lonely" "$broken/bad" "$work/no-dll"
cp "$src/examples/dialogs/welcome.txt" "$broken/lonely/welcome.txt"
printf 'object A: TForm\r\n  Caption = '"'"'open\r\nend\r\n' >"$broken/bad/bad.txt"
: >"$broken/bad/bad.dfm.zelf"
echo '{"title": "Lonely", "dialogs": "lonely"}' >"$broken/lonely.json"
echo '{"title": "Bad", "dialogs": "bad"}' >"$broken/bad.json"
echo '{"title": ' >"$broken/syntax.json"
cp "$pe" "$work/no-dll/zelstub.exe"
self=$(cd "$build/tools" && pwd -P)
while IFS='|' read -r what project engine message; do
  out=$work/failed-$passed-$failed
  options=(-o "$out")
  [ -z "$engine" ] || options+=(--engine "$engine")
  status=0
  "$zelpack" build "$project" "${options[@]}" 2>"$work/err" || status=$?
  check "$what: exit code 1" [ "$status" = 1 ]
  check "$what: says '$message'" grep -qF "zelpack: $message" "$work/err"
  check "$what: writes nothing" [ ! -e "$out" ]
done <<CASES
dialog without its rule file|$broken/lonely.json|$work/engine|$broken/lonely/welcome.dfm.zelf: the dialog's rule file is missing
dialog that does not compile|$broken/bad.json|$work/engine|$broken/bad/bad.txt: line 2: unterminated string
project that is not JSON|$broken/syntax.json|$work/engine|$broken/syntax.json: the project is not valid JSON
missing project|$broken/none.json|$work/engine|$broken/none.json: is missing
engine without zel.dll|$example|$work/no-dll|$work/no-dll/zel.dll: is missing
engine looked for beside zelpack|$example||$self/zelstub.exe: is missing
CASES

# A write that fails halfway takes back the files written before it and keeps what was there.
mkdir -p "$work/blocked/setup.msi/keep"
status=0
"$zelpack" build "$example" -o "$work/blocked" --engine "$work/engine" 2>"$work/err" || status=$?
check "blocked write: exit code 1" [ "$status" = 1 ]
check "blocked write: names the file" grep -qF "$work/blocked/setup.msi: cannot be written" "$work/err"
check "blocked write: only the folder in the way is left" \
  [ "$(cd "$work/blocked" && find . | sort | tr '\n' ' ')" = ". ./setup.msi ./setup.msi/keep " ]

echo "zelpack build: $passed passed, $failed failed"
[ "$failed" = 0 ]
