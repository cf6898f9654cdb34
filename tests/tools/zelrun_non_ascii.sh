#!/usr/bin/env bash
# The non-ASCII script of tests/data/non_ascii through zelrun: the store it ends with is the one
# zelrun.exe ends with under Windows (tests/wine/non_ascii.sh), and the texts meet the host as
# UTF-8.
set -euo pipefail
build=$1
src=$(cd "$(dirname "$0")/../.." && pwd)
data=$src/tests/data/non_ascii
work=$(mktemp -d /tmp/kx-non-ascii.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

bash "$data/make_inputs.sh" "$work"
mkdir "$work/out"
"$build/tools/zelpack" script "$data/project.json" -o "$work/p.script"
win() { printf 'Z:%s\\' "${1//\//\\}"; }
"$build/tools/zelrun" --registry "$work/registry.reg" --arg "IN=$(win "$work")" \
  --arg "OUT=$(win "$work/out")" "$work/p.script" >"$work/store" 2>"$work/err" ||
  { cat "$work/err"; fail "zelrun exit code $?"; }
grep -a '^R_' "$work/store" >"$work/got" || true
cmp "$work/got" "$data/expected.store" || { diff <(cat -v "$work/got") <(cat -v "$data/expected.store"); fail "store"; }
[ -f "$work/out/café/nämé.txt" ] || fail "the extracted file is not on the host under its UTF-8 name"
cmp <(printf 'Zo\xeb \x80\r\n') "$work/out/notes é.txt" || fail "the written text file"
echo "non-ASCII script: the store and the host's names are right"
