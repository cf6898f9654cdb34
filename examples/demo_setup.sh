#!/usr/bin/env bash
# Builds the example setup (examples/setup) with zelpack and runs it under Wine: once silently,
# and once with its windows on a virtual display, going through its wizard with the UI driver as
# a person would and saving screenshots of the splash and preparing windows and of every page to
# the demo folder. Each run installs the product through Windows Installer; the demo then shows
# the installed files, the uninstall entry and the product cache folder, removes the product
# with the uninstall entry's command run silently, and shows that all three are gone. Any check
# that does not hold fails the demo.
set -euo pipefail
tools=$(cd "$1" && pwd)  # the build that holds zelpack
win64=$(cd "$2" && pwd)
demo=$(mkdir -p "$3" && cd "$3" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tests/wine/lib.sh"
xvfb_start
wine_prefix
work=$(mktemp -d /tmp/kx-demo.XXXXXX)
trap 'wine_cleanup; rm -rf "$work"' EXIT

# The example project with a splash picture and 20 MB of documentation and 8 MB of data among
# its support files, so that the start-up windows stay up while the payload is unpacked, and
# with 3,000 pages of documentation added to its package, so that the progress page stays up
# for a few seconds while Windows Installer copies them.
cp -r "$here/setup" "$here/dialogs" "$work/"
sed -i 's|"\.\./dialogs"|"dialogs"|; s|"wxs": "hello.wxs",|&\n  "splash": "setup.bmp",|' \
  "$work/setup/setup.json"
cp -r "$here/dialogs" "$work/setup/"
convert -size 400x250 gradient:'#16325c-#4f8fd6' bmp3:"$work/setup/setup.bmp"
python3 - "$work/setup" <<'PY'
import os, random, sys
random.seed(1)
setup = sys.argv[1]
words = ["install", "folder", "feature", "wizard", "hello", "select", "press", "next", "finish"]
with open(os.path.join(setup, "support", "manual.txt"), "w") as out:
    while out.tell() < 20 << 20:
        out.write(" ".join(random.choice(words) for _ in range(14)) + "\r\n")
with open(os.path.join(setup, "support", "sample.dat"), "wb") as out:
    out.write(random.randbytes(8 << 20))
docs = os.path.join(setup, "program", "docs")
os.makedirs(docs)
pages = []
for n in range(3000):
    with open(os.path.join(docs, f"page{n:04}.txt"), "w") as out:
        out.write(" ".join(random.choice(words) for _ in range(400)))
    pages.append(f'<File Id="Page{n:04}" Source="program/docs/page{n:04}.txt" />')
component = ('<Directory Id="DocsFolder" Name="docs">'
             '<Component Id="Docs" Guid="3C1B7E52-9A4D-4F60-8E2B-71D5C3A9F0E8">'
             + "".join(pages) + "</Component></Directory>")
wxs = os.path.join(setup, "hello.wxs")
with open(wxs) as source:
    text = source.read()
text = text.replace("</Component>\n        </Directory>", "</Component>\n" + component + "</Directory>", 1)
text = text.replace('<ComponentRef Id="Readme" />', '<ComponentRef Id="Readme" /><ComponentRef Id="Docs" />')
with open(wxs, "w") as out:
    out.write(text)
PY
mkdir "$work/engine"
cp "$win64/tools/zelstub.exe" "$win64/media/zel/zel.dll" "$work/engine/"
"$tools/tools/zelpack" build "$work/setup/setup.json" -o "$work/Hello" --engine "$work/engine"
echo "== zelpack build wrote:"
(cd "$work/Hello" && ls -l --time-style=+ | tail -n +2 | awk '{print "   " $5 "\t" $6}')

temp=$(winepath -u "$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')")
entry='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Hello Kestrix'
identity='HKLM\SOFTWARE\Orlanvik\Kestrix\Ident.Cache\{D476A5F2-B52A-464F-82D1-2B29B76326B2}'
failed() { echo "   FAILED: $*" && exit 1; }

# windows_run FOLDER COMMAND: the Windows command line COMMAND, started from FOLDER by cmd,
# which waits for it; its exit code in $code.
windows_run() {
  (cd "$1" && printf 'start "" /wait %s\r\necho [%%ERRORLEVEL%%]>code.txt\r\n' "$2" >run.bat &&
    timeout 300 wine cmd /c run.bat >/dev/null 2>&1) || true
  code=$(tr -d '[]\r\n' <"$1/code.txt" 2>/dev/null || echo "none")
  rm -f "$1/run.bat" "$1/code.txt"
}

# installed FOLDER: the package's files are in the Windows folder FOLDER, and the uninstall
# entry and the product cache folder it names are there; shows all three. Sets $command (the
# entry's UninstallString) and $cache (the cache folder, as a Linux path).
installed() {
  local folder file program
  folder=$(winepath -u "$1")
  for file in readme.txt license.txt; do
    cmp -s "$work/setup/support/$file" "$folder/$file" || failed "$1 lacks $file"
  done
  diff -r "$work/setup/program/docs" "$folder/docs" >/dev/null || failed "$1\\docs lacks pages"
  echo "   installed in $1:"
  (cd "$folder" && find . -maxdepth 1 -type f -printf '      %s\t%P\n' | sort -k2)
  echo "      and $(find "$folder/docs" -type f | wc -l) pages in docs\\"
  wine reg query "$entry" >"$work/entry" 2>/dev/null || failed "no uninstall entry"
  echo "   the uninstall entry:"
  tr -d '\r' <"$work/entry" | sed '/^$/d; s/^/   /'
  wine reg query "$identity" >/dev/null 2>&1 || failed "no identity entry"
  command=$(tr -d '\r' <"$work/entry" | sed -n 's/^ *UninstallString *REG_SZ *//p')
  program=$(sed 's/^"\([^"]*\)".*/\1/' <<<"$command")
  cache=$(winepath -u "${program%\\*}")
  for file in setup.exe setup.msi setup.res zel.dll instance.dat; do
    [ -f "$cache/$file" ] || failed "the product cache folder lacks $file"
  done
  echo "   the product cache folder $(winepath -w "$cache"):"
  (cd "$cache" && ls -l --time-style=+ | tail -n +2 | awk '{print "      " $5 "\t" $6}')
}

# removed FOLDER: runs the uninstall entry's command silently and checks that the files in the
# Windows folder FOLDER, the uninstall and identity entries and the product cache folder are
# gone. The engine that removes the product runs from the cache folder and cannot delete
# itself: the folder moves aside to "~" + n, left for the next restart.
removed() {
  echo "   removal: $command /s"
  windows_run "$work" "$command /s"
  [ "$code" = 0 ] || failed "the removal ended with exit code $code"
  [ ! -e "$(winepath -u "$1")" ] || failed "$1 is still there"
  ! wine reg query "$entry" >/dev/null 2>&1 || failed "the uninstall entry is still there"
  ! wine reg query "$identity" >/dev/null 2>&1 || failed "the identity entry is still there"
  [ ! -e "$cache" ] || failed "the product cache folder is still there"
  echo "   $1, the uninstall entry and the product cache folder are gone; left for the restart:"
  (cd "$(dirname "$cache")" && find . -path './~*' | sort | sed 's|^\./|      |')
}

echo "== silent run: setup.exe /s \"TARGETDIR=C:\\Hello Silent\""
windows_run "$work/Hello" 'setup.exe /s "TARGETDIR=C:\Hello Silent"'
echo "   exit code $code"
[ "$code" = 0 ] || failed "the silent run did not succeed"
left=$(ls -d "$temp"/zel* 2>/dev/null || true)
echo "   support folders left in the temporary folder: ${left:-none}"
installed 'C:\Hello Silent'
removed 'C:\Hello Silent'

echo "== run with windows"
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
(cd "$work/Hello" && wine setup.exe >/dev/null 2>&1) &
run=$!
shot="$demo/startup-windows.png"
rm -f "$shot"
# While the preparing window is up, keep the brightest screenshot: the one where both windows
# have finished painting.
best=0
for _ in $(seq 600); do
  xdotool search --onlyvisible --name 'Kestrix Wizard' >/dev/null 2>&1 || {
    [ -f "$shot" ] && break
    sleep 0.05
    continue
  }
  screenshot "$work/shot.png"
  level=$(convert "$work/shot.png" -format '%[fx:int(mean*100000)]' info:)
  if [ "$level" -gt "$best" ]; then best=$level; cp "$work/shot.png" "$shot"; fi
done
if [ -f "$shot" ]; then echo "   screenshot of the splash and preparing windows: $shot"; else
  echo "   the start-up windows closed before a screenshot could be taken"; fi

# The wizard, driven the way a person goes through it; a screenshot of each page.
drive() { wine "$win64/tools/uidriver.exe" "$@" >"$work/ui" 2>"$work/ui.err"; }
# window_shot FILE: the window the driver read last, cut out of a screenshot, as FILE.
window_shot() {
  local rect
  rect=$(sed -n 's/^window .* rect=\([-0-9]*\),\([-0-9]*\),\([0-9]*\),\([0-9]*\) .*/\3x\4+\1+\2/p' "$work/ui")
  screenshot "$work/shot.png"
  convert "$work/shot.png" -crop "$rect" +repage "$1"
}
# page_shot FORM NAME: the page of that form as NAME.png.
page_shot() {
  drive --form "$1" --timeout 60 --dump || { cat "$work/ui.err"; failed "no page $1"; }
  window_shot "$demo/$2.png"
  echo "   $2: $demo/$2.png"
}
page_shot WelcomePage 1-welcome
drive --form WelcomePage --press "Next >"
drive --form LicensePage --timeout 30 --click Accept
page_shot LicensePage 2-license
drive --form LicensePage --press "Next >"
drive --form FolderPage --timeout 30 --type Folder 'C:\Hello Kestrix'
page_shot FolderPage 3-folder
drive --form FolderPage --press "Next >"
# The progress page while Windows Installer works: of the screenshots taken while it is up, the
# one whose bar is nearest to half way, or, when the bar has not moved in any, the first. A
# screenshot counts only when the page is still up after it was taken. (Wine's installer
# reports the ticks of every file before it copies them, so there the bar is full while the
# files are copied.)
rm -f "$demo/4-progress.png"
best=
drive --form ProgressPage --timeout 60 --dump || failed "no progress page"
while :; do
  bar=$(sed -n 's/^control .* name=Bar .* value=\([0-9]*\) of [0-9]*\.\.\([0-9]*\).*/\1 \2/p' "$work/ui" | tr -d '\r')
  read -r position maximum <<<"${bar:-0 0}"
  distance=100
  if [ "$maximum" -gt 0 ]; then distance=$((position * 100 / maximum - 50)) && distance=${distance#-}; fi
  if [ -z "$best" ] || [ "$distance" -lt "$best" ]; then
    window_shot "$work/progress.png"
    drive --form ProgressPage --timeout 0.1 --dump || break
    best=$distance
    mv "$work/progress.png" "$demo/4-progress.png"
  else
    drive --form ProgressPage --timeout 0.1 --dump || break
  fi
done
if [ -n "$best" ]; then echo "   4-progress: $demo/4-progress.png"; else
  echo "   the progress page closed before a screenshot could be taken"; fi
page_shot FinishPage 5-finish
drive --form FinishPage --press Finish
wait "$run" || true
installed 'C:\Hello Kestrix'
removed 'C:\Hello Kestrix'
