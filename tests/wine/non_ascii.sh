#!/usr/bin/env bash
# The non-ASCII script of tests/data/non_ascii through zelrun.exe: it ends with the store that
# zelrun ends with (tests/tools/zelrun_non_ascii.sh), and the names reach the file system whole.
set -euo pipefail
build=$(cd "$1" && pwd)
src=$2
source "$src/tests/wine/lib.sh"
zelrun_suite non-ascii
data=$src/tests/data/non_ascii

bash "$data/make_inputs.sh" "$work"
mkdir "$work/target"
wine reg import "$(winepath -w "$work/registry.reg")" >/dev/null 2>&1 || fail "reg import"
cp "$data/project.json" "$work/p.json"
(cd "$work" && wine "$build/tools/zelpack.exe" script p.json -o p.script) || fail "zelpack.exe"
zelrun_exe --arg "IN=$(winepath -w "$work")\\" --arg "OUT=$(winepath -w "$work/target")\\" p.script
[ "$code" = 0 ] || { cat "$work/err" >&2; fail "zelrun.exe exit code $code"; }
grep -a '^R_' "$work/out" | tr -d '\r' >"$work/got" || true
cmp "$work/got" "$data/expected.store" ||
  { diff <(cat -v "$work/got") <(cat -v "$data/expected.store"); fail "store"; }
[ -f "$work/target/café/nämé.txt" ] || fail "the extracted file is not there under its own name"
cmp <(printf 'Zo\xeb \x80\r\n') "$work/target/notes é.txt" || fail "the written text file"
echo "non-ASCII script: zelrun.exe ends with zelrun's store"
