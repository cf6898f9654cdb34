#!/bin/bash
# zel.dll under Wine: archives made by the host's real 7-Zip, extracted by the win64 engine code.
set -eu
build=$1
src=$2
work=$(mktemp -d /tmp/kx-zel.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/source/docs/guide" "$work/source/empty folder"
for i in $(seq 1 3000); do echo "Line $i: the quick brown fox jumps over the lazy dog"; done > "$work/source/readme.txt"
head -c 200000 /dev/urandom > "$work/source/program.bin"
: > "$work/source/empty.txt"
head -c 5000 "$work/source/readme.txt" > "$work/source/docs/guide/chapter.txt"
printf 'not in the ANSI code page\r\n' > "$work/source/名前 ж.txt"
(cd "$work/source" && LC_ALL=C.UTF-8 7zz a -bso0 -bsp0 "$work/locked.7z" ./* -psecret -mhe=on -mf=BCJ2)
cp "$build/tests/kx_wine_tests.exe" "$build/media/zel/zel.dll" "$work/"
KX_ARCHIVE_FIXTURES="Z:${work//\//\\}" "$src/cmake/wine-run.sh" "$work/kx_wine_tests.exe" \
  --gtest_filter='ZelDll.*'
# What the writer made under Wine extracts with the real 7-Zip.
LC_ALL=C.UTF-8 7zz x -bso0 -bsp0 -psecret -o"$work/by-7zip" "$work/written.7z"
diff -r "$work/source" "$work/by-7zip"
