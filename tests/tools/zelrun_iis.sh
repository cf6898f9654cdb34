#!/usr/bin/env bash
# zelrun --iis: a run starts from a web server file and leaves its sites and folders in it.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export LC_ALL=C
tab=$'\t'

# Creates a site at the first free index, a folder with a MIME entry, starts the site and reads
# back what a script can read.
cat >"$work/p.json" <<'JSON'
{"title": "Web", "productCode": "{D476A5F2-B52A-464F-82D1-2B29B76326B2}",
 "statements": [
  {"command": "Create IIS Site", "parameters": ["Shop", "", "", "", "8080", "443", "60", "TRUE", "TRUE", "TRUE", "FALSE", "FALSE", "", "10", "1"]},
  {"command": "Get IIS Site Index", "parameters": ["Shop", "IDX"]},
  {"command": "Create Virtual Folder", "parameters": ["docs", "C:\\Web\\docs", "FALSE", "TRUE", "FALSE", "FALSE", "TRUE", "FALSE", "2", "1", "TRUE", "index.htm", "", "TRUE", "FALSE", "FALSE", ".htm=text/html,.log", "$IDX$"]},
  {"command": "Control IIS Site", "parameters": ["$IDX$", "0"]},
  {"command": "Get IIS Property", "parameters": ["FALSE", "", "$IDX$", "docs", "Path", "FOLDER"]},
  {"command": "Get IIS Property", "parameters": ["TRUE", "", "$IDX$", "", "ServerBindings", "BINDINGS"]},
  {"command": "IIS Anonymous User", "parameters": ["ANON"]},
  {"command": "Get System Settings", "parameters": ["SETTING", "59"]}
 ]}
JSON
"$build/tools/zelpack" script "$work/p.json" -o "$work/p.script"
cat >"$work/iis.txt" <<EOF2
Kestrix web server 1
anonymous${tab}IUSR_WEB
object${tab}1${tab}IIsWebServer
property${tab}ServerComment${tab}Default Web Site
EOF2
"$build/tools/zelrun" --iis "$work/iis.txt" "$work/p.script" >"$work/out" 2>"$work/err" \
  || { cat "$work/err"; fail "run with a web server failed"; }
for answer in 'IDX=2' 'FOLDER=C:\Web\docs' 'BINDINGS=:8080:' 'ANON=IUSR_WEB' 'SETTING=IUSR_WEB'; do
  grep -qxF "$answer" "$work/out" || { cat "$work/out"; fail "no $answer"; }
done
for record in "object${tab}2${tab}IIsWebServer" "property${tab}ServerComment${tab}Shop" \
  "property${tab}ServerState${tab}2" "object${tab}2/Root/docs${tab}IIsWebVirtualDir" \
  "property${tab}AppIsolated${tab}2" "property${tab}AppFriendlyName${tab}docs" \
  "mime${tab}.htm${tab}text/html" "mime${tab}.log${tab}" \
  "property${tab}EnabledWebServiceExtensions${tab}ASP" \
  "property${tab}ServerComment${tab}Default Web Site"; do
  grep -qxF "$record" "$work/iis.txt" || { cat "$work/iis.txt"; fail "no record $record"; }
done
# The site made to learn the anonymous user is gone again.
[ "$(grep -c "^object${tab}[0-9][0-9]*${tab}" "$work/iis.txt")" = 2 ] || fail "sites left over"

# A file that does not exist yet is a web server without sites, written after the run.
"$build/tools/zelrun" --iis "$work/new.txt" "$work/p.script" >"$work/out" 2>"$work/err" \
  || { cat "$work/err"; fail "run with a new web server failed"; }
grep -qxF 'IDX=1' "$work/out" || fail "the new server's first site is not 1"
grep -qxF "object${tab}1/Root/docs${tab}IIsWebVirtualDir" "$work/new.txt" || fail "new file lacks the folder"
grep -q '^ANON=IUSR_.' "$work/out" || fail "no anonymous user for a new server"

# Without a web server the commands end silently with their failure answers.
"$build/tools/zelrun" "$work/p.script" >"$work/out" 2>"$work/err" || fail "run without IIS failed"
for answer in 'IDX=0' 'FOLDER=!ERROR!' 'BINDINGS=!ERROR!' 'ANON=' 'SETTING='; do
  grep -qxF "$answer" "$work/out" || { cat "$work/out"; fail "no $answer without IIS"; }
done

# A corrupt file is refused before the run and left as it is.
printf 'Kestrix web server 1\nobject\t1\n' >"$work/bad.txt"
cp "$work/bad.txt" "$work/bad.before"
status=0
"$build/tools/zelrun" --iis "$work/bad.txt" "$work/p.script" >"$work/out" 2>"$work/err" || status=$?
[ "$status" = 2 ] || fail "a corrupt file gave exit code $status"
grep -qF 'line 2: not a record of a web server file' "$work/err" || { cat "$work/err"; fail "no reason"; }
[ ! -s "$work/out" ] || fail "a corrupt file still ran the script"
cmp -s "$work/bad.txt" "$work/bad.before" || fail "the corrupt file was changed"
echo PASS
