#!/usr/bin/env bash
# Start-up of a setup with a 20 MB payload, from process start to its first statement (which
# ends the run), against the archive library alone unpacking the same payload: both under Wine,
# best of five runs each, printed as a ratio.
set -euo pipefail
native=$(cd "${1:?usage: bench/startup.sh NATIVE_BUILD WIN64_BUILD}" && pwd)
win64=$(cd "${2:?usage: bench/startup.sh NATIVE_BUILD WIN64_BUILD}" && pwd)
source "$(dirname "$0")/../tests/wine/lib.sh"
wine_prefix
work=$(mktemp -d /tmp/kx-bench.XXXXXX)
trap 'wine_cleanup; rm -rf "$work"' EXIT

# 20 MB of support files: text, and programs of the system as binary data.
mkdir -p "$work/project/support"
python3 - "$work/project/support" <<'PY'
import random, sys
random.seed(3)
words = ["setup", "install", "folder", "registry", "component", "feature", "dialog", "package"]
for n in range(4):
    with open(f"{sys.argv[1]}/text{n}.txt", "w") as out:
        while out.tell() < 3 << 20:
            out.write(" ".join(random.choice(words) for _ in range(12)) + "\r\n")
PY
total=0
for f in /usr/bin/*; do
  [ -f "$f" ] && [ ! -L "$f" ] || continue
  cp "$f" "$work/project/support/"
  total=$((total + $(stat -c %s "$f")))
  [ $total -lt 8388608 ] || break
done
echo stub >"$work/project/setup.msi"
cat >"$work/project/bench.json" <<'JSON'
{"title": "Bench", "supportFiles": "support", "msi": "setup.msi",
 "statements": [{"command": "Terminate with Exit Code", "parameters": ["7"]}]}
JSON
mkdir "$work/engine"
cp "$win64/tools/zelstub.exe" "$win64/media/zel/zel.dll" "$work/engine/"
"$native/tools/zelpack" build "$work/project/bench.json" -o "$work/setup" --engine "$work/engine"
echo "startup: payload of $(du -sm "$work/project/support" | cut -f1) MB," \
  "setup.res $(du -m "$work/setup/setup.res" | cut -f1) MB"

best_of_five() {  # best_of_five CMD...: the shortest wall time in seconds
  local best=""
  for _ in 1 2 3 4 5; do
    rm -rf "$work/out"
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    best=$(python3 -c "a=$end-$start; b='$best'; print(a if not b or a < float(b) else b)")
  done
  echo "$best"
}
cd "$work/setup"
wine "$win64/tools/zelextract.exe" setup.res out >/dev/null 2>&1 ||
  { echo "startup: zelextract.exe failed"; exit 1; }
printf 'start /wait setup.exe /s\r\necho [%%ERRORLEVEL%%]>code.txt\r\n' >run.bat
wine cmd /c run.bat >/dev/null 2>&1 || true
[ "$(tr -d '[]\r\n' <code.txt)" = 7 ] || { echo "startup: the setup did not reach its statement"; exit 1; }
extract=$(best_of_five wine "$win64/tools/zelextract.exe" setup.res out)
start=$(best_of_five wine setup.exe /s)
python3 -c "print(f'startup: setup.exe /s to its first statement {$start:.2f} s, extraction alone {$extract:.2f} s, ratio {$start/$extract:.2f} (overhead {($start/$extract-1)*100:.0f}%)')"
