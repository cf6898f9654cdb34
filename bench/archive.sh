#!/usr/bin/env bash
# Extraction of the same ~64 MB archive (text and binaries, LZMA; then again with AES) by our
# archive library and by 7-Zip itself on one thread, in one run, printed as ratios.
set -euo pipefail
build=${1:?usage: bench/archive.sh BUILD_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/data/bin" "$work/data/text"
# Binaries: the first 32 MB of the system's programs; text: 32 MB of generated lines.
total=0
for f in /usr/bin/*; do
  [ -f "$f" ] && [ ! -L "$f" ] || continue
  cp "$f" "$work/data/bin/"
  total=$((total + $(stat -c %s "$f")))
  [ $total -lt 33554432 ] || break
done
python3 - "$work/data/text" <<'PY'
import random, sys
random.seed(7)
words = ["setup", "install", "folder", "registry", "component", "feature", "dialog", "package",
     "engine", "variable", "archive", "shortcut", "service", "version", "product", "update"]
for n in range(8):
    with open(f"{sys.argv[1]}/part{n}.txt", "w") as out:
        size = 0
        while size < 4 << 20:
            line = " ".join(random.choice(words) for _ in range(12)) + f" {random.randrange(10**6)}\n"
            out.write(line)
            size += len(line)
PY
( cd "$work/data" && 7zz a -bd -m0=lzma -mmt1 "$work/plain.7z" . >/dev/null \
  && 7zz a -bd -m0=lzma -mmt1 -mhe=on -psecret "$work/aes.7z" . >/dev/null )
echo "archive: $(du -sm "$work/data" | cut -f1) MB of data, $(du -m "$work/plain.7z" | cut -f1) MB packed"

seconds() {  # seconds CMD...: the best of three runs
  local best=""
  for _ in 1 2 3; do
    rm -rf "$work/out"; mkdir "$work/out"
    local start end
    start=$(date +%s.%N); "$@" >/dev/null; end=$(date +%s.%N)
    best=$(python3 -c "a=$end-$start; b='$best'; print(a if not b or a < float(b) else b)")
  done
  echo "$best"
}
for kind in plain aes; do
  pass=(); [ $kind = aes ] && pass=(secret)
  ours=$(seconds "$build/tools/zelextract" "$work/$kind.7z" "$work/out" "${pass[@]}")
  peer=$(seconds 7zz x -bd -mmt1 -y ${pass:+-p$pass} "-o$work/out" "$work/$kind.7z")
  python3 -c "print(f'extract {\"$kind\":<5}: ours {$ours:.2f} s, 7zz -mmt1 {$peer:.2f} s, ratio ours/7zz {$ours/$peer:.2f}')"
done
