#!/usr/bin/env bash
# "Get INI File Settings" through zelrun.exe (GetPrivateProfileStringA) over the table of INI
# files in tests/data/ini: comments, blanks, quotes, duplicate sections and keys, missing file,
# section and key, a value longer than the buffer, LF line ends, byte order marks. The headless
# platform's reader answers from the same table in the native tests.
set -euo pipefail
build=$(cd "$1" && pwd)
src=$2
source "$src/tests/wine/lib.sh"
zelrun_suite ini
folder=$src/tests/data/ini

# The table's texts are Windows-1252; the project is UTF-8, which zelpack turns back.
statements=$(python3 - "$folder/cases.tsv" <<'PY'
import json, sys
rows = [l.rstrip("\n").split("\t") for l in open(sys.argv[1], encoding="cp1252", errors="surrogateescape")
        if l.strip() and not l.startswith("#")]
print(json.dumps([{"command": "Get INI File Settings",
                   "parameters": [f"I{n}", "$INIDIR$" + f, s, k]}
                  for n, (f, s, k, _) in enumerate(rows)]))
PY
)
zel_project ini "$statements"
zelrun_exe --silent --arg "INIDIR=$(winepath -w "$folder")\\" ini.script
[ "$code" = 0 ] || fail "exit code $code: $(cat "$work/err")"
python3 - "$folder/cases.tsv" "$work/out" <<'PY'
import sys
rows = [l.rstrip(b"\n").split(b"\t") for l in open(sys.argv[1], "rb")
        if l.strip() and not l.startswith(b"#")]
store = dict(l.rstrip(b"\r\n").split(b"=", 1) for l in open(sys.argv[2], "rb") if b"=" in l)
failed = [f"{f!r} [{s!r}] {k!r}: expected {v!r}, got {store.get(b'I%d' % n)!r}"
          for n, (f, s, k, v) in enumerate(rows) if store.get(b"I%d" % n) != v]
print("\n".join(["FAIL: " + x for x in failed]) or f"INI files: {len(rows)} lookups passed")
sys.exit(1 if failed else 0)
PY
