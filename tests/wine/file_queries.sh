#!/usr/bin/env bash
# The file system queries and text files through zelrun.exe over Wine's file functions:
# "Does File/Folder Exist", "Find All Files", "Check Disk Space", "Read from Text File" and
# "Write to Text File", checked against the files on the host.
set -euo pipefail
build=$(cd "$1" && pwd)
src=$2
source "$src/tests/wine/lib.sh"
zelrun_suite files
mkdir -p "$work/tree/sub dir/inner"
touch "$work/tree/a.txt" "$work/tree/b.log" "$work/tree/sub dir/c.txt" "$work/tree/sub dir/inner/d.txt"
printf 'one\r\ntwo\r\nthree\r\n' >"$work/three.txt"
: >"$work/empty.txt"

zel_project files '[
  {"command": "Does File/Folder Exist", "parameters": ["FILE", "tree\\a.txt", "TRUE"]},
  {"command": "Does File/Folder Exist", "parameters": ["WILDCARD", "tree\\*.log", "TRUE"]},
  {"command": "Does File/Folder Exist", "parameters": ["FOLDER_AS_FILE", "tree\\sub dir", "TRUE"]},
  {"command": "Does File/Folder Exist", "parameters": ["FOLDER", "tree\\sub dir", "FALSE"]},
  {"command": "Does File/Folder Exist", "parameters": ["FILE_AS_FOLDER", "tree\\a.txt", "FALSE"]},
  {"command": "Does File/Folder Exist", "parameters": ["MISSING", "tree\\none.txt", "TRUE"]},
  {"command": "Find All Files", "parameters": ["tree\\*.txt", "TRUE", "TRUE", "FOUND"]},
  {"command": "Find All Files", "parameters": ["tree\\*.txt", "FALSE", "FALSE", "$FLAT$"]},
  {"command": "Find All Files", "parameters": ["nowhere\\*.*", "TRUE", "TRUE", "NOWHERE"]},
  {"command": "Check Disk Space", "parameters": ["$FREE$", "tree", "TRUE"]},
  {"command": "Check Disk Space", "parameters": ["TOTAL", "tree", "FALSE"]},
  {"command": "Check Disk Space", "parameters": ["NODISK", "Q:\\", "FALSE"]},
  {"command": "Read from Text File", "parameters": ["three.txt", "L1", "E1"]},
  {"command": "Read from Text File", "parameters": ["three.txt", "L2", "E2"]},
  {"command": "Read from Text File", "parameters": ["THREE.TXT", "L3", "E3"]},
  {"command": "Read from Text File", "parameters": ["three.txt", "L4", "E4"]},
  {"command": "Set Variable", "parameters": ["KEPT", "as it was"]},
  {"command": "Read from Text File", "parameters": ["empty.txt", "KEPT", "EMPTY_END"]},
  {"command": "Read from Text File", "parameters": ["missing.txt", "KEPT", "MISSING_END"]},
  {"command": "Write to Text File", "parameters": ["written.txt", "first", "FALSE"]},
  {"command": "Write to Text File", "parameters": ["written.txt", "$ACCENT$", "FALSE"]},
  {"command": "Write to Text File", "parameters": ["written.txt", "zero", "TRUE"]},
  {"command": "Read from Text File", "parameters": ["written.txt", "W1", ""]}
 ]'
# A command line in UTF-8 reaches the program in its ANSI code page.
zelrun_exe --silent --arg ACCENT=café files.script
[ "$code" = 0 ] || fail "exit code $code: $(cat "$work/err")"
expect_store FILE=TRUE WILDCARD=TRUE FOLDER_AS_FILE=FALSE FOLDER=TRUE FILE_AS_FOLDER=FALSE \
  MISSING=FALSE \
  'FOUND="tree\sub dir\inner\d.txt"|"tree\sub dir\inner"|"tree\sub dir\c.txt"|"tree\sub dir"|tree\a.txt' \
  'FLAT=tree\a.txt' NOWHERE= NODISK=0 \
  L1=one E1=FALSE L2=two E2=FALSE L3=three E3=TRUE L4=one E4=FALSE \
  'KEPT=as it was' EMPTY_END=TRUE MISSING_END=TRUE W1=zero
# The disk of the work folder as the host counts it: the total exactly, the free bytes
# available to us within what other writers may have changed meanwhile.
read -r blocks available size < <(stat -f -c '%b %a %S' "$work")
expect_store "TOTAL=$((blocks * size))"
free=$(sed -n 's/^FREE=//p' "$work/out")
difference=$((free - available * size))
[ "${difference#-}" -lt $((256 << 20)) ] || fail "free bytes $free, host $((available * size))"
# Lines written in the Windows code page, each ended by CR LF.
cmp "$work/written.txt" <(printf 'zero\r\nfirst\r\ncaf\xe9\r\n') || fail "written.txt: $(od -c "$work/written.txt")"
echo "file queries: ok"
