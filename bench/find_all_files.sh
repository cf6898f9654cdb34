#!/usr/bin/env bash
# "Find All Files" through zelrun over a generated tree of 100,000 files in 1,000 folders,
# against find(1) listing the same tree, in one run, printed as a ratio.
set -euo pipefail
build=${1:?usage: bench/find_all_files.sh BUILD_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work/tree" <<'PY'
import os, sys
root = sys.argv[1]
for folder in range(1000):
    path = os.path.join(root, f"group{folder // 100}", f"folder {folder:03}")
    os.makedirs(path)
    for n in range(100):
        open(os.path.join(path, f"file{n:02}.txt"), "w").close()
PY
cat >"$work/find.json" <<JSON
{"title": "Bench", "statements": [
  {"command": "Find All Files", "parameters": ["Z:${work//\//\\\\}\\\\tree\\\\*.*", "TRUE", "FALSE", "FOUND"]}
 ]}
JSON
"$build/tools/zelpack" script "$work/find.json" -o "$work/find.script"

seconds() {  # seconds CMD...: the best of five runs, output counted in lines of "|" items
  local best=""
  for _ in 1 2 3 4 5; do
    local start end
    start=$(date +%s.%N); "$@" >"$work/out"; end=$(date +%s.%N)
    best=$(python3 -c "a=$end-$start; b='$best'; print(a if not b or a < float(b) else b)")
  done
  echo "$best"
}
ours=$(seconds "$build/tools/zelrun" --silent "$work/find.script")
found=$(grep '^FOUND=' "$work/out" | tr '|' '\n' | wc -l)
[ "$found" = 100000 ] || { echo "find all files: found $found files, not 100000"; exit 1; }
peer=$(seconds find "$work/tree" -type f)
python3 -c "print(f'find all files: 100000 files in 1000 folders: ours {$ours:.2f} s, find {$peer:.2f} s, ratio ours/find {$ours/$peer:.2f}')"
